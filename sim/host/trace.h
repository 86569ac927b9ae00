// The trace of every call the plug-in makes out of itself: decoding the
// argument and result slots of an operation with the host's own table, and
// recording entries in memory and to the trace file.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "sim/host/host_runtime.h"
#include "sim/host/native_call.h"
#include "sim/host/op_table.h"

namespace sim {

// Whether anyone reads the trace (memory or file); decoding is skipped if not.
bool TraceWanted();

// Stamps the entry with the current frame and records it.
void RecordTrace(TraceEntry entry);

// The trace line for an entry, keys in the order frame, op, hash, args, ret.
std::string TraceLine(const TraceEntry& entry);

// A float as a JSON number with the shortest decimal that reads back as the
// same float, so that 0.55f prints as 0.55.
nlohmann::json FloatValue(float value);

// The arguments as the plug-in passed them, read before the call: values,
// text behind string addresses, the handle behind a handle address. The
// places of out-parameters are left null.
nlohmann::json DecodeArgumentsBefore(const OpSpec& op, const NativeCall& call);

// Fills the places of the out-parameters with what the host wrote.
void DecodeOutParameters(const OpSpec& op, const NativeCall& call, nlohmann::json& args);

// The result as the plug-in reads it; null when nothing is returned.
nlohmann::json DecodeResult(ResultKind kind, const NativeCall& call);

}  // namespace sim

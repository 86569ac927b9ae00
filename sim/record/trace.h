// The trace of every call the plug-in makes out of itself: decoding the
// argument and result slots of an operation with the host's own table, and
// recording entries in memory and to the trace file.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "sim/runtime/host_runtime.h"
#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"

namespace sim {

namespace detail {
extern bool traceWanted;
}

// Whether anyone reads the trace (memory or file); decoding is skipped if not.
inline bool TraceWanted() {
    return detail::traceWanted;
}

// What a traced operation call keeps from before the call: the handles
// behind handle addresses (a delete clears them), and for the in-memory
// trace the decoded arguments.
struct TracedCall {
    int32_t handlesBefore[MaxArgumentSlots] = {};
    bool inMemory = false;
    nlohmann::json args;
};

// Around one operation call: Begin before the implementation runs, End after
// it, which records the entry in memory and/or writes its line to the file.
TracedCall BeginTracedCall(const OpSpec& op, const NativeCall& call);
// Appends the trace line of an operation call after it ran: the line
// TraceLine makes of the decoded entry, without its newline.
void AppendOperationLine(std::string& out, int frame, const OpSpec& op, const NativeCall& call,
                         const TracedCall& traced);
void EndTracedCall(TracedCall& traced, const OpSpec& op, const NativeCall& call);

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

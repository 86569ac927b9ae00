// Recording the trace and decoding argument and result slots for it.
//
// Index:
// [SECTION] Sinks
// [SECTION] Formatting
// [SECTION] Decoding
// [SECTION] Writing operation calls straight to the file
#include "sim/record/trace.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace sim {

namespace detail {
bool traceWanted = false;
}

namespace {

struct TraceSinks {
    bool keepInMemory = false;
    std::vector<TraceEntry> memory;
    std::FILE* file = nullptr;
    // Lines not yet written to the file; written in large blocks.
    std::string pending;
};

TraceSinks& Sinks() {
    static TraceSinks sinks;
    return sinks;
}

const size_t PendingLimit = size_t{1} << 20;

void UpdateTraceWanted() {
    detail::traceWanted = Sinks().keepInMemory || Sinks().file != nullptr;
}

void WritePending(TraceSinks& sinks) {
    if (sinks.file != nullptr && !sinks.pending.empty()) {
        std::fwrite(sinks.pending.data(), 1, sinks.pending.size(), sinks.file);
    }
    sinks.pending.clear();
}

void LineDone(TraceSinks& sinks) {
    sinks.pending += '\n';
    if (sinks.pending.size() >= PendingLimit) {
        WritePending(sinks);
    }
}

std::string Dump(const nlohmann::json& value) {
    // Texts come from the plug-in's buffers and need not be valid UTF-8.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string HashText(uint64_t hash) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016" PRIX64, hash);
    return text;
}

int32_t ReadInt32(const void* address) {
    int32_t value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

float ReadFloat(const void* address) {
    float value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

// A Vec3 record: floats at bytes 0, 8 and 16.
nlohmann::json ReadVec3(const void* address) {
    const char* p = static_cast<const char*>(address);
    return nlohmann::json::array(
        {FloatValue(ReadFloat(p)), FloatValue(ReadFloat(p + 8)), FloatValue(ReadFloat(p + 16))});
}

nlohmann::json TextOrNull(const char* text) {
    return text == nullptr ? nlohmann::json() : nlohmann::json(std::string(text));
}

// The handles in a vehicle buffer: the capacity in the first 8-byte slot, one
// handle in the low half of each following slot.
nlohmann::json ReadVehicleBuffer(const int32_t* buffer, int32_t count) {
    nlohmann::json handles = nlohmann::json::array();
    int32_t capacity = buffer[0];
    if (count > capacity) {
        count = capacity;
    }
    for (int32_t i = 0; i < count; ++i) {
        handles.push_back(buffer[2 * (i + 1)]);
    }
    return handles;
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Sinks
//-----------------------------------------------------------------------------

void RecordTrace(TraceEntry entry) {
    TraceSinks& sinks = Sinks();
    World* world = AttachedWorld();
    entry.frame = world != nullptr ? world->frame : 0;
    if (sinks.file != nullptr) {
        sinks.pending += TraceLine(entry);
        LineDone(sinks);
    }
    if (sinks.keepInMemory) {
        sinks.memory.push_back(std::move(entry));
    }
}

void KeepTraceInMemory(bool keep) {
    Sinks().keepInMemory = keep;
    UpdateTraceWanted();
}

const std::vector<TraceEntry>& MemoryTrace() {
    return Sinks().memory;
}

void ClearMemoryTrace() {
    Sinks().memory.clear();
}

bool OpenTraceFile(const std::string& path) {
    CloseTraceFile();
    // Binary, so that every platform writes the same bytes.
    Sinks().file = std::fopen(path.c_str(), "wb");
    Sinks().pending.reserve(PendingLimit + 4096);
    UpdateTraceWanted();
    return Sinks().file != nullptr;
}

void CloseTraceFile() {
    TraceSinks& sinks = Sinks();
    if (sinks.file != nullptr) {
        WritePending(sinks);
        std::fclose(sinks.file);
        sinks.file = nullptr;
    }
    UpdateTraceWanted();
}

void FlushTraceFile() {
    TraceSinks& sinks = Sinks();
    if (sinks.file != nullptr) {
        WritePending(sinks);
        std::fflush(sinks.file);
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Formatting
//-----------------------------------------------------------------------------

nlohmann::json TraceEntryJson(const TraceEntry& entry) {
    nlohmann::json json = {{"frame", entry.frame}, {"op", entry.op}};
    if (entry.hash != 0) {
        json["hash"] = HashText(entry.hash);
    }
    json["args"] = entry.args;
    json["ret"] = entry.ret;
    return json;
}

std::string TraceLine(const TraceEntry& entry) {
    std::string line = "{\"frame\":" + std::to_string(entry.frame) + ",\"op\":" + Dump(entry.op);
    if (entry.hash != 0) {
        line += ",\"hash\":\"" + HashText(entry.hash) + "\"";
    }
    line += ",\"args\":" + Dump(entry.args) + ",\"ret\":" + Dump(entry.ret) + "}";
    return line;
}

nlohmann::json FloatValue(float value) {
    if (!std::isfinite(value)) {
        return nlohmann::json(static_cast<double>(value));
    }
    char text[32];
    std::to_chars_result end = std::to_chars(text, text + sizeof text - 1, value);
    *end.ptr = '\0';
    return nlohmann::json(std::strtod(text, nullptr));
}

//-----------------------------------------------------------------------------
// [SECTION] Decoding
//-----------------------------------------------------------------------------

nlohmann::json DecodeArgumentsBefore(const OpSpec& op, const NativeCall& call) {
    nlohmann::json args = nlohmann::json::array();
    for (size_t i = 0; i < op.args.size(); ++i) {
        int slot = static_cast<int>(i);
        switch (op.args[i]) {
            case ArgKind::Int:
            case ArgKind::Handle:
                args.push_back(call.Int(slot));
                break;
            case ArgKind::Bool:
                args.push_back(call.Bool(slot) ? 1 : 0);
                break;
            case ArgKind::Hash:
                args.push_back(call.Hash(slot));
                break;
            case ArgKind::Float:
                args.push_back(FloatValue(call.Float(slot)));
                break;
            case ArgKind::String:
                args.push_back(TextOrNull(call.Str(slot)));
                break;
            case ArgKind::HandleRef: {
                const int32_t* handle = call.Ptr<const int32_t>(slot);
                args.push_back(handle == nullptr ? nlohmann::json() : nlohmann::json(*handle));
                break;
            }
            case ArgKind::HandleOut:
            case ArgKind::Vec3Out:
            case ArgKind::FloatOut:
            case ArgKind::IntOut:
            case ArgKind::BoolOut:
            case ArgKind::VehicleBuffer:
                args.push_back(nullptr);
                break;
        }
    }
    return args;
}

void DecodeOutParameters(const OpSpec& op, const NativeCall& call, nlohmann::json& args) {
    for (size_t i = 0; i < op.args.size(); ++i) {
        int slot = static_cast<int>(i);
        const void* address = call.Ptr<const void>(slot);
        switch (op.args[i]) {
            case ArgKind::HandleOut:
            case ArgKind::IntOut:
                if (address != nullptr) {
                    args[i] = ReadInt32(address);
                }
                break;
            case ArgKind::BoolOut:
                if (address != nullptr) {
                    args[i] = ReadInt32(address) != 0 ? 1 : 0;
                }
                break;
            case ArgKind::FloatOut:
                if (address != nullptr) {
                    args[i] = FloatValue(ReadFloat(address));
                }
                break;
            case ArgKind::Vec3Out:
                if (address != nullptr) {
                    args[i] = ReadVec3(address);
                }
                break;
            case ArgKind::VehicleBuffer:
                if (address != nullptr) {
                    int32_t count =
                        op.result == ResultKind::Int
                            ? static_cast<int32_t>(static_cast<uint32_t>(call.result[0]))
                            : ReadInt32(address);
                    args[i] = ReadVehicleBuffer(static_cast<const int32_t*>(address), count);
                }
                break;
            default:
                break;
        }
    }
}

nlohmann::json DecodeResult(ResultKind kind, const NativeCall& call) {
    uint32_t low = static_cast<uint32_t>(call.result[0]);
    switch (kind) {
        case ResultKind::None:
            return nullptr;
        case ResultKind::Int:
        case ResultKind::Handle:
            return static_cast<int32_t>(low);
        case ResultKind::Bool:
            return low != 0 ? 1 : 0;
        case ResultKind::Hash:
            return low;
        case ResultKind::Float:
            return FloatValue(ReadFloat(&call.result[0]));
        case ResultKind::Vec3:
            return ReadVec3(call.result);
        case ResultKind::String:
            return TextOrNull(
                reinterpret_cast<const char*>(static_cast<uintptr_t>(call.result[0])));
    }
    return nullptr;
}

//-----------------------------------------------------------------------------
// [SECTION] Writing operation calls straight to the file
//
// The lines are the ones TraceLine makes from a decoded entry, byte for byte,
// written without building JSON values: numbers with std::to_chars, floats
// through the same shortest-text route as FloatValue and nlohmann's own
// float printer, and texts directly unless they need escaping, in which case
// nlohmann writes them.
//-----------------------------------------------------------------------------

namespace {

void AppendSigned(std::string& out, int64_t value) {
    char text[24];
    std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr);
}

void AppendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    std::to_chars_result end = std::to_chars(text, text + sizeof text - 1, value);
    *end.ptr = '\0';
    const double widened = std::strtod(text, nullptr);
    char printed[64];
    char* last = nlohmann::detail::to_chars(printed, printed + sizeof printed, widened);
    out.append(printed, last);
}

void AppendVec3(std::string& out, const void* address) {
    const char* p = static_cast<const char*>(address);
    out += '[';
    AppendFloat(out, ReadFloat(p));
    out += ',';
    AppendFloat(out, ReadFloat(p + 8));
    out += ',';
    AppendFloat(out, ReadFloat(p + 16));
    out += ']';
}

void AppendText(std::string& out, const char* text) {
    if (text == nullptr) {
        out += "null";
        return;
    }
    const char* end = text;
    bool plain = true;
    for (; *end != '\0'; ++end) {
        const unsigned char c = static_cast<unsigned char>(*end);
        plain = plain && c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    }
    if (!plain) {
        out += Dump(nlohmann::json(std::string(text, end)));
        return;
    }
    out += '"';
    out.append(text, end);
    out += '"';
}

void AppendHashText(std::string& out, uint64_t hash) {
    static const char digits[] = "0123456789ABCDEF";
    char text[18] = {'0', 'x'};
    for (int i = 0; i < 16; ++i) {
        text[2 + i] = digits[(hash >> (60 - 4 * i)) & 0xF];
    }
    out.append(text, sizeof text);
}

void AppendVehicleBuffer(std::string& out, const int32_t* buffer, int32_t count) {
    const int32_t capacity = buffer[0];
    if (count > capacity) {
        count = capacity;
    }
    out += '[';
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendSigned(out, buffer[2 * (i + 1)]);
    }
    out += ']';
}

void AppendArgument(std::string& out, const OpSpec& op, const NativeCall& call,
                    const TracedCall& traced, int slot) {
    const void* address = call.Ptr<const void>(slot);
    switch (op.args[static_cast<size_t>(slot)]) {
        case ArgKind::Int:
        case ArgKind::Handle:
            AppendSigned(out, call.Int(slot));
            return;
        case ArgKind::Bool:
            out += call.Bool(slot) ? '1' : '0';
            return;
        case ArgKind::Hash:
            AppendSigned(out, call.Hash(slot));
            return;
        case ArgKind::Float:
            AppendFloat(out, call.Float(slot));
            return;
        case ArgKind::String:
            AppendText(out, call.Str(slot));
            return;
        case ArgKind::HandleRef:
            if (address == nullptr) {
                out += "null";
            } else {
                AppendSigned(out, traced.handlesBefore[slot]);
            }
            return;
        case ArgKind::HandleOut:
        case ArgKind::IntOut:
        case ArgKind::BoolOut:
        case ArgKind::FloatOut:
        case ArgKind::Vec3Out:
        case ArgKind::VehicleBuffer:
            break;
    }
    if (address == nullptr) {
        out += "null";
        return;
    }
    switch (op.args[static_cast<size_t>(slot)]) {
        case ArgKind::HandleOut:
        case ArgKind::IntOut:
            AppendSigned(out, ReadInt32(address));
            break;
        case ArgKind::BoolOut:
            out += ReadInt32(address) != 0 ? '1' : '0';
            break;
        case ArgKind::FloatOut:
            AppendFloat(out, ReadFloat(address));
            break;
        case ArgKind::Vec3Out:
            AppendVec3(out, address);
            break;
        case ArgKind::VehicleBuffer:
            AppendVehicleBuffer(out, static_cast<const int32_t*>(address),
                                op.result == ResultKind::Int
                                    ? static_cast<int32_t>(static_cast<uint32_t>(call.result[0]))
                                    : ReadInt32(address));
            break;
        default:
            break;
    }
}

void AppendResult(std::string& out, ResultKind kind, const NativeCall& call) {
    const uint32_t low = static_cast<uint32_t>(call.result[0]);
    switch (kind) {
        case ResultKind::None:
            out += "null";
            return;
        case ResultKind::Int:
        case ResultKind::Handle:
            AppendSigned(out, static_cast<int32_t>(low));
            return;
        case ResultKind::Bool:
            out += low != 0 ? '1' : '0';
            return;
        case ResultKind::Hash:
            AppendSigned(out, low);
            return;
        case ResultKind::Float:
            AppendFloat(out, ReadFloat(&call.result[0]));
            return;
        case ResultKind::Vec3:
            AppendVec3(out, call.result);
            return;
        case ResultKind::String:
            AppendText(out, reinterpret_cast<const char*>(static_cast<uintptr_t>(call.result[0])));
            return;
    }
    out += "null";
}

}  // namespace

void AppendOperationLine(std::string& out, int frame, const OpSpec& op, const NativeCall& call,
                         const TracedCall& traced) {
    out += "{\"frame\":";
    AppendSigned(out, frame);
    out += ",\"op\":\"";
    out += op.name;
    out += "\",\"hash\":\"";
    AppendHashText(out, op.hash);
    out += "\",\"args\":[";
    for (size_t i = 0; i < op.args.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendArgument(out, op, call, traced, static_cast<int>(i));
    }
    out += "],\"ret\":";
    AppendResult(out, op.result, call);
    out += '}';
}

TracedCall BeginTracedCall(const OpSpec& op, const NativeCall& call) {
    TracedCall traced;
    for (size_t i = 0; i < op.args.size() && i < static_cast<size_t>(MaxArgumentSlots); ++i) {
        if (op.args[i] == ArgKind::HandleRef) {
            const int32_t* handle = call.Ptr<const int32_t>(static_cast<int>(i));
            traced.handlesBefore[i] = handle == nullptr ? 0 : *handle;
        }
    }
    traced.inMemory = Sinks().keepInMemory;
    if (traced.inMemory) {
        traced.args = DecodeArgumentsBefore(op, call);
    }
    return traced;
}

void EndTracedCall(TracedCall& traced, const OpSpec& op, const NativeCall& call) {
    TraceSinks& sinks = Sinks();
    World* world = AttachedWorld();
    const int frame = world != nullptr ? world->frame : 0;
    if (sinks.file != nullptr) {
        AppendOperationLine(sinks.pending, frame, op, call, traced);
        LineDone(sinks);
    }
    if (traced.inMemory && sinks.keepInMemory) {
        TraceEntry entry;
        entry.frame = frame;
        entry.op = op.name;
        entry.hash = op.hash;
        entry.args = std::move(traced.args);
        DecodeOutParameters(op, call, entry.args);
        entry.ret = DecodeResult(op.result, call);
        sinks.memory.push_back(std::move(entry));
    }
}

}  // namespace sim

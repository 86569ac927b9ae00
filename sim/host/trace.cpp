// Recording the trace and decoding argument and result slots for it.
#include "sim/host/trace.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace sim {

namespace {

struct TraceSinks {
    bool keepInMemory = false;
    std::vector<TraceEntry> memory;
    std::FILE* file = nullptr;
};

TraceSinks& Sinks() {
    static TraceSinks sinks;
    return sinks;
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
// Sinks
//-----------------------------------------------------------------------------

bool TraceWanted() {
    return Sinks().keepInMemory || Sinks().file != nullptr;
}

void RecordTrace(TraceEntry entry) {
    TraceSinks& sinks = Sinks();
    World* world = AttachedWorld();
    entry.frame = world != nullptr ? world->frame : 0;
    if (sinks.file != nullptr) {
        std::string line = TraceLine(entry);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), sinks.file);
    }
    if (sinks.keepInMemory) {
        sinks.memory.push_back(std::move(entry));
    }
}

void KeepTraceInMemory(bool keep) {
    Sinks().keepInMemory = keep;
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
    return Sinks().file != nullptr;
}

void CloseTraceFile() {
    TraceSinks& sinks = Sinks();
    if (sinks.file != nullptr) {
        std::fclose(sinks.file);
        sinks.file = nullptr;
    }
}

void FlushTraceFile() {
    if (Sinks().file != nullptr) {
        std::fflush(Sinks().file);
    }
}

//-----------------------------------------------------------------------------
// Formatting
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
// Decoding
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

}  // namespace sim

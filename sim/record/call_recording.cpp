// Recording the host calls a script makes and answering them again from the
// recording.
//
// Index:
// [SECTION] Recording
// [SECTION] Replaying
#include "sim/record/call_recording.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace detail {
CallTap callTap = CallTap::Off;
}

namespace {

struct TapState {
    CallRecording* recording = nullptr;
    const CallRecording* replay = nullptr;
    size_t position = 0;
    bool check = false;
    bool astray = false;
    std::string mismatch;
    uint64_t answer[3] = {0, 0, 0};
};

TapState Tap;

// The largest vehicle buffer whose contents a recording keeps.
const int32_t MaxRecordedBufferCapacity = 4096;

bool IsAddress(ArgKind kind) {
    switch (kind) {
        case ArgKind::String:
        case ArgKind::HandleRef:
        case ArgKind::HandleOut:
        case ArgKind::Vec3Out:
        case ArgKind::FloatOut:
        case ArgKind::IntOut:
        case ArgKind::BoolOut:
        case ArgKind::VehicleBuffer:
            return true;
        default:
            return false;
    }
}

// The bytes the host may write through an address argument of this kind.
size_t WrittenBytes(ArgKind kind, const void* address) {
    switch (kind) {
        case ArgKind::HandleRef:
        case ArgKind::HandleOut:
        case ArgKind::FloatOut:
        case ArgKind::IntOut:
        case ArgKind::BoolOut:
            return 4;
        case ArgKind::Vec3Out:
            return 24;
        case ArgKind::VehicleBuffer: {
            int32_t capacity;
            std::memcpy(&capacity, address, sizeof capacity);
            capacity = std::clamp(capacity, int32_t{0}, MaxRecordedBufferCapacity);
            return (static_cast<size_t>(capacity) + 1) * 8;
        }
        default:
            return 0;
    }
}

// The next recorded call, if it is of `kind` (and `hash`); null, with the
// replay marked astray, otherwise.
const RecordedCall* Next(RecordedCall::Kind kind, uint64_t hash) {
    if (Tap.replay == nullptr || Tap.position >= Tap.replay->calls.size()) {
        if (!Tap.astray) {
            Tap.astray = true;
            Tap.mismatch = "call " + std::to_string(Tap.position) + " is past the recording's end";
        }
        return nullptr;
    }
    const RecordedCall& next = Tap.replay->calls[Tap.position];
    if (next.kind != kind || (kind == RecordedCall::Kind::Operation && next.hash != hash)) {
        if (!Tap.astray) {
            Tap.astray = true;
            Tap.mismatch = "call " + std::to_string(Tap.position) + " is not the recorded " +
                           (next.op != nullptr ? next.op->name : "host function");
        }
        return nullptr;
    }
    ++Tap.position;
    return &next;
}

void Mismatch(const RecordedCall& recorded, const std::string& what) {
    if (!Tap.astray) {
        Tap.astray = true;
        Tap.mismatch = "call " + std::to_string(Tap.position - 1) + " (" +
                       (recorded.op != nullptr ? recorded.op->name : "host function") +
                       "): " + what;
    }
}

// Compares the call in full with the recorded one.
bool Matches(const RecordedCall& recorded, const NativeCall& call) {
    if (call.slots.size() != recorded.slots.size()) {
        Mismatch(recorded, "another number of argument slots");
        return false;
    }
    size_t text = 0;
    for (size_t i = 0; i < call.slots.size(); ++i) {
        const ArgKind kind = recorded.op->args[i];
        if (kind == ArgKind::String) {
            const char* now = call.Str(static_cast<int>(i));
            if (recorded.argumentTexts[text++] != (now != nullptr ? now : "")) {
                Mismatch(recorded, "another text in slot " + std::to_string(i));
                return false;
            }
        } else if (!IsAddress(kind) && call.slots[i] != recorded.slots[i]) {
            Mismatch(recorded, "another value in slot " + std::to_string(i));
            return false;
        }
    }
    return true;
}

uint64_t* Zeros() {
    Tap.answer[0] = Tap.answer[1] = Tap.answer[2] = 0;
    return Tap.answer;
}

}  // namespace

void StartRecording(CallRecording* into) {
    Tap = TapState{};
    Tap.recording = into;
    detail::callTap = detail::CallTap::Record;
}

void StartReplay(const CallRecording& from, bool check) {
    Tap = TapState{};
    Tap.replay = &from;
    Tap.check = check;
    detail::callTap = detail::CallTap::Replay;
}

void StopCallTap() {
    detail::callTap = detail::CallTap::Off;
    Tap.recording = nullptr;
}

size_t ReplayPosition() {
    return Tap.position;
}

bool ReplayWentAstray() {
    return Tap.astray;
}

const std::string& ReplayMismatch() {
    return Tap.mismatch;
}

void RewindReplay() {
    Tap.position = 0;
}

//-----------------------------------------------------------------------------
// [SECTION] Recording
//-----------------------------------------------------------------------------

void RecordNativeCall(const OpSpec& op, const NativeCall& call) {
    RecordedCall recorded;
    recorded.kind = RecordedCall::Kind::Operation;
    recorded.hash = op.hash;
    recorded.op = &op;
    recorded.slots = call.slots;
    std::memcpy(recorded.result, call.result, sizeof recorded.result);
    if (op.result == ResultKind::String) {
        const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(call.result[0]));
        recorded.textResult = text != nullptr;
        recorded.text = text != nullptr ? text : "";
    }
    for (size_t i = 0; i < op.args.size(); ++i) {
        const void* address = call.Ptr<const void>(static_cast<int>(i));
        if (op.args[i] == ArgKind::String) {
            recorded.argumentTexts.push_back(address != nullptr ? static_cast<const char*>(address)
                                                                : "");
            continue;
        }
        if (address == nullptr) {
            continue;
        }
        const size_t size = WrittenBytes(op.args[i], address);
        if (size > 0) {
            const unsigned char* bytes = static_cast<const unsigned char*>(address);
            recorded.writes.push_back(
                RecordedCall::Write{static_cast<int>(i), {bytes, bytes + size}});
        }
    }
    Tap.recording->calls.push_back(std::move(recorded));
}

void RecordWait(uint32_t ms) {
    RecordedCall recorded;
    recorded.kind = RecordedCall::Kind::Wait;
    recorded.waitMs = ms;
    Tap.recording->calls.push_back(std::move(recorded));
}

void RecordKeyState(int key, int16_t state) {
    RecordedCall recorded;
    recorded.kind = RecordedCall::Kind::KeyState;
    recorded.key = key;
    recorded.keyState = state;
    Tap.recording->calls.push_back(std::move(recorded));
}

void RecordAllPeds(const int* handles, int count, int capacity) {
    RecordedCall recorded;
    recorded.kind = RecordedCall::Kind::AllPeds;
    recorded.capacity = capacity;
    if (handles != nullptr && count > 0) {
        recorded.peds.assign(handles, handles + count);
    }
    Tap.recording->calls.push_back(std::move(recorded));
}

//-----------------------------------------------------------------------------
// [SECTION] Replaying
//-----------------------------------------------------------------------------

uint64_t* ReplayNativeCall(NativeCall& call) {
    const RecordedCall* recorded = Next(RecordedCall::Kind::Operation, call.hash);
    if (recorded == nullptr || (Tap.check && !Matches(*recorded, call))) {
        return Zeros();
    }
    const size_t pushed = call.slots.size();
    for (const RecordedCall::Write& write : recorded->writes) {
        if (static_cast<size_t>(write.slot) < pushed) {
            if (void* address = call.Ptr<void>(write.slot)) {
                std::memcpy(address, write.bytes.data(), write.bytes.size());
            }
        }
    }
    Tap.answer[0] = recorded->textResult ? reinterpret_cast<uintptr_t>(recorded->text.c_str())
                                         : recorded->result[0];
    Tap.answer[1] = recorded->result[1];
    Tap.answer[2] = recorded->result[2];
    return Tap.answer;
}

void ReplayWait(uint32_t ms) {
    const RecordedCall* recorded = Next(RecordedCall::Kind::Wait, 0);
    if (recorded != nullptr && Tap.check && recorded->waitMs != ms) {
        Mismatch(*recorded, "a wait of another length");
    }
}

int16_t ReplayKeyState(int key) {
    const RecordedCall* recorded = Next(RecordedCall::Kind::KeyState, 0);
    if (recorded == nullptr) {
        return 0;
    }
    if (Tap.check && recorded->key != key) {
        Mismatch(*recorded, "another key");
        return 0;
    }
    return recorded->keyState;
}

int ReplayAllPeds(int* handles, int capacity) {
    const RecordedCall* recorded = Next(RecordedCall::Kind::AllPeds, 0);
    if (recorded == nullptr) {
        return 0;
    }
    if (Tap.check && recorded->capacity != capacity) {
        Mismatch(*recorded, "another capacity");
        return 0;
    }
    const int count = std::min(static_cast<int>(recorded->peds.size()), capacity);
    if (handles != nullptr && count > 0) {
        std::memcpy(handles, recorded->peds.data(), static_cast<size_t>(count) * sizeof(int));
    }
    return count;
}

}  // namespace sim

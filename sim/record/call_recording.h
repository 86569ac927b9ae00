// Recording the calls the script makes out of itself, and answering them
// again from the recording without a world.
//
// While recording, every host call the script makes (operations, waits, key
// states, the ped list) is kept with what the host answered: the result
// slots, the text behind a text result, and the bytes it wrote through the
// addresses the script passed. While replaying, the same host functions take
// the calls in the same order and answer each from the next recorded call:
// results are handed back and the recorded bytes are written through the
// addresses the script passes now. No world is touched and nothing is
// allocated, so what a replayed pass costs beyond the bare calls is the
// script's own work. The benchmarks measure the plug-in that way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"

namespace sim {

struct RecordedCall {
    enum class Kind : uint8_t { Operation, Wait, KeyState, AllPeds };
    Kind kind = Kind::Operation;

    // Operations.
    uint64_t hash = 0;
    const OpSpec* op = nullptr;
    std::vector<uint64_t> slots;  // as pushed; addresses as they were then
    uint64_t result[3] = {0, 0, 0};
    bool textResult = false;  // result[0] pointed at text, kept in `text`
    std::string text;
    // The texts behind the string arguments, for checking a replay.
    std::vector<std::string> argumentTexts;
    struct Write {
        int slot = 0;
        std::vector<unsigned char> bytes;
    };
    // What the host wrote through the address slots, after the call.
    std::vector<Write> writes;

    // Waits, key states and the ped list.
    uint32_t waitMs = 0;
    int key = 0;
    int16_t keyState = 0;
    int capacity = 0;
    std::vector<int32_t> peds;  // as written; the count is their number
};

struct CallRecording {
    std::vector<RecordedCall> calls;
};

namespace detail {
enum class CallTap : uint8_t { Off, Record, Replay };
extern CallTap callTap;
}  // namespace detail

inline bool RecordingCalls() {
    return detail::callTap == detail::CallTap::Record;
}
inline bool ReplayingCalls() {
    return detail::callTap == detail::CallTap::Replay;
}

// From now on every host call the script makes is appended to `into`, until
// StopCallTap. The calls still act on the attached world as always.
void StartRecording(CallRecording* into);

// From now on the host functions answer from `from`, in order, starting at
// its first call, until StopCallTap. With `check` each call is compared with
// the recorded one in full (kind, hash, every value slot, texts); without it
// only the kind and hash are, which is what the benchmarks' timed replays
// use. A call that does not match, or one past the end, is answered with
// zeros and marks the replay as gone astray.
void StartReplay(const CallRecording& from, bool check);

// Back to the world; ends recording or replaying.
void StopCallTap();

// Where the replay stands: calls answered so far, and the first mismatch.
size_t ReplayPosition();
bool ReplayWentAstray();
const std::string& ReplayMismatch();
// Starts the same replay again from its first call.
void RewindReplay();

// Hooks for the host functions.
void RecordNativeCall(const OpSpec& op, const NativeCall& call);
uint64_t* ReplayNativeCall(NativeCall& call);
void RecordWait(uint32_t ms);
void ReplayWait(uint32_t ms);
void RecordKeyState(int key, int16_t state);
int16_t ReplayKeyState(int key);
void RecordAllPeds(const int* handles, int count, int capacity);
int ReplayAllPeds(int* handles, int capacity);

}  // namespace sim

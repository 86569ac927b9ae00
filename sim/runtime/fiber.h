// The script fiber: a stack of its own that the frame loop switches into and
// the script switches out of. ucontext on Linux, with the AddressSanitizer
// fiber annotations so that a sanitizer build knows which stack is current;
// Win32 fibers on Windows.
//
// One fiber runs at a time; the thread that switches into a fiber is the one
// it switches back to.
#pragma once

namespace sim {

struct ScriptFiber;

// The stack a script fiber gets unless told otherwise: small, as a game's
// default fiber stack may be, so that a script that needs more crashes in
// our tests rather than in a player's game. Below it lies a guard page. The
// sanitizer's redzones need several times more.
#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_FIBER_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_FIBER_SANITIZED 1
#endif
#endif
#ifdef KORVANE_FIBER_SANITIZED
const unsigned long DefaultScriptStackBytes = 1024ul * 1024ul;
#else
const unsigned long DefaultScriptStackBytes = 64ul * 1024ul;
#endif

// A fiber that runs `entry` from its first switch, on a stack of
// `stackBytes` (rounded up to whole pages) with a guard page below it.
// `entry` must call `EnterFiber` first and must never return: it ends with
// `SwitchOutOfFiber(fiber, true)`.
ScriptFiber* NewScriptFiber(void (*entry)(), unsigned long stackBytes = DefaultScriptStackBytes);

// Frees a fiber that is not running; its stack is dropped as it is, nothing
// on it unwound, as a host drops a script's fiber on a game reload.
void DeleteScriptFiber(ScriptFiber* fiber);

// The most of its stack the fiber has used so far, in bytes: the stack is
// filled with a pattern when it is made, and this finds the lowest byte
// that no longer holds it. 0 before the fiber first runs.
unsigned long ScriptFiberStackUsed(const ScriptFiber* fiber);

// Completes the first switch into the fiber; the first call in `entry`.
void EnterFiber(ScriptFiber* fiber);

// From the frame loop: runs the fiber until it switches out.
void SwitchIntoFiber(ScriptFiber* fiber);

// From the fiber: back to the frame loop. `finished` says the fiber will
// never run again, which lets the sanitizer drop what it keeps for its stack.
void SwitchOutOfFiber(ScriptFiber* fiber, bool finished);

}  // namespace sim

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

// A fiber that runs `entry` from its first switch. `entry` must call
// `EnterFiber` first and must never return: it ends with
// `SwitchOutOfFiber(fiber, true)`.
ScriptFiber* NewScriptFiber(void (*entry)());

// Frees a fiber that is not running; its stack is dropped as it is.
void DeleteScriptFiber(ScriptFiber* fiber);

// Completes the first switch into the fiber; the first call in `entry`.
void EnterFiber(ScriptFiber* fiber);

// From the frame loop: runs the fiber until it switches out.
void SwitchIntoFiber(ScriptFiber* fiber);

// From the fiber: back to the frame loop. `finished` says the fiber will
// never run again, which lets the sanitizer drop what it keeps for its stack.
void SwitchOutOfFiber(ScriptFiber* fiber, bool finished);

}  // namespace sim

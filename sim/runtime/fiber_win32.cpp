#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "sim/runtime/fiber.h"

namespace sim {

namespace {

// What a fresh stack holds, so that the bytes a script has written can be
// told from those it never reached.
const unsigned char StackPattern = 0xA5;
// Left alone above the stack pointer when the fiber fills its own stack.
const SIZE_T FillMargin = 512;

}  // namespace

struct ScriptFiber {
    void* fiber = nullptr;
    void* caller = nullptr;
    void (*entry)() = nullptr;
    // The stack's usable bytes, learnt by the fiber itself when it starts:
    // from the lowest committed byte above the guard page to the top.
    unsigned char* low = nullptr;
    unsigned char* high = nullptr;
};

namespace {

// Fills the fiber's own stack, below where it stands now, with the pattern.
// Windows keeps a guard page at the bottom of the reserve, so the fill stops
// a page above the reserve's lowest address.
__attribute__((noinline)) void FillOwnStack(ScriptFiber* fiber) {
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    unsigned char* bottom = reinterpret_cast<unsigned char*>(low) + 2 * info.dwPageSize;
    volatile unsigned char here = 0;
    unsigned char* top = const_cast<unsigned char*>(&here) - FillMargin;
    for (unsigned char* p = top; p > bottom;) {
        // Page by page from the top, so that each guard page is met in order.
        --p;
        *reinterpret_cast<volatile unsigned char*>(p) = StackPattern;
    }
    fiber->low = bottom;
    fiber->high = reinterpret_cast<unsigned char*>(high);
}

VOID CALLBACK FiberStart(LPVOID parameter) {
    ScriptFiber* fiber = static_cast<ScriptFiber*>(parameter);
    FillOwnStack(fiber);
    fiber->entry();
}

}  // namespace

ScriptFiber* NewScriptFiber(void (*entry)(), unsigned long stackBytes) {
    ScriptFiber* fiber = new ScriptFiber;
    fiber->entry = entry;
    // The whole stack is reserved at this size; a script that needs more
    // overruns the guard page at its bottom and crashes the run.
    fiber->fiber = CreateFiberEx(stackBytes, stackBytes, 0, FiberStart, fiber);
    if (fiber->fiber == nullptr) {
        std::fprintf(stderr, "korvane-sim: cannot create the script fiber (error %lu)\n",
                     GetLastError());
        std::abort();
    }
    return fiber;
}

void DeleteScriptFiber(ScriptFiber* fiber) {
    if (fiber == nullptr) {
        return;
    }
    DeleteFiber(fiber->fiber);
    delete fiber;
}

unsigned long ScriptFiberStackUsed(const ScriptFiber* fiber) {
    if (fiber == nullptr || fiber->low == nullptr) {
        return 0;
    }
    const volatile unsigned char* p = fiber->low;
    while (p < fiber->high && *p == StackPattern) {
        ++p;
    }
    return static_cast<unsigned long>(fiber->high - p);
}

void EnterFiber(ScriptFiber*) {}

void SwitchIntoFiber(ScriptFiber* fiber) {
    if (!IsThreadAFiber()) {
        ConvertThreadToFiber(nullptr);
    }
// GetCurrentFiber reads the thread block through a zero-length array, which
// the optimiser's bounds check takes for an overrun.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    fiber->caller = GetCurrentFiber();
#pragma GCC diagnostic pop
    SwitchToFiber(fiber->fiber);
}

void SwitchOutOfFiber(ScriptFiber* fiber, bool) {
    SwitchToFiber(fiber->caller);
}

}  // namespace sim

#endif  // _WIN32

#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "sim/runtime/fiber.h"

namespace sim {

namespace {

const SIZE_T StackCommit = 64 * 1024;
const SIZE_T StackReserve = 8 * 1024 * 1024;

}  // namespace

struct ScriptFiber {
    void* fiber = nullptr;
    void* caller = nullptr;
    void (*entry)() = nullptr;
};

namespace {

VOID CALLBACK FiberStart(LPVOID parameter) {
    static_cast<ScriptFiber*>(parameter)->entry();
}

}  // namespace

ScriptFiber* NewScriptFiber(void (*entry)()) {
    ScriptFiber* fiber = new ScriptFiber;
    fiber->entry = entry;
    fiber->fiber = CreateFiberEx(StackCommit, StackReserve, 0, FiberStart, fiber);
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

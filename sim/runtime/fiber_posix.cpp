#ifndef _WIN32

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "sim/runtime/fiber.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN_FIBERS 1
#endif
#endif

#ifdef KORVANE_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace sim {

namespace {

// Plenty for the script's deepest calls; the sanitizer's redzones and fake
// frames need several times more. The pages are only touched when used.
#ifdef KORVANE_ASAN_FIBERS
const size_t StackSize = size_t(32) << 20;
#else
const size_t StackSize = size_t(8) << 20;
#endif

void StartSwitch(void** fakeStackSave, const void* bottom, size_t size) {
#ifdef KORVANE_ASAN_FIBERS
    __sanitizer_start_switch_fiber(fakeStackSave, bottom, size);
#else
    (void)fakeStackSave;
    (void)bottom;
    (void)size;
#endif
}

void FinishSwitch(void* fakeStackSave, const void** bottomOld, size_t* sizeOld) {
#ifdef KORVANE_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(fakeStackSave, bottomOld, sizeOld);
#else
    (void)fakeStackSave;
    (void)bottomOld;
    (void)sizeOld;
#endif
}

}  // namespace

struct ScriptFiber {
    ucontext_t context;
    ucontext_t caller;
    char* mapping = nullptr;  // guard page, then the stack
    size_t mappingSize = 0;
    char* stack = nullptr;
    size_t stackSize = 0;
    // The caller's stack, learnt on the switch into the fiber, for the
    // sanitizer's bookkeeping on the way back.
    const void* callerBottom = nullptr;
    size_t callerSize = 0;
};

ScriptFiber* NewScriptFiber(void (*entry)()) {
    ScriptFiber* fiber = new ScriptFiber;
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    fiber->mappingSize = StackSize + page;
    void* mapping = mmap(nullptr, fiber->mappingSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        std::perror("korvane-sim: cannot map the script fiber's stack");
        std::abort();
    }
    fiber->mapping = static_cast<char*>(mapping);
    // An overflow hits the guard page instead of the heap.
    mprotect(fiber->mapping, page, PROT_NONE);
    fiber->stack = fiber->mapping + page;
    fiber->stackSize = StackSize;

    getcontext(&fiber->context);
    fiber->context.uc_stack.ss_sp = fiber->stack;
    fiber->context.uc_stack.ss_size = fiber->stackSize;
    fiber->context.uc_link = nullptr;
    makecontext(&fiber->context, entry, 0);
    return fiber;
}

void DeleteScriptFiber(ScriptFiber* fiber) {
    if (fiber == nullptr) {
        return;
    }
    munmap(fiber->mapping, fiber->mappingSize);
    delete fiber;
}

void EnterFiber(ScriptFiber* fiber) {
    FinishSwitch(nullptr, &fiber->callerBottom, &fiber->callerSize);
}

void SwitchIntoFiber(ScriptFiber* fiber) {
    void* fakeStack = nullptr;
    StartSwitch(&fakeStack, fiber->stack, fiber->stackSize);
    swapcontext(&fiber->caller, &fiber->context);
    FinishSwitch(fakeStack, nullptr, nullptr);
}

void SwitchOutOfFiber(ScriptFiber* fiber, bool finished) {
    void* fakeStack = nullptr;
    // A null save slot tells the sanitizer this stack is done with.
    StartSwitch(finished ? nullptr : &fakeStack, fiber->callerBottom, fiber->callerSize);
    swapcontext(&fiber->context, &fiber->caller);
    FinishSwitch(fakeStack, &fiber->callerBottom, &fiber->callerSize);
}

}  // namespace sim

#endif  // !_WIN32

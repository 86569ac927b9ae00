#ifndef _WIN32

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/runtime/fiber.h"

#ifdef KORVANE_FIBER_SANITIZED
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace sim {

namespace {

// What a fresh stack holds, so that the bytes a script has written can be
// told from those it never reached.
const unsigned char StackPattern = 0xA5;

void StartSwitch(void** fakeStackSave, const void* bottom, size_t size) {
#ifdef KORVANE_FIBER_SANITIZED
    __sanitizer_start_switch_fiber(fakeStackSave, bottom, size);
#else
    (void)fakeStackSave;
    (void)bottom;
    (void)size;
#endif
}

void FinishSwitch(void* fakeStackSave, const void** bottomOld, size_t* sizeOld) {
#ifdef KORVANE_FIBER_SANITIZED
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

ScriptFiber* NewScriptFiber(void (*entry)(), unsigned long stackBytes) {
    ScriptFiber* fiber = new ScriptFiber;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t stackSize = (static_cast<size_t>(stackBytes) + page - 1) / page * page;
    fiber->mappingSize = stackSize + page;
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
    fiber->stackSize = stackSize;
    std::memset(fiber->stack, StackPattern, stackSize);

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
#ifdef KORVANE_FIBER_SANITIZED
    // A fiber dropped mid-call leaves its frames' redzones poisoned; the next
    // mapping at these addresses must not inherit them.
    __asan_unpoison_memory_region(fiber->stack, fiber->stackSize);
#endif
    munmap(fiber->mapping, fiber->mappingSize);
    delete fiber;
}

#ifdef KORVANE_FIBER_SANITIZED
__attribute__((no_sanitize("address")))
#endif
unsigned long
ScriptFiberStackUsed(const ScriptFiber* fiber) {
    if (fiber == nullptr) {
        return 0;
    }
    // The stack grows down: the deepest use is the lowest changed byte. Read
    // as plain bytes, since the sanitizer may have poisoned parts of it.
    const volatile unsigned char* bytes = reinterpret_cast<unsigned char*>(fiber->stack);
    size_t untouched = 0;
    while (untouched < fiber->stackSize && bytes[untouched] == StackPattern) {
        ++untouched;
    }
    return static_cast<unsigned long>(fiber->stackSize - untouched);
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

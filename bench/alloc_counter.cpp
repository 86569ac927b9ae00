// Counting heap allocations: this program replaces the global operator new
// (the plug-in's C++ allocations) and the C library's malloc, calloc and
// realloc (what the C library allocates itself, such as the record behind a
// FILE that fopen opens). Both forward to the C library's allocator and count
// a call only while the gate says so.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "bench/bench.h"
#include "sim/runtime/host_runtime.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

bench::AllocationGate Gate = bench::AllocationGate::Off;
int64_t CxxAllocations = 0;
int64_t CAllocations = 0;

bool Counting() {
    switch (Gate) {
        case bench::AllocationGate::Off:
            return false;
        case bench::AllocationGate::OutsideHostCalls:
            return !sim::InsideHostCall();
        case bench::AllocationGate::ScriptCode:
            return sim::ScriptCodeRunning();
    }
    return false;
}

void* NewBlock(size_t size) {
    if (Counting()) {
        ++CxxAllocations;
    }
    void* block = __libc_malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* NewAlignedBlock(size_t size, std::align_val_t alignment) {
    if (Counting()) {
        ++CxxAllocations;
    }
    void* block = __libc_memalign(static_cast<size_t>(alignment), size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

namespace bench {

void SetAllocationGate(AllocationGate gate) {
    Gate = gate;
}

AllocationCount AllocationsCounted() {
    return AllocationCount{CxxAllocations, CAllocations};
}

void ResetAllocationCount() {
    CxxAllocations = 0;
    CAllocations = 0;
}

}  // namespace bench

extern "C" void* malloc(size_t size) {
    if (Counting()) {
        ++CAllocations;
    }
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
    if (Counting()) {
        ++CAllocations;
    }
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
    if (Counting()) {
        ++CAllocations;
    }
    return __libc_realloc(block, size);
}

extern "C" void free(void* block) {
    __libc_free(block);
}

void* operator new(size_t size) {
    return NewBlock(size);
}
void* operator new[](size_t size) {
    return NewBlock(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return NewBlock(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return NewBlock(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void operator delete(void* block) noexcept {
    __libc_free(block);
}
void operator delete[](void* block) noexcept {
    __libc_free(block);
}
void operator delete(void* block, size_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, size_t) noexcept {
    __libc_free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    __libc_free(block);
}

// The global operator new and delete of the programs that run the plug-in on
// Linux: the C library's allocator, except that an allocation of the
// script's own code may be refused (see script_allocations.h). The plug-in
// library that korvane-sim loads takes these too, since the program's own
// definitions come first when the loader binds its references.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "sim/runtime/script_allocations.h"

namespace {

void* NewBlock(size_t size) {
    if (sim::RefuseThisAllocation()) {
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* NewAlignedBlock(size_t size, std::align_val_t alignment) {
    if (sim::RefuseThisAllocation()) {
        throw std::bad_alloc();
    }
    const size_t align = static_cast<size_t>(alignment);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const size_t rounded = (size == 0 ? 1 : size + align - 1) / align * align;
    void* block = std::aligned_alloc(align, rounded);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* NoThrow(void* (*allocate)(size_t), size_t size) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(size_t size) {
    return NewBlock(size);
}
void* operator new[](size_t size) {
    return NewBlock(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return NoThrow(NewBlock, size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return NoThrow(NewBlock, size);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    std::free(block);
}

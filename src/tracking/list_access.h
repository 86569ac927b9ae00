// Bounds-checked access to the tracked lists and to the host's buffers.
//
// Host calls made during a walk can shorten a list (the target picks drop the
// 0 entries they meet) or clear a slot through its address, so every access
// goes by index against the size at that moment and never through a held
// reference or iterator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/types.h"

// The entry at `index`, or 0 when the index is outside the list.
inline EntityHandle EntryAt(const std::vector<EntityHandle>& list, int64_t index) {
    if (index < 0 || static_cast<uint64_t>(index) >= list.size()) {
        return 0;
    }
    return list[static_cast<size_t>(index)];
}

// Erases the slot at `index`, shifting the later entries down; does nothing
// when the index is outside the list.
inline void RemoveAt(std::vector<EntityHandle>& list, int64_t index) {
    if (index < 0 || static_cast<uint64_t>(index) >= list.size()) {
        return;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

// The list's size as the upper end of a random draw.
inline int32_t DrawRange(const std::vector<EntityHandle>& list) {
    const size_t limit = static_cast<size_t>(INT32_MAX);
    return static_cast<int32_t>(list.size() < limit ? list.size() : limit);
}

// A count the host reports for a buffer of `capacity` entries, kept within
// 0..capacity so that a bad count never makes us read outside the buffer.
inline int ClampedCount(int reported, int capacity) {
    if (reported < 0) {
        return 0;
    }
    return reported > capacity ? capacity : reported;
}

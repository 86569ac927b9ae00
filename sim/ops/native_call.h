// One native call as the substitute host receives it: the hash, the pushed
// argument slots and the result slots the operation fills.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "sim/world/world.h"

namespace sim {

// The most argument slots any operation takes (TaskPlaneMission has 14).
constexpr int MaxArgumentSlots = 16;

struct NativeCall {
    uint64_t hash = 0;
    std::vector<uint64_t> slots;
    // Result slots: one for scalars and text, three (24 bytes) for a Vec3.
    uint64_t result[3] = {0, 0, 0};

    int32_t Int(int i) const { return static_cast<int32_t>(static_cast<uint32_t>(slots[i])); }
    uint32_t Hash(int i) const { return static_cast<uint32_t>(slots[i]); }
    bool Bool(int i) const { return static_cast<uint32_t>(slots[i]) != 0; }
    float Float(int i) const {
        uint32_t bits = static_cast<uint32_t>(slots[i]);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    const char* Str(int i) const { return reinterpret_cast<const char*>(slots[i]); }
    template <class T>
    T* Ptr(int i) const {
        return reinterpret_cast<T*>(slots[i]);
    }

    void ReturnInt(int32_t v) { result[0] = static_cast<uint32_t>(v); }
    void ReturnHash(uint32_t v) { result[0] = v; }
    void ReturnBool(bool v) { result[0] = v ? 1u : 0u; }
    void ReturnFloat(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        result[0] = bits;
    }
    void ReturnVec(Vec v) {
        std::memset(result, 0, sizeof result);
        std::memcpy(reinterpret_cast<char*>(result) + 0, &v.x, 4);
        std::memcpy(reinterpret_cast<char*>(result) + 8, &v.y, 4);
        std::memcpy(reinterpret_cast<char*>(result) + 16, &v.z, 4);
    }
    // The text must outlive the call's use by the plug-in (until the next call).
    void ReturnText(const char* text) { result[0] = reinterpret_cast<uintptr_t>(text); }
};

// Writes a Vec3 out-parameter: floats at bytes 0, 8 and 16, padding zeroed.
inline void WriteVec3(void* address, Vec v) {
    char* p = static_cast<char*>(address);
    std::memset(p, 0, 24);
    std::memcpy(p + 0, &v.x, 4);
    std::memcpy(p + 8, &v.y, 4);
    std::memcpy(p + 16, &v.z, 4);
}

}  // namespace sim

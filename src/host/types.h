// Types shared by the whole plug-in and its host protocol.
#pragma once

#include <cstdint>

// Handle of a game entity (ped, vehicle or other); 0 means none. Handles are
// never owned and may go stale at any yield.
typedef int32_t EntityHandle;

// Model, weapon or relationship-group identifier, always from GetHashKey.
typedef uint32_t ModelHash;

// The host's position/velocity record: three floats at bytes 0, 8 and 16,
// each followed by four bytes of padding, 24 bytes in all.
struct Vec3 {
    float x = 0.0f;
    uint32_t padX = 0;
    float y = 0.0f;
    uint32_t padY = 0;
    float z = 0.0f;
    uint32_t padZ = 0;
};
static_assert(sizeof(Vec3) == 24, "the host reads and writes Vec3 as 24 bytes");

inline Vec3 MakeVec3(float x, float y, float z) {
    Vec3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

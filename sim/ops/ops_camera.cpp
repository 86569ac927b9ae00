// The gameplay camera and ray tests.
#include <cmath>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

// A ray hits an entity that comes this close to it.
constexpr double kRayHitRadius = 2.0;

// Ray test results: 2 ready (the host finishes a ray at once), 0 unknown.
constexpr int32_t kShapeTestReady = 2;
constexpr int32_t kShapeTestUnknown = 0;

}  // namespace

void Op_GetGameplayCamPosition(World& world, NativeCall& call) {
    call.ReturnVec(world.camera.position);
}

void Op_GetGameplayCamRotation(World& world, NativeCall& call) {
    call.ReturnVec(world.camera.rotation);
}

// Hits the entity nearest along the ray among those within about 2 m of it
// (except the one to ignore).
void Op_StartShapeTestRay(World& world, NativeCall& call) {
    const Vec from{call.Float(0), call.Float(1), call.Float(2)};
    const Vec to{call.Float(3), call.Float(4), call.Float(5)};
    const int32_t ignore = call.Int(7);
    const double d[3] = {static_cast<double>(to.x) - from.x, static_cast<double>(to.y) - from.y,
                         static_cast<double>(to.z) - from.z};
    const double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];

    ShapeTestResult result;
    result.endPosition = to;
    double best = 2.0;  // along the ray, 0..1
    for (const auto& [handle, e] : world.entities) {
        if (handle == ignore || length2 <= 0.0) {
            continue;
        }
        const double p[3] = {static_cast<double>(e.position.x) - from.x,
                             static_cast<double>(e.position.y) - from.y,
                             static_cast<double>(e.position.z) - from.z};
        double t = (p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / length2;
        t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
        const double q[3] = {from.x + t * d[0], from.y + t * d[1], from.z + t * d[2]};
        const double off[3] = {e.position.x - q[0], e.position.y - q[1], e.position.z - q[2]};
        const double miss = std::sqrt(off[0] * off[0] + off[1] * off[1] + off[2] * off[2]);
        if (miss <= kRayHitRadius && t < best) {
            best = t;
            const double length = std::sqrt(length2);
            result.hit = true;
            result.entity = handle;
            result.endPosition =
                Vec{static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])};
            result.surfaceNormal =
                Vec{static_cast<float>(-d[0] / length), static_cast<float>(-d[1] / length),
                    static_cast<float>(-d[2] / length)};
        }
    }
    const int handle = world.nextShapeTest++;
    world.shapeTests[handle] = result;
    world.shapeTestHits[handle] = result.entity;
    // Results are kept for the latest rays only, as the game keeps few.
    const int Kept = 64;
    world.shapeTests.erase(handle - Kept);
    world.shapeTestHits.erase(handle - Kept);
    call.ReturnInt(handle);
}

void Op_GetShapeTestResult(World& world, NativeCall& call) {
    auto it = world.shapeTests.find(call.Int(0));
    const ShapeTestResult result = it == world.shapeTests.end() ? ShapeTestResult{} : it->second;
    if (int32_t* hit = call.Ptr<int32_t>(1)) {
        *hit = result.hit ? 1 : 0;
    }
    if (void* end = call.Ptr<void>(2)) {
        WriteVec3(end, result.endPosition);
    }
    if (void* normal = call.Ptr<void>(3)) {
        WriteVec3(normal, result.surfaceNormal);
    }
    if (int32_t* entity = call.Ptr<int32_t>(4)) {
        *entity = result.entity;
    }
    call.ReturnInt(it == world.shapeTests.end() ? kShapeTestUnknown : kShapeTestReady);
}

}  // namespace sim

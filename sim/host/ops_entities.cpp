// Entities: existence, position and motion, visibility, damage, line of
// sight, deletion and release, control.
#include <algorithm>
#include <cmath>

#include "host/op_table.h"
#include "host/ops_common.h"

namespace sim {

namespace {

// Whether the segment a-b crosses the rectangle on the ground plane.
bool SegmentCrossesArea(Vec a, Vec b, const RoadArea& area) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double d[2] = {static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y};
    const double start[2] = {a.x, a.y};
    const double lo[2] = {area.minX, area.minY};
    const double hi[2] = {area.maxX, area.maxY};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0.0) {
            if (start[axis] < lo[axis] || start[axis] > hi[axis]) {
                return false;
            }
            continue;
        }
        double ta = (lo[axis] - start[axis]) / d[axis];
        double tb = (hi[axis] - start[axis]) / d[axis];
        if (ta > tb) {
            std::swap(ta, tb);
        }
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) {
            return false;
        }
    }
    return true;
}

}  // namespace

void Op_EntityExists(World& world, NativeCall& call) {
    call.ReturnBool(FindEntity(world, call.Int(0)) != nullptr);
}

void Op_GetEntityPosition(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnVec(e ? e->position : Vec{});
}

void Op_GetEntityHeading(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnFloat(e ? e->heading : 0.0f);
}

void Op_GetEntityHeightAboveGround(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnFloat(e ? e->position.z - world.groundZ : 0.0f);
}

void Op_GetEntityModel(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnHash(e ? e->model : 0u);
}

void Op_GetEntitySpeed(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnFloat(e ? Distance(Vec{}, e->velocity) : 0.0f);
}

void Op_GetEntityVelocity(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnVec(e ? e->velocity : Vec{});
}

void Op_SetEntityVelocity(World& world, NativeCall& call) {
    if (Entity* e = FindEntity(world, call.Int(0))) {
        e->velocity = Vec{call.Float(1), call.Float(2), call.Float(3)};
    }
}

void Op_IsEntityOnScreen(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnBool(e && IsEntityVisible(world, *e));
}

void Op_IsEntityDead(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnBool(e && !e->alive);
}

void Op_IsEntityAPed(World& world, NativeCall& call) {
    call.ReturnBool(FindPed(world, call.Int(0)) != nullptr);
}

void Op_IsEntityAVehicle(World& world, NativeCall& call) {
    call.ReturnBool(FindVehicle(world, call.Int(0)) != nullptr);
}

void Op_HasClearLineOfSight(World& world, NativeCall& call) {
    const Entity* from = FindEntity(world, call.Int(0));
    const Entity* to = FindEntity(world, call.Int(1));
    if (!from || !to) {
        call.ReturnBool(false);
        return;
    }
    if (Distance(from->position, to->position) > world.lineOfSightDistance) {
        call.ReturnBool(false);
        return;
    }
    const float lowest = std::min(from->position.z, to->position.z);
    for (const SightBlocker& blocker : world.sightBlockers) {
        if (lowest < blocker.height &&
            SegmentCrossesArea(from->position, to->position, blocker.area)) {
            call.ReturnBool(false);
            return;
        }
    }
    call.ReturnBool(true);
}

void Op_HasEntityBeenDamagedByAnyVehicle(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnBool(e && e->damagedByVehicle);
}

void Op_HasEntityBeenDamagedByAnyPed(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnBool(e && e->damagedByPed);
}

void Op_DeleteEntity(World& world, NativeCall& call) {
    DeleteThroughRef(world, call, nullptr);
}

void Op_SetEntityNoLongerNeeded(World& world, NativeCall& call) {
    ReleaseThroughRef(world, call, nullptr);
}

void Op_SetEntityRecordsCollisions(World& world, NativeCall& call) {
    if (Entity* e = FindEntity(world, call.Int(0))) {
        e->recordsCollisions = call.Bool(1);
    }
}

void Op_HasControlOfEntity(World& world, NativeCall& call) {
    const Entity* e = FindEntity(world, call.Int(0));
    call.ReturnBool(e && e->scriptControlled);
}

// Control is granted after `controlDelayFrames` requests.
void Op_RequestControlOfEntity(World& world, NativeCall& call) {
    Entity* e = FindEntity(world, call.Int(0));
    if (!e) {
        call.ReturnBool(false);
        return;
    }
    if (!e->scriptControlled) {
        if (e->controlDelayFrames > 0) {
            --e->controlDelayFrames;
        }
        if (e->controlDelayFrames <= 0) {
            e->scriptControlled = true;
        }
    }
    call.ReturnBool(e->scriptControlled);
}

}  // namespace sim

// Entities: existence, position and motion, visibility, damage, line of
// sight, deletion and release, control.
#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

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
    call.ReturnBool(from && to && HasLineOfSight(world, *from, *to));
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

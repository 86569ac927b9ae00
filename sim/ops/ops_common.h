// What the operation implementations share: typed entity lookups, model facts
// of entities, tasks, releasing and deleting through a handle's address, and
// the creation of peds and vehicles on the script's behalf.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "sim/ops/native_call.h"
#include "sim/world/world.h"

namespace sim {

// Lookups that also check the kind; null otherwise.
inline Entity* FindPed(World& world, int32_t handle) {
    Entity* e = FindEntity(world, handle);
    return e && e->kind == EntityKind::Ped ? e : nullptr;
}
inline Entity* FindVehicle(World& world, int32_t handle) {
    Entity* e = FindEntity(world, handle);
    return e && e->kind == EntityKind::Vehicle ? e : nullptr;
}

// The vehicle type of a model; Car for a model known only by name.
VehicleType ModelType(const World& world, uint32_t model);
bool IsCarType(VehicleType type);       // cars, amphibious cars and the submarine car
bool IsQuadbikeType(VehicleType type);  // quad bikes, amphibious ones too
bool IsAircraftType(VehicleType type);  // planes and helicopters

// The vehicle a ped sits in, null on foot.
Entity* VehicleOf(World& world, const Entity& ped);

// Records a task on a ped. A task the ped follows (driving, flying, chasing,
// combat, parachuting) becomes its active task.
TaskRecord& GiveTask(World& world, Entity& ped, const char* name,
                     std::initializer_list<double> values, bool follow);
// The task the ped follows, null if none.
const TaskRecord* ActiveTask(const Entity& ped);

// Hands an entity back to the world's ambient management; counts it once.
void ReleaseToWorld(World& world, Entity& entity);

// Release and delete through the address of the caller's handle variable.
// `kind` null accepts any entity. Delete writes 0 into the variable; release
// leaves it as it was. The player's ped is never removed.
void ReleaseThroughRef(World& world, NativeCall& call, const EntityKind* kind);
void DeleteThroughRef(World& world, NativeCall& call, const EntityKind* kind);

// A ped created for the script: a mission entity, counted in the stats.
int32_t CreateScriptPed(World& world, uint32_t model, int pedType, Vec position);

// A random ped type and model for a driver of `vehicle` (police in police
// vehicles, army in military ones, civilians elsewhere), unless the scenario
// draws the types of random drivers from a list of its own.
void RandomDriverFor(World& world, const Entity* vehicle, int* pedType, uint32_t* model);
// The same, always of the type that suits the vehicle.
void SuitableDriverFor(World& world, const Entity* vehicle, int* pedType, uint32_t* model);
// A random civilian.
void RandomCivilian(World& world, int* pedType, uint32_t* model);

// Keeps the text for the plug-in until the next text result.
const char* KeepText(World& world, const std::string& text);

}  // namespace sim

// The host's own table of the game operations it implements: name, hash, the
// kind of every argument slot, and the result kind. The dispatcher checks each
// call's slot count against it, decodes the arguments for the trace and calls
// the implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/ops/native_call.h"
#include "sim/world/world.h"

namespace sim {

enum class ArgKind {
    Int,
    Bool,
    Handle,
    Hash,
    Float,
    String,         // address of NUL-terminated text
    HandleRef,      // address of the caller's handle variable (delete and release)
    HandleOut,      // address of a 32-bit handle the host writes
    Vec3Out,        // address of a 24-byte Vec3 the host writes
    FloatOut,       // address of a 32-bit float the host writes
    IntOut,         // address of a 32-bit int the host writes
    BoolOut,        // address of a 32-bit bool the host writes
    VehicleBuffer,  // int32 array: capacity in the first 8-byte slot, handles after
};

enum class ResultKind { None, Int, Bool, Handle, Hash, Float, Vec3, String };

using OpImpl = void (*)(World& world, NativeCall& call);

struct OpSpec {
    const char* name;
    uint64_t hash;
    std::vector<ArgKind> args;
    ResultKind result;
    OpImpl impl;
};

const std::vector<OpSpec>& OpTable();

namespace detail {

// The operations by hash in an open-addressed table: the dispatcher looks
// one up for every call the plug-in makes, so this is on the hottest path.
struct OpIndex {
    static constexpr int Bits = 9;  // 512 places for about 140 operations
    static constexpr size_t Size = size_t{1} << Bits;
    struct Place {
        uint64_t hash = 0;
        const OpSpec* op = nullptr;
    };
    Place places[Size];

    static size_t Home(uint64_t hash) {
        return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ULL) >> (64 - Bits));
    }
    OpIndex();
    const OpSpec* Find(uint64_t hash) const {
        for (size_t i = Home(hash);; i = (i + 1) & (Size - 1)) {
            const Place& place = places[i];
            if (place.hash == hash || place.op == nullptr) {
                return place.op;
            }
        }
    }
};

// Built when the host library starts, before anything can call.
extern const OpIndex& opIndex;

}  // namespace detail

// Null for a hash the host does not know.
inline const OpSpec* FindOp(uint64_t hash) {
    return detail::opIndex.Find(hash);
}

// Implementations, one per operation (ops_*.cpp).
void Op_EntityExists(World& world, NativeCall& call);
void Op_GetEntityPosition(World& world, NativeCall& call);
void Op_GetEntityHeading(World& world, NativeCall& call);
void Op_GetEntityHeightAboveGround(World& world, NativeCall& call);
void Op_GetEntityModel(World& world, NativeCall& call);
void Op_GetEntitySpeed(World& world, NativeCall& call);
void Op_GetEntityVelocity(World& world, NativeCall& call);
void Op_SetEntityVelocity(World& world, NativeCall& call);
void Op_IsEntityOnScreen(World& world, NativeCall& call);
void Op_IsEntityDead(World& world, NativeCall& call);
void Op_IsEntityAPed(World& world, NativeCall& call);
void Op_IsEntityAVehicle(World& world, NativeCall& call);
void Op_HasClearLineOfSight(World& world, NativeCall& call);
void Op_HasEntityBeenDamagedByAnyVehicle(World& world, NativeCall& call);
void Op_HasEntityBeenDamagedByAnyPed(World& world, NativeCall& call);
void Op_DeleteEntity(World& world, NativeCall& call);
void Op_SetEntityNoLongerNeeded(World& world, NativeCall& call);
void Op_SetEntityRecordsCollisions(World& world, NativeCall& call);
void Op_HasControlOfEntity(World& world, NativeCall& call);
void Op_RequestControlOfEntity(World& world, NativeCall& call);
void Op_GetPlayerPed(World& world, NativeCall& call);
void Op_SetPedNoLongerNeeded(World& world, NativeCall& call);
void Op_DeletePed(World& world, NativeCall& call);
void Op_IsPedHuman(World& world, NativeCall& call);
void Op_IsPedDeadOrDying(World& world, NativeCall& call);
void Op_IsPedInAnyVehicle(World& world, NativeCall& call);
void Op_GetVehiclePedIsUsing(World& world, NativeCall& call);
void Op_IsPedInAnyPlane(World& world, NativeCall& call);
void Op_IsPedInAnyHeli(World& world, NativeCall& call);
void Op_IsPedInAnyPoliceVehicle(World& world, NativeCall& call);
void Op_IsPedFleeing(World& world, NativeCall& call);
void Op_IsPedFalling(World& world, NativeCall& call);
void Op_IsPedRagdoll(World& world, NativeCall& call);
void Op_IsPedInCombat(World& world, NativeCall& call);
void Op_IsPedOnSpecificVehicle(World& world, NativeCall& call);
void Op_GetPedType(World& world, NativeCall& call);
void Op_GetPedParachuteState(World& world, NativeCall& call);
void Op_GetPedMaxHealth(World& world, NativeCall& call);
void Op_SetPedMaxHealth(World& world, NativeCall& call);
void Op_SetPedCanRagdoll(World& world, NativeCall& call);
void Op_SetPedRandomComponentVariation(World& world, NativeCall& call);
void Op_SetPedRandomProps(World& world, NativeCall& call);
void Op_GiveDelayedWeaponToPed(World& world, NativeCall& call);
void Op_SetCurrentPedVehicleWeapon(World& world, NativeCall& call);
void Op_SetPedRelationshipGroupHash(World& world, NativeCall& call);
void Op_SetBlockingOfNonTemporaryEvents(World& world, NativeCall& call);
void Op_SetPedFleeAttributes(World& world, NativeCall& call);
void Op_SetPedCombatAttributes(World& world, NativeCall& call);
void Op_SetPedKeepTask(World& world, NativeCall& call);
void Op_CanCreateRandomPed(World& world, NativeCall& call);
void Op_CreateRandomPed(World& world, NativeCall& call);
void Op_CreateRandomPedAsDriver(World& world, NativeCall& call);
void Op_CreatePedInsideVehicle(World& world, NativeCall& call);
void Op_GetSafeCoordForPed(World& world, NativeCall& call);
void Op_ClearPedTasks(World& world, NativeCall& call);
void Op_ClearPedSecondaryTask(World& world, NativeCall& call);
void Op_ClearPedTasksImmediately(World& world, NativeCall& call);
void Op_TaskWarpPedIntoVehicle(World& world, NativeCall& call);
void Op_TaskVehicleDriveWander(World& world, NativeCall& call);
void Op_TaskHeliMission(World& world, NativeCall& call);
void Op_TaskPlaneMission(World& world, NativeCall& call);
void Op_TaskPlaneChase(World& world, NativeCall& call);
void Op_TaskHeliChase(World& world, NativeCall& call);
void Op_TaskCombatPed(World& world, NativeCall& call);
void Op_TaskParachuteToTarget(World& world, NativeCall& call);
void Op_GetPlayersLastVehicle(World& world, NativeCall& call);
void Op_CreateVehicle(World& world, NativeCall& call);
void Op_SetVehicleNoLongerNeeded(World& world, NativeCall& call);
void Op_DeleteVehicle(World& world, NativeCall& call);
void Op_GetPedInVehicleSeat(World& world, NativeCall& call);
void Op_IsVehicleSeatFree(World& world, NativeCall& call);
void Op_GetVehicleNumberOfPassengers(World& world, NativeCall& call);
void Op_GetVehicleModelNumberOfSeats(World& world, NativeCall& call);
void Op_IsVehicleDriveable(World& world, NativeCall& call);
void Op_IsVehicleAttachedToTrailer(World& world, NativeCall& call);
void Op_DoesVehicleHaveWeapons(World& world, NativeCall& call);
void Op_SetVehicleShootAtTarget(World& world, NativeCall& call);
void Op_SetVehicleNumberPlateText(World& world, NativeCall& call);
void Op_GetVehicleNumberPlateText(World& world, NativeCall& call);
void Op_SetVehicleEngineOn(World& world, NativeCall& call);
void Op_SetVehicleForwardSpeed(World& world, NativeCall& call);
void Op_SetVehicleOnGroundProperly(World& world, NativeCall& call);
void Op_SetHeliBladesFullSpeed(World& world, NativeCall& call);
void Op_ControlLandingGear(World& world, NativeCall& call);
void Op_GetRandomVehicleInSphere(World& world, NativeCall& call);
void Op_GetPedNearbyVehicles(World& world, NativeCall& call);
void Op_GetDisplayNameFromVehicleModel(World& world, NativeCall& call);
void Op_GetHashKey(World& world, NativeCall& call);
void Op_IsModelValid(World& world, NativeCall& call);
void Op_IsModelAVehicle(World& world, NativeCall& call);
void Op_RequestModel(World& world, NativeCall& call);
void Op_HasModelLoaded(World& world, NativeCall& call);
void Op_SetModelAsNoLongerNeeded(World& world, NativeCall& call);
void Op_GetNumberOfStreamingRequests(World& world, NativeCall& call);
void Op_SetVehicleModelIsSuppressed(World& world, NativeCall& call);
void Op_IsThisModelAPlane(World& world, NativeCall& call);
void Op_IsThisModelAHeli(World& world, NativeCall& call);
void Op_IsThisModelACar(World& world, NativeCall& call);
void Op_IsThisModelABike(World& world, NativeCall& call);
void Op_IsThisModelAQuadbike(World& world, NativeCall& call);
void Op_ApplyPassStartOption(World& world, NativeCall& call);
void Op_SetCreateRandomCops(World& world, NativeCall& call);
void Op_RemoveScenarioBlockingAreas(World& world, NativeCall& call);
void Op_SetAllVehicleGeneratorsActive(World& world, NativeCall& call);
void Op_SetAllLowPriorityVehicleGeneratorsActive(World& world, NativeCall& call);
void Op_ApplyPlayerAreaOption(World& world, NativeCall& call);
void Op_SetScenarioPedDensityMultiplierThisFrame(World& world, NativeCall& call);
void Op_SetPedDensityMultiplierThisFrame(World& world, NativeCall& call);
void Op_SetVehiclePopulationBudget(World& world, NativeCall& call);
void Op_SetPedPopulationBudget(World& world, NativeCall& call);
void Op_SetVehicleDensityMultiplierThisFrame(World& world, NativeCall& call);
void Op_SetRandomVehicleDensityMultiplierThisFrame(World& world, NativeCall& call);
void Op_PopulateNow(World& world, NativeCall& call);
void Op_GetNthClosestVehicleNodeWithHeading(World& world, NativeCall& call);
void Op_IsPointOnRoad(World& world, NativeCall& call);
void Op_IsSphereVisible(World& world, NativeCall& call);
void Op_GetDistanceBetweenCoords(World& world, NativeCall& call);
void Op_GetGameplayCamPosition(World& world, NativeCall& call);
void Op_GetGameplayCamRotation(World& world, NativeCall& call);
void Op_StartShapeTestRay(World& world, NativeCall& call);
void Op_GetShapeTestResult(World& world, NativeCall& call);
void Op_SetTextFont(World& world, NativeCall& call);
void Op_SetTextScale(World& world, NativeCall& call);
void Op_SetTextColour(World& world, NativeCall& call);
void Op_SetTextWrap(World& world, NativeCall& call);
void Op_SetTextCentre(World& world, NativeCall& call);
void Op_SetTextDropShadow(World& world, NativeCall& call);
void Op_SetTextEdge(World& world, NativeCall& call);
void Op_BeginTextEntry(World& world, NativeCall& call);
void Op_AddTextComponentString(World& world, NativeCall& call);
void Op_DrawText(World& world, NativeCall& call);
void Op_DrawLine(World& world, NativeCall& call);
void Op_GetRandomIntInRange(World& world, NativeCall& call);
void Op_GetTimerA(World& world, NativeCall& call);
void Op_SetTimerA(World& world, NativeCall& call);
}  // namespace sim

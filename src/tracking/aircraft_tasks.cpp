// The chase and attack tasks of tracked aircraft, and the random picks from
// the tracked lists that choose their targets.
//
// A draw over an empty list, or over one that a pick empties by dropping its
// 0 entries, yields 0 and never reads outside the list; the target choice
// treats 0 as no pick.
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "tracking/list_access.h"
#include "tracking/tracked_lists.h"

namespace {

const int TestedAircraftDraws = 3;
const int RocketCombatArg = 0;
const int RocketCombatFlags = 16;
const int PilotCombatAttribute = 46;

bool IsAircraftModelOf(EntityHandle vehicle) {
    return IsThisModelAPlane(GetEntityModel(vehicle)) || IsThisModelAHeli(GetEntityModel(vehicle));
}

// Missiles are fired when the player allows them, or in return when a tracked
// ped already fights the pilot; the walk over the peds is made only when the
// setting is off, and the aircraft must carry weapons.
bool MayFireRockets(EntityHandle pilot, EntityHandle aircraft) {
    return (Plugin.Settings.AircraftMissiles != 0 || IsPedFoughtByTrackedPed(pilot)) &&
           DoesVehicleHaveWeapons(aircraft);
}

void FireRocketsAt(EntityHandle pilot, EntityHandle target, const char* weaponName) {
    JoinPilotGroup(pilot);
    const Vec3 position = GetEntityPosition(target);
    SetCurrentPedVehicleWeapon(pilot, GetHashKey(weaponName));
    SetVehicleShootAtTarget(pilot, target, position.x, position.y, position.z);
}

}  // namespace

EntityHandle PickAircraftFromList(EntityHandle pilot) {
    std::vector<EntityHandle>& vehicles = Plugin.TrackedVehicles;
    int32_t k = GetRandomIntInRange(0, DrawRange(vehicles));
    EntityHandle candidate = EntryAt(vehicles, k);
    const EntityHandle own = GetVehiclePedIsUsing(pilot);

    for (int round = 0; round < TestedAircraftDraws; ++round) {
        if (candidate == 0) {
            // Only a real 0 entry is dropped; a draw that fell outside the
            // list removes nothing.
            if (EntryAt(vehicles, k) == 0) {
                RemoveAt(vehicles, k);
            }
        } else if (candidate != own && IsAircraftModelOf(candidate) &&
                   HasClearLineOfSight(own, candidate)) {
            return candidate;
        }
        k = GetRandomIntInRange(0, DrawRange(vehicles));
        candidate = EntryAt(vehicles, k);
    }
    // The fourth draw is returned as it is.
    return candidate;
}

EntityHandle PickNearestTrackedPed(EntityHandle ped) {
    std::vector<EntityHandle>& peds = Plugin.TrackedPeds;
    EntityHandle best = EntryAt(peds, GetRandomIntInRange(0, DrawRange(peds)));
    const EntityHandle own = GetVehiclePedIsUsing(ped);
    if (best == ped) {
        best = Plugin.PlayerPed;
    }

    size_t i = 0;
    while (i < peds.size()) {
        const EntityHandle entry = peds[i];
        if (entry == 0) {
            // The next entry moves into this slot and is looked at next.
            RemoveAt(peds, static_cast<int64_t>(i));
            continue;
        }
        if (entry != ped && entry != Plugin.PlayerPed && EntityExists(entry) &&
            !IsPedDeadOrDying(entry) && IsPedHuman(entry) && GetVehiclePedIsUsing(entry) != own &&
            HasClearLineOfSight(own, entry) && DistanceToPlayer(entry) < DistanceToPlayer(best)) {
            best = entry;
        }
        ++i;
    }
    return best;
}

bool IsPedFoughtByTrackedPed(EntityHandle ped) {
    for (size_t i = 0; i < Plugin.TrackedPeds.size(); ++i) {
        if (IsPedInCombat(Plugin.TrackedPeds[i], ped)) {
            return true;
        }
    }
    return false;
}

EntityHandle ChooseAttackTarget(EntityHandle pilot) {
    EntityHandle target = PickAircraftFromList(pilot);
    if (target == 0) {
        const EntityHandle ped = PickNearestTrackedPed(Plugin.PlayerPed);
        target = ped != 0 ? ped : Plugin.PlayerPed;
    }
    // A picked vehicle is replaced by its driver whenever the driver is usable.
    const EntityHandle driver = IsEntityAPed(target) ? 0 : GetPedInVehicleSeat(target, -1);
    return IsUsablePed(driver) ? driver : target;
}

void AttackWithAircraft(EntityHandle pilot, EntityHandle target) {
    if (IsPedInAnyPlane(pilot)) {
        const EntityHandle plane = GetVehiclePedIsUsing(pilot);
        // An aeroplane cannot hover over a target, so it always chases the player.
        TaskPlaneChase(pilot, Plugin.PlayerPed);
        if (MayFireRockets(pilot, plane)) {
            FireRocketsAt(pilot, target, "VEHICLE_WEAPON_PLANE_ROCKET");
        }
    } else if (IsPedInAnyHeli(pilot)) {
        const EntityHandle heli = GetVehiclePedIsUsing(pilot);
        const EntityHandle chased = Plugin.LastTrackedPedCount % 5 == 0 ? target : Plugin.PlayerPed;
        TaskHeliChase(pilot, chased);
        if (MayFireRockets(pilot, heli)) {
            FireRocketsAt(pilot, target, "VEHICLE_WEAPON_SPACE_ROCKET");
            TaskCombatPed(pilot, target, RocketCombatArg, RocketCombatFlags);
        }
    }
    SetPedKeepTask(pilot);
}

void JoinPilotGroup(EntityHandle ped) {
    SetPedRelationshipGroupHash(ped, GetHashKey("COUGAR"));
    SetBlockingOfNonTemporaryEvents(ped);
    SetPedFleeAttributes(ped, 0, false);
    SetPedCombatAttributes(ped, PilotCombatAttribute, true);
}

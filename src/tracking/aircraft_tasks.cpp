// A draw over an empty list, or over one that a pick empties by dropping its
// 0 entries, yields 0 and never reads outside the list; the target choice
// treats 0 as no pick.
#include "tracking/aircraft_tasks.h"

#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/entity_checks.h"
#include "tracking/list_access.h"
#include "tracking/ped_tasks.h"

namespace {

const int TestedAircraftDraws = 3;
const int RocketCombatArg = 0;
const int RocketCombatFlags = 16;

// The model is asked once for each test, as the host expects the calls.
bool IsAircraftModelOf(EntityHandle vehicle) {
    return game::IsThisModelAPlane(game::GetEntityModel(vehicle)) ||
           game::IsThisModelAHeli(game::GetEntityModel(vehicle));
}

// Missiles are fired when the player allows them, or in return when a tracked
// ped already fights the pilot; the walk over the peds is made only when the
// setting is off, and the aircraft must carry weapons.
bool MayFireRockets(EntityHandle pilot, EntityHandle aircraft) {
    return (Plugin.Settings.AircraftMissiles != 0 || IsPedFoughtByTrackedPed(pilot)) &&
           game::DoesVehicleHaveWeapons(aircraft);
}

void FireRocketsAt(EntityHandle pilot, EntityHandle target, const char* weaponName) {
    JoinPilotGroup(pilot);
    const Vec3 position = game::GetEntityPosition(target);
    game::SetCurrentPedVehicleWeapon(pilot, game::GetHashKey(weaponName));
    game::SetVehicleShootAtTarget(pilot, target, position.x, position.y, position.z);
}

}  // namespace

EntityHandle PickAircraftFromList(EntityHandle pilot) {
    std::vector<EntityHandle>& vehicles = Plugin.TrackedVehicles;
    int32_t k = game::GetRandomIntInRange(0, DrawRange(vehicles));
    EntityHandle candidate = EntryAt(vehicles, k);
    const EntityHandle own = game::GetVehiclePedIsUsing(pilot);

    for (int round = 0; round < TestedAircraftDraws; ++round) {
        if (candidate == 0) {
            // Only a real 0 entry is dropped; a draw that fell outside the
            // list removes nothing.
            if (EntryAt(vehicles, k) == 0) {
                RemoveAt(vehicles, k);
            }
        } else if (candidate != own && IsAircraftModelOf(candidate) &&
                   game::HasClearLineOfSight(own, candidate)) {
            return candidate;
        }
        k = game::GetRandomIntInRange(0, DrawRange(vehicles));
        candidate = EntryAt(vehicles, k);
    }
    // The fourth draw is returned as it is.
    return candidate;
}

EntityHandle PickNearestTrackedPed(EntityHandle ped) {
    std::vector<EntityHandle>& peds = Plugin.TrackedPeds;
    EntityHandle best = EntryAt(peds, game::GetRandomIntInRange(0, DrawRange(peds)));
    const EntityHandle own = game::GetVehiclePedIsUsing(ped);
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
        if (entry != ped && entry != Plugin.PlayerPed && game::EntityExists(entry) &&
            !game::IsPedDeadOrDying(entry) && game::IsPedHuman(entry) &&
            game::GetVehiclePedIsUsing(entry) != own && game::HasClearLineOfSight(own, entry) &&
            DistanceToPlayer(entry) < DistanceToPlayer(best)) {
            best = entry;
        }
        ++i;
    }
    return best;
}

bool IsPedFoughtByTrackedPed(EntityHandle ped) {
    for (size_t i = 0; i < Plugin.TrackedPeds.size(); ++i) {
        if (game::IsPedInCombat(Plugin.TrackedPeds[i], ped)) {
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
    const EntityHandle driver =
        game::IsEntityAPed(target) ? 0 : game::GetPedInVehicleSeat(target, -1);
    return IsUsablePed(driver) ? driver : target;
}

void AttackWithAircraft(EntityHandle pilot, EntityHandle target) {
    if (game::IsPedInAnyPlane(pilot)) {
        const EntityHandle plane = game::GetVehiclePedIsUsing(pilot);
        // An aeroplane cannot hover over a target, so it always chases the player.
        game::TaskPlaneChase(pilot, Plugin.PlayerPed);
        if (MayFireRockets(pilot, plane)) {
            FireRocketsAt(pilot, target, "VEHICLE_WEAPON_PLANE_ROCKET");
        }
    } else if (game::IsPedInAnyHeli(pilot)) {
        const EntityHandle heli = game::GetVehiclePedIsUsing(pilot);
        const EntityHandle chased = Plugin.LastTrackedPedCount % 5 == 0 ? target : Plugin.PlayerPed;
        game::TaskHeliChase(pilot, chased);
        if (MayFireRockets(pilot, heli)) {
            FireRocketsAt(pilot, target, "VEHICLE_WEAPON_SPACE_ROCKET");
            game::TaskCombatPed(pilot, target, RocketCombatArg, RocketCombatFlags);
        }
    }
    game::SetPedKeepTask(pilot);
}

// Ambient ped adoption: the game's own peds join the tracked peds, on-foot
// peds near the player make new peds appear, and non-police drivers of police
// vehicles are replaced at the wheel.
//
// The walk re-reads the list's size after every entry, so the peds it creates
// are visited in the same walk; a chain of spawns ends when the host's ped
// pool is full and creation yields 0, which is never tracked.
#include "tracking/ped_adoption.h"

#include "host/host_api.h"
#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/entity_checks.h"
#include "tracking/law_crews.h"
#include "tracking/list_access.h"
#include "tracking/ped_tasks.h"

namespace {

const int WorldPedBufferSize = 512;

// Reads the game's peds, never more than the buffer holds.
int ReadWorldPeds(int (&buffer)[WorldPedBufferSize]) {
    return ClampedCount(worldGetAllPeds(buffer, WorldPedBufferSize), WorldPedBufferSize);
}

// On foot: hand the ped back to the game, and let it make a new ped appear at
// a walkable point next to it.
void SpawnerStep() {
    EntityHandle& current = Plugin.AdoptionCurrentPed;
    const Vec3 position = game::GetEntityPosition(current);
    game::SetPedNoLongerNeeded(&current);
    if (!Plugin.Settings.AutoPedSpawner) {
        return;
    }

    // A ped in plain view of the player makes a ped appear only from beyond
    // the flee radius, or when it is fleeing; a ped the release has made
    // unusable always does.
    bool spawn = true;
    if (game::IsEntityOnScreen(current) || game::IsPedInAnyVehicle(current) ||
        IsUsablePed(current)) {
        spawn = DistanceToPlayer(current) > FleeCheckRadius || game::IsPedFleeing(current);
    }
    if (!spawn) {
        return;
    }

    ResetPedTasks(current);
    Vec3 spot;
    if (!game::GetSafeCoordForPed(position.x, position.y, position.z, true, &spot, 0)) {
        return;
    }
    EntityHandle created = game::CreateRandomPed(spot.x, spot.y, spot.z);
    game::SetPedNoLongerNeeded(&created);
    if (IsUsablePed(created)) {
        Plugin.TrackedPeds.push_back(created);
    }
}

// In a vehicle: a ped driving a police vehicle without being police gives
// the wheel to a new random driver, who takes its slot in the list.
void PoliceDriverStep(size_t slot, int pedType, EntityHandle vehicle) {
    EntityHandle& current = Plugin.AdoptionCurrentPed;
    if (!game::IsPedInAnyPoliceVehicle(current)) {
        return;
    }
    if (IsPoliceType(pedType)) {
        return;
    }
    if (game::GetPedInVehicleSeat(vehicle, -1) != current) {
        return;  // a passenger
    }
    game::SetEntityNoLongerNeeded(&current);
    game::DeleteEntity(&current);

    const EntityHandle driver = game::CreateRandomPedAsDriver(vehicle);
    std::vector<EntityHandle>& peds = Plugin.TrackedPeds;
    if (slot >= peds.size()) {
        return;
    }
    peds[slot] = driver;
    // The new driver is read back from its slot, and its type asked of the
    // host, rather than taken from the creation's answer.
    if (IsPoliceType(game::GetPedType(EntryAt(peds, static_cast<int64_t>(slot))))) {
        ArmLawCrew(EntryAt(peds, static_cast<int64_t>(slot)), false);
    }
}

}  // namespace

bool ShouldAdoptPed(EntityHandle ped) {
    if (!IsUsablePed(ped)) {
        return true;
    }
    for (size_t i = 0; i < Plugin.TrackedPeds.size(); ++i) {
        if (Plugin.TrackedPeds[i] == ped) {
            return false;
        }
    }
    return true;
}

void AdoptAmbientPeds() {
    int worldPedBuffer[WorldPedBufferSize] = {};
    const int count = ReadWorldPeds(worldPedBuffer);
    std::vector<EntityHandle>& peds = Plugin.TrackedPeds;
    Plugin.LastTrackedPedCount = DrawRange(peds);

    for (int j = 0; j < count; ++j) {
        // A host that reports more peds than it wrote leaves the rest of the
        // buffer at 0, which is no ped: it is not tracked.
        if (worldPedBuffer[j] != 0 && ShouldAdoptPed(worldPedBuffer[j])) {
            peds.push_back(worldPedBuffer[j]);
        }
    }
    if (peds.empty()) {
        return;
    }

    for (size_t i = 0; i < peds.size(); ++i) {
        if (!(DistanceToPlayer(EntryAt(peds, static_cast<int64_t>(i))) < AdoptionRadius)) {
            continue;
        }
        Plugin.AdoptionCurrentPed = EntryAt(peds, static_cast<int64_t>(i));
        const EntityHandle current = Plugin.AdoptionCurrentPed;
        const int pedType = game::GetPedType(current);
        const EntityHandle vehicle =
            game::IsPedInAnyVehicle(current) ? game::GetVehiclePedIsUsing(current) : 0;
        // The tests read the ped from the record again, and ask the host again
        // whether it is in a vehicle: the order of these calls is what the
        // game sees, so they are not folded together.
        if (!IsUsablePed(Plugin.AdoptionCurrentPed)) {
            continue;
        }
        if (game::IsPedInAnyVehicle(Plugin.AdoptionCurrentPed)) {
            PoliceDriverStep(i, pedType, vehicle);
        } else {
            SpawnerStep();
        }
    }

    if (Plugin.Settings.AutoPedSpawner) {
        game::PopulateNow();
    }
}

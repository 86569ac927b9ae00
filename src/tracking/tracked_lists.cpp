// The normalisation of the tracked lists and their per-pass upkeep.
//
// Both upkeep walks end for the pass as soon as they remove one entry, so a
// list loses at most one member per pass and the per-frame cost stays even.
// Every test re-reads the entry from its slot: the release and delete
// operations write through the slot's address.
//
// Index:
// [SECTION] Normalisation
// [SECTION] Upkeep walks
// [SECTION] Ped upkeep
// [SECTION] Vehicle upkeep
#include "tracking/tracked_lists.h"

#include <algorithm>
#include <cstddef>
#include <functional>

#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/aircraft_tasks.h"
#include "tracking/entity_checks.h"
#include "tracking/list_access.h"
#include "tracking/parachutes.h"

//-----------------------------------------------------------------------------
// [SECTION] Normalisation
//-----------------------------------------------------------------------------

namespace {

// Up to this many entries after the ordered part are put in place one by
// one; more are sorted with the rest.
const std::ptrdiff_t FewAppended = 16;

}  // namespace

void NormaliseTrackedLists(std::vector<EntityHandle>& list) {
    // On most passes nothing was appended since the last normalisation: one
    // look along the list shows that it is still ascending without repeats.
    auto fault = std::adjacent_find(list.begin(), list.end(), std::greater_equal<EntityHandle>());
    if (fault == list.end()) {
        return;
    }
    // Otherwise a task pass has mostly appended a few handles to an ordered
    // list: each is moved into its place in the ordered part. Both ways give
    // the ascending sort, and then each handle is kept once.
    const auto appended = fault + 1;
    if (list.end() - appended <= FewAppended) {
        for (auto next = appended; next != list.end(); ++next) {
            std::rotate(std::upper_bound(list.begin(), next, *next), next, next + 1);
        }
    } else {
        std::sort(list.begin(), list.end());
    }
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

//-----------------------------------------------------------------------------
// [SECTION] Upkeep walks
//-----------------------------------------------------------------------------

namespace {

// Visits the entries from index 0 while the index is below the list's size
// at that moment; the walk ends for this pass once an entry is removed.
void WalkUntilOneRemoval(const std::vector<EntityHandle>& list, bool (*upkeepEntry)(size_t)) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (upkeepEntry(i)) {
            return;
        }
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Ped upkeep
//-----------------------------------------------------------------------------

// Deletes the ped in slot `index` and erases the slot.
void DeletePedEntry(std::vector<EntityHandle>& peds, size_t index) {
    if (index < peds.size()) {
        game::DeleteEntity(&peds[index]);
    }
    RemoveAt(peds, static_cast<int64_t>(index));
}

// The upkeep of one ped entry; true when it removed the entry, which ends the
// walk for this pass.
bool UpkeepPedEntry(size_t i) {
    std::vector<EntityHandle>& peds = Plugin.TrackedPeds;
    const int64_t at = static_cast<int64_t>(i);

    if (EntryAt(peds, at) == 0 || !game::EntityExists(EntryAt(peds, at))) {
        RemoveAt(peds, at);
        return true;
    }

    // Handed back to the game on every pass; it stays a member.
    game::SetPedNoLongerNeeded(&peds[i]);

    // Peds in the air are kept whatever their distance: they may be the crew
    // of an aircraft that is still chasing the player.
    if (!game::IsEntityOnScreen(EntryAt(peds, at)) && !IsPlaneEntity(EntryAt(peds, at)) &&
        !IsHeliEntity(EntryAt(peds, at)) &&
        DistanceToPlayer(EntryAt(peds, at)) > PedReleaseDistance) {
        DeletePedEntry(peds, i);
        return true;
    }

    if (game::IsPedDeadOrDying(EntryAt(peds, at))) {
        DeletePedEntry(peds, i);
        return true;
    }

    if (Plugin.Settings.PedParachutes == 1 && IsUsablePed(EntryAt(peds, at))) {
        if (game::GetPedMaxHealth(EntryAt(peds, at)) == ParachuteMarkerHealth &&
            game::GetEntityHeightAboveGround(EntryAt(peds, at)) < LandedHeight) {
            // Landed: take the marker off so it can be given a parachute again.
            game::SetPedMaxHealth(EntryAt(peds, at), NormalMaxHealth);
        } else if (Plugin.CycleCounter % ParachuteCheckPeriod == 0) {
            ParachuteBehaviour(EntryAt(peds, at));
        }
        return false;
    }

    if (game::IsEntityOnScreen(EntryAt(peds, at))) {
        return false;
    }
    if (game::IsPedHuman(EntryAt(peds, at)) || game::IsPedFalling(EntryAt(peds, at))) {
        RemoveAt(peds, at);
        return true;
    }
    if (game::GetEntityHeightAboveGround(EntryAt(peds, at)) > LandedHeight) {
        DeletePedEntry(peds, i);
        return true;
    }
    RemoveAt(peds, at);
    return true;
}

}  // namespace

void UpkeepTrackedPeds() {
    WalkUntilOneRemoval(Plugin.TrackedPeds, UpkeepPedEntry);
}

//-----------------------------------------------------------------------------
// [SECTION] Vehicle upkeep
//-----------------------------------------------------------------------------

namespace {

// Deletes the vehicle in slot `index`, releases what the slot then holds and
// erases the slot.
void DeleteVehicleEntry(std::vector<EntityHandle>& vehicles, size_t index) {
    if (index < vehicles.size()) {
        game::DeleteEntity(&vehicles[index]);
    }
    if (index < vehicles.size()) {
        game::SetVehicleNoLongerNeeded(&vehicles[index]);
    }
    RemoveAt(vehicles, static_cast<int64_t>(index));
}

// Gives a tracked aircraft's pilot its chase and attack tasks.
void TaskTrackedAircraft(EntityHandle aircraft, EntityHandle pilot) {
    const EntityHandle target = ChooseAttackTarget(pilot);
    if (game::IsEntityAVehicle(target) && IsUsableVehicle(target) && target != aircraft) {
        AttackWithAircraft(pilot, target);
        return;
    }
    if (game::IsEntityAPed(target) && IsUsablePed(target) && target != pilot) {
        AttackWithAircraft(pilot, target);
    }
}

// The upkeep of one vehicle entry; true when it removed the entry, which ends
// the walk for this pass.
bool UpkeepVehicleEntry(size_t i) {
    std::vector<EntityHandle>& vehicles = Plugin.TrackedVehicles;
    const int64_t at = static_cast<int64_t>(i);

    if (!game::EntityExists(EntryAt(vehicles, at))) {
        RemoveAt(vehicles, at);
        return true;
    }
    // Aeroplanes are never deleted for distance; helicopters are.
    if (DistanceToPlayer(EntryAt(vehicles, at)) > VehicleReleaseDistance &&
        !IsPlaneEntity(EntryAt(vehicles, at))) {
        DeleteVehicleEntry(vehicles, i);
        return true;
    }
    if (game::IsEntityDead(EntryAt(vehicles, at))) {
        DeleteVehicleEntry(vehicles, i);
        return true;
    }
    // Existence is asked again: the deletes above are the only calls that
    // write the slot, but the host sees this second test on every entry.
    if (EntryAt(vehicles, at) == 0 || !game::EntityExists(EntryAt(vehicles, at))) {
        RemoveAt(vehicles, at);
        return true;
    }

    game::SetVehicleNoLongerNeeded(&vehicles[i]);

    // From here on no operation writes through the slot, but the target pick
    // may drop 0 entries and shift this one; the aircraft is kept by value.
    const EntityHandle vehicle = EntryAt(vehicles, at);
    if (!IsUsableVehicle(vehicle)) {
        return false;
    }
    const EntityHandle driver = game::GetPedInVehicleSeat(vehicle, -1);
    if (!IsUsablePed(driver) || game::IsPedInCombat(driver, 1)) {
        return false;
    }
    if (!IsPlaneEntity(vehicle) && !IsHeliEntity(vehicle)) {
        return false;
    }
    TaskTrackedAircraft(vehicle, driver);
    return false;
}

}  // namespace

void UpkeepTrackedVehicles() {
    WalkUntilOneRemoval(Plugin.TrackedVehicles, UpkeepVehicleEntry);
}

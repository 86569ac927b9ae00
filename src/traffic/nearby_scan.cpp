// The entry of the vehicle phase: collect the vehicles near the player into
// the tracked list, then walk the list with the candidate tests and hand each
// accepted vehicle to the replacement.
#include "traffic/nearby_scan.h"

#include <algorithm>
#include <cstdint>

#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/entity_checks.h"
#include "tracking/list_access.h"
#include "traffic/plates.h"
#include "traffic/replacement.h"
#include "traffic/road_nodes.h"
#include "traffic/spawn_draws.h"
#include "traffic/vehicle_checks.h"

namespace {

const int NearbyVehicleCapacity = 101;
// A vehicle standing still this close is left alone: it is likely parked
// where the player can reach it.
const float StillSpeed = 0.1f;
const float StillVehicleDistance = 50.0f;

void CollectNearbyVehicles() {
    // One 8-byte slot for the capacity, one per vehicle after it.
    int32_t buffer[2 * (NearbyVehicleCapacity + 1)] = {};
    buffer[0] = NearbyVehicleCapacity;
    int32_t count = game::GetPedNearbyVehicles(Plugin.PlayerPed, buffer);
    // Only the slots the buffer has are read, whatever count the host claims.
    count = ClampedCount(count, NearbyVehicleCapacity);
    for (int32_t slot = 1; slot <= count; ++slot) {
        const EntityHandle vehicle = buffer[2 * slot];
        std::vector<EntityHandle>& tracked = Plugin.TrackedVehicles;
        // Slots the host claimed but did not write hold 0, which is no vehicle.
        if (vehicle != 0 && std::find(tracked.begin(), tracked.end(), vehicle) == tracked.end()) {
            tracked.push_back(vehicle);
        }
    }
}

// How many other tracked vehicles share the model: 0, 1, or 2 for "more than
// one".
int CountTwins(int slot, ModelHash model) {
    int twins = 0;
    for (size_t i = 0; i < Plugin.TrackedVehicles.size() && twins <= 1; ++i) {
        if (static_cast<int>(i) == slot) {
            continue;
        }
        if (game::GetEntityModel(Plugin.TrackedVehicles[i]) == model) {
            ++twins;
        }
    }
    return twins;
}

// The candidate tests, in order. Fills CandidateState on the way and gives
// the model of an accepted vehicle.
bool IsTransformCandidate(EntityHandle vehicle, int slot, ModelHash* model) {
    if (game::IsEntityOnScreen(vehicle)) {
        return false;
    }
    if (!IsRoadVehicle(vehicle)) {
        return false;
    }
    if (PlateTextIs(game::GetVehicleNumberPlateText(vehicle), TransformedPlate)) {
        return false;
    }
    CandidateRecord& candidate = Plugin.CandidateState;
    candidate.CandidatePosition = game::GetEntityPosition(vehicle);
    candidate.CandidateDistance = DistanceToPlayer(vehicle);
    candidate.NodeDriver = 0;
    *model = game::GetEntityModel(vehicle);
    if (!(game::GetEntitySpeed(vehicle) > StillSpeed ||
          Plugin.CandidateState.CandidateDistance > StillVehicleDistance)) {
        return false;
    }
    if (game::IsThisModelAPlane(*model) || game::IsThisModelAHeli(*model)) {
        return false;
    }
    Plugin.CandidateState.CandidateVelocity = game::GetEntityVelocity(vehicle);
    Plugin.CandidateState.SpawnHeading = game::GetEntityHeading(vehicle);
    const int twins = CountTwins(slot, *model);
    // Measured again rather than taken from CandidateDistance: the host sees
    // the second measurement, after the twin count's calls.
    if (!(DistanceToPlayer(vehicle) > Plugin.Settings.MinTransformDistance)) {
        return false;
    }
    // A lone model is never replaced; with one twin only an undamaged vehicle.
    if (twins == 0 || (twins == 1 && IsVehicleDamaged(vehicle))) {
        return false;
    }
    return WinsSpawnDraw();
}

}  // namespace

void ScanNearbyVehicles() {
    CollectNearbyVehicles();
    // The size is read again after every candidate: a replacement waits, and
    // its steps may change the list.
    for (size_t slot = 0; slot < Plugin.TrackedVehicles.size(); ++slot) {
        const EntityHandle vehicle = Plugin.TrackedVehicles[slot];
        ModelHash model = 0;
        if (IsTransformCandidate(vehicle, static_cast<int>(slot), &model)) {
            ReplaceVehicle(vehicle, static_cast<int>(slot), model);
        }
    }
    SpawnAtRoadNodes();
}

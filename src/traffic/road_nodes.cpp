#include "traffic/road_nodes.h"

#include <cmath>
#include <cstdint>

#include "config/hotkey.h"
#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "state/plugin_state.h"
#include "traffic/model_wait.h"
#include "traffic/pauses.h"
#include "traffic/placement.h"
#include "traffic/plates.h"
#include "traffic/spawn_draws.h"

namespace {

const int LowestNodeRank = 4;
const float RankedDistanceFloor = 5.0f;
const int NodeQueryFlags = 9;
const float NodeQueryTuningA = 3.0f;
const float NodeQueryTuningB = 2.5f;
const float NodeProbeHeight = 2.0f;
const float OccupiedNodeRadius = 7.5f;
const float VisibleNodeRadius = 10.0f;
const int PreSpawnPauseMs = 100;
const float DefaultStartSpeed = 10.0f;
const float HeadingWindow = 90.0f;
const float PlaneSpeedFactor = 100.0f;
const float RoadSpeedFactor = 1.5f;
const float NodeWanderSpeed = 30.0f;
const int NodeWanderStyle = 156;
const unsigned SettleWaitMs = 10;

// Which of the nodes nearest to the player to ask for: from the fourth up
// to the minimum distance in whole metres.
int32_t DrawNodeRank() {
    const float distance = Plugin.Settings.MinTransformDistance;
    if (!(distance >= RankedDistanceFloor)) {
        return LowestNodeRank;
    }
    // Truncated only where an int32 can hold it.
    const int32_t end = distance >= 2147483648.0f ? INT32_MAX : static_cast<int32_t>(distance);
    return game::GetRandomIntInRange(LowestNodeRank, end);
}

// The node must be free, on the road, out of view and far enough.
bool IsNodeSpawnable(const Vec3& node) {
    const EntityHandle standing = game::GetRandomVehicleInSphere(
        node.x, node.y, node.z + NodeProbeHeight, OccupiedNodeRadius, 0, 0);
    if (game::EntityExists(standing)) {
        return false;
    }
    if (!game::IsPointOnRoad(node.x, node.y, node.z, 0)) {
        return false;
    }
    if (game::IsSphereVisible(node.x, node.y, node.z + NodeProbeHeight, VisibleNodeRadius)) {
        return false;
    }
    const Vec3& player = Plugin.PlayerPosition;
    return game::GetDistanceBetweenCoords(node.x, node.y, node.z, player.x, player.y, player.z,
                                          true) > Plugin.Settings.MinTransformDistance;
}

// A player driving towards the node, roughly its way, gets traffic that keeps
// pace; anything else starts at the default speed. Refreshes PlayerPosition.
float StartSpeedTowards(const Vec3& node) {
    // The player has moved during the pause before the spawn, so the position
    // is asked again and compared with the one read at the start of the pass.
    const Vec3 now = game::GetEntityPosition(Plugin.PlayerPed);
    float speed = DefaultStartSpeed;
    if (game::IsPedInAnyVehicle(Plugin.PlayerPed)) {
        // A plain difference: 350 and 10 degrees are 340 apart.
        const float playerHeading = game::GetEntityHeading(Plugin.PlayerPed);
        if (std::fabs(Plugin.CandidateState.SpawnHeading - playerHeading) < HeadingWindow) {
            const Vec3& before = Plugin.PlayerPosition;
            const float toNow =
                game::GetDistanceBetweenCoords(node.x, node.y, node.z, now.x, now.y, now.z, true);
            const float toBefore = game::GetDistanceBetweenCoords(node.x, node.y, node.z, before.x,
                                                                  before.y, before.z, true);
            if (toNow < toBefore) {
                speed = game::GetEntitySpeed(Plugin.PlayerLastVehicle);
            }
        }
    }
    Plugin.PlayerPosition = now;
    return speed;
}

void SpawnAttempt() {
    Plugin.NodeRank = DrawNodeRank();
    if (!WinsSpawnDraw()) {
        return;
    }
    Vec3 node;
    int32_t lanes = 0;
    const Vec3 player = Plugin.PlayerPosition;
    if (!game::GetNthClosestVehicleNodeWithHeading(player.x, player.y, player.z, Plugin.NodeRank,
                                                   &node, &Plugin.CandidateState.SpawnHeading,
                                                   &lanes, NodeQueryFlags, NodeQueryTuningA,
                                                   NodeQueryTuningB)) {
        return;
    }
    if (!IsNodeSpawnable(node)) {
        return;
    }
    game::SetTimerA(0);
    while (!IsHotkeyHeld() && game::GetTimerA() < PreSpawnPauseMs) {
        scriptWait(0);
    }
    float speed = StartSpeedTowards(node);

    // Points into the model list: good across the waits, owning nothing.
    const char* const name = PickModelName();
    const ModelHash model = game::GetHashKey(name);
    game::RequestModel(model);
    SetStatusText("SPAWNING AT NEW NODE\n", name);
    if (!WaitForModelLoad(model, 0, &node)) {
        return;
    }

    const float heading = Plugin.CandidateState.SpawnHeading;
    // The velocity of the last candidate tested launches a plane; a car
    // starts from the forward speed below.
    const PlacedVehicle placed =
        PlaceNewVehicle(model, node, heading, Plugin.CandidateState.CandidateVelocity, false);
    EntityHandle vehicle = placed.Vehicle;
    Plugin.CandidateState.NodeDriver = placed.Driver;
    speed *= placed.Kind == PlacedKind::Plane ? PlaneSpeedFactor : RoadSpeedFactor;
    game::SetVehicleForwardSpeed(vehicle, speed);
    game::TaskVehicleDriveWander(Plugin.CandidateState.NodeDriver, vehicle, NodeWanderSpeed,
                                 NodeWanderStyle);
    // The settle wait is kept even with the hotkey held.
    scriptWait(SettleWaitMs);

    if (!game::EntityExists(vehicle)) {
        return;
    }
    if (game::IsEntityOnScreen(vehicle)) {
        game::DeleteEntity(&vehicle);
        game::DeleteEntity(&Plugin.CandidateState.NodeDriver);
        return;
    }
    Plugin.TrackedPeds.push_back(Plugin.CandidateState.NodeDriver);
    Plugin.TrackedVehicles.push_back(vehicle);
    PauseAfterSpawn();
    game::SetVehicleNumberPlateText(vehicle, TransformedPlate);
}

}  // namespace

void SpawnAtRoadNodes() {
    for (int32_t attempt = 0; attempt < Plugin.Settings.NewVehicleSpawnRate; ++attempt) {
        SpawnAttempt();
    }
}

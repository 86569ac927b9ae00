// Adding vehicles with drivers at road nodes out of the player's sight.
#include <cmath>
#include <cstdint>
#include <string>

#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "loop/tick_loop.h"
#include "traffic/traffic_common.h"
#include "traffic/vehicle_phase.h"

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
const float PlaneLaunchFactor = 50.0f;
const float PlaneSpeedFactor = 100.0f;
const float RoadSpeedFactor = 1.5f;
const float HeliSpawnHeight = 15.0f;
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
    return GetRandomIntInRange(LowestNodeRank, end);
}

// The node must be free, on the road, out of view and far enough.
bool IsNodeSpawnable(const Vec3& node) {
    const EntityHandle standing = GetRandomVehicleInSphere(node.x, node.y, node.z + NodeProbeHeight,
                                                           OccupiedNodeRadius, 0, 0);
    if (EntityExists(standing)) {
        return false;
    }
    if (!IsPointOnRoad(node.x, node.y, node.z, 0)) {
        return false;
    }
    if (IsSphereVisible(node.x, node.y, node.z + NodeProbeHeight, VisibleNodeRadius)) {
        return false;
    }
    const Vec3& player = Plugin.PlayerPosition;
    return GetDistanceBetweenCoords(node.x, node.y, node.z, player.x, player.y, player.z, true) >
           Plugin.Settings.MinTransformDistance;
}

// A player driving towards the node, roughly its way, gets traffic that keeps
// pace; anything else starts at the default speed. Refreshes PlayerPosition.
float StartSpeedTowards(const Vec3& node) {
    const Vec3 now = GetEntityPosition(Plugin.PlayerPed);
    float speed = DefaultStartSpeed;
    if (IsPedInAnyVehicle(Plugin.PlayerPed)) {
        // A plain difference: 350 and 10 degrees are 340 apart.
        const float playerHeading = GetEntityHeading(Plugin.PlayerPed);
        if (std::fabs(Plugin.CandidateState.SpawnHeading - playerHeading) < HeadingWindow) {
            const Vec3& before = Plugin.PlayerPosition;
            const float toNow =
                GetDistanceBetweenCoords(node.x, node.y, node.z, now.x, now.y, now.z, true);
            const float toBefore = GetDistanceBetweenCoords(node.x, node.y, node.z, before.x,
                                                            before.y, before.z, true);
            if (toNow < toBefore) {
                speed = GetEntitySpeed(Plugin.PlayerLastVehicle);
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
    if (!GetNthClosestVehicleNodeWithHeading(player.x, player.y, player.z, Plugin.NodeRank, &node,
                                             &Plugin.CandidateState.SpawnHeading, &lanes,
                                             NodeQueryFlags, NodeQueryTuningA, NodeQueryTuningB)) {
        return;
    }
    if (!IsNodeSpawnable(node)) {
        return;
    }
    SetTimerA(0);
    while (!IsHotkeyHeld() && GetTimerA() < PreSpawnPauseMs) {
        scriptWait(0);
    }
    float speed = StartSpeedTowards(node);

    const std::string name = PickModelName();
    const ModelHash model = GetHashKey(name.c_str());
    RequestModel(model);
    std::string message = "SPAWNING AT NEW NODE\n" + name;
    SetStatusText(message);
    if (!WaitForModelLoad(model, 0, &node)) {
        return;
    }

    const float heading = Plugin.CandidateState.SpawnHeading;
    EntityHandle vehicle = 0;
    if (IsThisModelAPlane(model)) {
        vehicle = CreateVehicle(model, node.x, node.y, node.z + Plugin.Settings.MinAirplaneHeight,
                                heading, false, false);
        Plugin.CandidateState.NodeDriver = CreateRandomPedAsDriver(vehicle);
        // The velocity of the last candidate tested launches the plane.
        const Vec3 v = Plugin.CandidateState.CandidateVelocity;
        SetEntityVelocity(vehicle, PlaneLaunchFactor * v.x, PlaneLaunchFactor * v.y,
                          PlaneLaunchFactor * v.z);
        ControlLandingGear(vehicle);
        speed *= PlaneSpeedFactor;
    } else if (IsThisModelAHeli(model)) {
        vehicle =
            CreateVehicle(model, node.x, node.y, node.z + HeliSpawnHeight, heading, false, false);
        Plugin.CandidateState.NodeDriver = CreateRandomPedAsDriver(vehicle);
        ControlLandingGear(vehicle);
        speed *= RoadSpeedFactor;
    } else {
        vehicle = CreateVehicle(model, node.x, node.y, node.z, heading, false, false);
        Plugin.CandidateState.NodeDriver = CreateRandomPedAsDriver(vehicle);
        speed *= RoadSpeedFactor;
    }
    SetVehicleForwardSpeed(vehicle, speed);
    TaskVehicleDriveWander(Plugin.CandidateState.NodeDriver, vehicle, NodeWanderSpeed,
                           NodeWanderStyle);
    // The settle wait is kept even with the hotkey held.
    scriptWait(SettleWaitMs);

    if (!EntityExists(vehicle)) {
        return;
    }
    if (IsEntityOnScreen(vehicle)) {
        DeleteEntity(&vehicle);
        DeleteEntity(&Plugin.CandidateState.NodeDriver);
        return;
    }
    Plugin.TrackedPeds.push_back(Plugin.CandidateState.NodeDriver);
    Plugin.TrackedVehicles.push_back(vehicle);
    PauseAfterSpawn();
    SetVehicleNumberPlateText(vehicle, TransformedPlate);
}

}  // namespace

void SpawnAtRoadNodes() {
    for (int32_t attempt = 0; attempt < Plugin.Settings.NewVehicleSpawnRate; ++attempt) {
        SpawnAttempt();
    }
}

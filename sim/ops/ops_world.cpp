// World, population and roads: the population switches, road nodes, points
// on the road, what the camera sees, distances.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"
#include "sim/world/population.h"

namespace sim {

namespace {

// A point counts as on the road within this distance of a node.
constexpr float kNodeRoadRadius = 4.0f;
// ...and within this height of the road.
constexpr float kRoadHeightTolerance = 5.0f;

}  // namespace

void Op_ApplyPassStartOption(World& world, NativeCall& call) {
    world.population.passStartOption = call.Int(0);
}

void Op_SetCreateRandomCops(World& world, NativeCall& call) {
    world.createRandomCops = call.Bool(0);
}

void Op_RemoveScenarioBlockingAreas(World& world, NativeCall&) {
    ++world.population.scenarioBlockingAreasRemoved;
}

void Op_SetAllVehicleGeneratorsActive(World& world, NativeCall&) {
    ++world.population.allVehicleGeneratorsActivated;
}

void Op_SetAllLowPriorityVehicleGeneratorsActive(World& world, NativeCall& call) {
    world.lowPriorityGeneratorsActive = call.Bool(0);
}

void Op_ApplyPlayerAreaOption(World& world, NativeCall& call) {
    ++world.population.playerAreaOptionCalls;
    call.ReturnInt(0);
}

void Op_SetScenarioPedDensityMultiplierThisFrame(World& world, NativeCall& call) {
    world.population.scenarioPedDensity = call.Float(0);
    world.population.scenarioPedDensityInterior = call.Float(1);
}

void Op_SetPedDensityMultiplierThisFrame(World& world, NativeCall& call) {
    world.population.pedDensity = call.Float(0);
}

void Op_SetVehiclePopulationBudget(World& world, NativeCall& call) {
    world.population.vehicleBudget = call.Int(0);
}

void Op_SetPedPopulationBudget(World& world, NativeCall& call) {
    world.population.pedBudget = call.Int(0);
}

void Op_SetVehicleDensityMultiplierThisFrame(World& world, NativeCall& call) {
    world.population.vehicleDensity = call.Float(0);
}

void Op_SetRandomVehicleDensityMultiplierThisFrame(World& world, NativeCall& call) {
    world.population.randomVehicleDensity = call.Float(0);
}

// Fills the surroundings at once instead of over the coming frames.
void Op_PopulateNow(World& world, NativeCall&) {
    TopUpPedestrians(world, world.ambientPedTarget);
    TopUpTraffic(world, world.ambientVehicleTarget);
}

// The n-th closest node (1 or less: the closest), by straight-line distance
// with ties in node order. False, writing nothing, when there are fewer nodes.
void Op_GetNthClosestVehicleNodeWithHeading(World& world, NativeCall& call) {
    const Vec point{call.Float(0), call.Float(1), call.Float(2)};
    const int n = std::max(1, call.Int(3));
    if (n > static_cast<int>(world.roadNodes.size())) {
        call.ReturnBool(false);
        return;
    }
    std::vector<std::pair<float, size_t>> ranked;
    ranked.reserve(world.roadNodes.size());
    for (size_t i = 0; i < world.roadNodes.size(); ++i) {
        ranked.emplace_back(Distance(point, world.roadNodes[i].position), i);
    }
    std::partial_sort(ranked.begin(), ranked.begin() + n, ranked.end());
    const RoadNode& node = world.roadNodes[ranked[static_cast<size_t>(n - 1)].second];
    if (void* out = call.Ptr<void>(4)) {
        WriteVec3(out, node.position);
    }
    if (float* heading = call.Ptr<float>(5)) {
        *heading = node.heading;
    }
    if (int32_t* lanes = call.Ptr<int32_t>(6)) {
        *lanes = node.lanes;
    }
    call.ReturnBool(true);
}

// Inside a road area, or within a few metres of a node that is on the road.
void Op_IsPointOnRoad(World& world, NativeCall& call) {
    const Vec point{call.Float(0), call.Float(1), call.Float(2)};
    bool onRoad = false;
    if (std::fabs(point.z - world.groundZ) <= kRoadHeightTolerance) {
        for (const RoadArea& area : world.roadAreas) {
            onRoad = onRoad || (point.x >= area.minX && point.x <= area.maxX &&
                                point.y >= area.minY && point.y <= area.maxY);
        }
    }
    for (size_t i = 0; i < world.roadNodes.size() && !onRoad; ++i) {
        if (world.roadNodes[i].offRoad) {
            continue;
        }
        const Vec node = world.roadNodes[i].position;
        onRoad = Distance2D(point, node) <= kNodeRoadRadius &&
                 std::fabs(point.z - node.z) <= kRoadHeightTolerance;
    }
    call.ReturnBool(onRoad);
}

void Op_IsSphereVisible(World& world, NativeCall& call) {
    call.ReturnBool(
        IsPointVisible(world, Vec{call.Float(0), call.Float(1), call.Float(2)}, call.Float(3)));
}

void Op_GetDistanceBetweenCoords(World&, NativeCall& call) {
    const Vec a{call.Float(0), call.Float(1), call.Float(2)};
    const Vec b{call.Float(3), call.Float(4), call.Float(5)};
    call.ReturnFloat(call.Bool(6) ? Distance(a, b) : Distance2D(a, b));
}

}  // namespace sim

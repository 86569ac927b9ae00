// Road-node spawning: the node rank, the checks on the node, the pause, the
// start speed, placement by vehicle type, and what is kept.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "tracking/law_crews.h"
#include "traffic/nearby_scan.h"
#include "traffic/occupants.h"
#include "traffic/plates.h"
#include "traffic/replacement.h"
#include "traffic/road_nodes.h"
#include "traffic/spawn_draws.h"
#include "traffic/traffic_fixture.h"
#include "traffic/vehicle_checks.h"

namespace {

// A straight road of 40 nodes at y, 10 m apart.
void AddRoad(sim::World& world, float y, float heading = 90.0f) {
    for (int i = 0; i < 40; ++i) {
        world.roadNodes.push_back(sim::RoadNode{sim::Vec{-195.0f + 10.0f * i, y, 0}, heading, 2});
    }
}

class RoadNodeTest : public TrafficFixture {
protected:
    void SetUp() override {
        TrafficFixture::SetUp();
        Plugin.Settings.NewVehicleSpawnRate = 1;
        Plugin.PlayerPosition = MakeVec3(0, 0, 0);
    }
    // South of the player is out of sight.
    void AddRoad(float y, float heading = 90.0f) { ::AddRoad(world, y, heading); }
    void Spawn() {
        Run([] { SpawnAtRoadNodes(); });
    }
    // The node the last successful query gave.
    sim::Vec QueriedNode() {
        const std::vector<sim::TraceEntry> q = CallsTo("GetNthClosestVehicleNodeWithHeading");
        EXPECT_FALSE(q.empty());
        if (q.empty()) {
            return sim::Vec{};
        }
        const nlohmann::json& out = q.back().args[4];
        return sim::Vec{out[0].get<float>(), out[1].get<float>(), out[2].get<float>()};
    }
    float ForwardSpeed() {
        const std::vector<sim::TraceEntry> s = CallsTo("SetVehicleForwardSpeed");
        EXPECT_EQ(s.size(), 1u);
        return s.empty() ? -1.0f : s[0].args[1].get<float>();
    }
};

TEST_F(RoadNodeTest, KeepsAVehicleSpawnedOutOfSightInTheOrderOfItsSteps) {
    Plugin.Settings.SpawnWaitMs = 1000;
    AddRoad(-80.0f, 90.0f);
    Spawn();
    const sim::Vec node = QueriedNode();
    ASSERT_EQ(Plugin.TrackedVehicles.size(), 1u);
    const int32_t vehicle = Plugin.TrackedVehicles[0];
    const int32_t driver = Plugin.CandidateState.NodeDriver;
    ASSERT_TRUE(Exists(vehicle));
    EXPECT_EQ(Plugin.TrackedPeds, (std::vector<EntityHandle>{driver}));
    EXPECT_EQ(E(vehicle).occupants.at(0), driver);
    EXPECT_EQ(E(vehicle).plate, "K41482D2");
    EXPECT_EQ(E(vehicle).model, Hash("issi2"));
    EXPECT_EQ(Plugin.StatusText, "SPAWNING AT NEW NODE\nissi2");
    EXPECT_FLOAT_EQ(Plugin.CandidateState.SpawnHeading, 90.0f);

    const std::vector<int> waits = Waits();
    const int timerWaits = static_cast<int>(waits.size()) - 2;
    std::vector<int> expectedWaits(timerWaits, 0);
    expectedWaits.push_back(10);
    expectedWaits.push_back(1000);
    EXPECT_EQ(waits, expectedWaits);
    // The pause lasts until the timer reaches 100 ms.
    const std::vector<sim::TraceEntry> timer = CallsTo("GetTimerA");
    ASSERT_EQ(static_cast<int>(timer.size()), timerWaits + 1);
    EXPECT_GE(timer.back().ret.get<int>(), 100);
    EXPECT_LT(timer[timer.size() - 2].ret.get<int>(), 100);

    std::vector<std::string> expected = {"GetRandomIntInRange",
                                         "GetRandomIntInRange",
                                         "GetNthClosestVehicleNodeWithHeading",
                                         "GetRandomVehicleInSphere",
                                         "EntityExists",
                                         "IsPointOnRoad",
                                         "IsSphereVisible",
                                         "GetDistanceBetweenCoords",
                                         "SetTimerA"};
    for (int i = 0; i < timerWaits; ++i) {
        expected.insert(expected.end(), {"GetAsyncKeyState", "GetTimerA", "scriptWait"});
    }
    expected.insert(expected.end(), {"GetAsyncKeyState",
                                     "GetTimerA",
                                     "GetEntityPosition",
                                     "IsPedInAnyVehicle",
                                     "GetRandomIntInRange",
                                     "GetHashKey",
                                     "RequestModel",
                                     "HasModelLoaded",
                                     "IsThisModelAPlane",
                                     "IsThisModelAHeli",
                                     "CreateVehicle",
                                     "CreateRandomPedAsDriver",
                                     "SetVehicleForwardSpeed",
                                     "TaskVehicleDriveWander",
                                     "scriptWait",
                                     "EntityExists",
                                     "IsEntityOnScreen",
                                     "GetAsyncKeyState",
                                     "scriptWait",
                                     "SetVehicleNumberPlateText"});
    EXPECT_EQ(Ops(), expected);

    const nlohmann::json create = CallsTo("CreateVehicle")[0].args;
    EXPECT_EQ(create[1].get<float>(), node.x);
    EXPECT_EQ(create[2].get<float>(), node.y);
    EXPECT_EQ(create[3].get<float>(), node.z);
    EXPECT_EQ(create[4], 90.0);
    EXPECT_EQ(CallsTo("TaskVehicleDriveWander")[0].args,
              (nlohmann::json{driver, vehicle, 30.0, 156}));
    EXPECT_EQ(CallsTo("GetRandomVehicleInSphere")[0].args,
              (nlohmann::json{node.x, node.y, node.z + 2.0f, 7.5, 0, 0}));
    EXPECT_EQ(CallsTo("IsSphereVisible")[0].args,
              (nlohmann::json{node.x, node.y, node.z + 2.0f, 10.0}));
    EXPECT_FLOAT_EQ(ForwardSpeed(), 15.0f);
}

struct RankCase {
    const char* name;
    float minTransformDistance;
    bool drawn;
    int drawEnd;
};
KORVANE_CASE_PRINTS_ITS_NAME(RankCase)

class NodeRankTest : public RoadNodeTest, public ::testing::WithParamInterface<RankCase> {};

TEST_P(NodeRankTest, RankIsDrawnFromFourToTheMinimumDistance) {
    const RankCase& c = GetParam();
    Plugin.Settings.MinTransformDistance = c.minTransformDistance;
    AddRoad(-80.0f);
    Spawn();
    const std::vector<int> draws = Draws(4, c.drawEnd);
    ASSERT_EQ(draws.size(), c.drawn ? 1u : 0u);
    const int rank = c.drawn ? draws[0] : 4;
    EXPECT_EQ(Plugin.NodeRank, rank);
    EXPECT_GE(rank, 4);
    if (c.drawEnd > 4) {
        EXPECT_LT(rank, c.drawEnd);
    }
    ASSERT_EQ(Count("GetNthClosestVehicleNodeWithHeading"), 1);
    EXPECT_EQ(CallsTo("GetNthClosestVehicleNodeWithHeading")[0].args[3], rank);
}

INSTANTIATE_TEST_SUITE_P(Cases, NodeRankTest,
                         ::testing::Values(RankCase{"Below5", 4.9f, false, 0},
                                           RankCase{"Negative", -10.0f, false, 0},
                                           RankCase{"FiveAndAHalf", 5.5f, true, 5},
                                           RankCase{"Thirty", 30.0f, true, 30},
                                           RankCase{"BeyondTheIntRange", 3.0e9f, true, 2147483647}),
                         CaseName());

struct RateCase {
    const char* name;
    int rate;
    int odds;
    size_t attempts;
};
KORVANE_CASE_PRINTS_ITS_NAME(RateCase)

class SpawnRateTest : public RoadNodeTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(SpawnRateTest, MakesSpawnRateAttemptsEachWithItsOwnDraw) {
    const RateCase& c = GetParam();
    Plugin.Settings.NewVehicleSpawnRate = c.rate;
    Plugin.Settings.SpawnOdds = c.odds;
    HoldHotkey();
    AddRoad(-80.0f);
    Spawn();
    const std::vector<int> oddsDraws = Draws(1, c.odds + 1);
    ASSERT_EQ(oddsDraws.size(), c.attempts);
    EXPECT_EQ(Draws(4, 30).size(), c.attempts);
    size_t won = 0;
    for (int r : oddsDraws) {
        won += (c.odds <= 1 || r == 1) ? 1 : 0;
    }
    EXPECT_EQ(static_cast<size_t>(Count("GetNthClosestVehicleNodeWithHeading")), won);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpawnRateTest,
                         ::testing::Values(RateCase{"None", 0, 1, 0},
                                           RateCase{"Negative", -2, 1, 0},
                                           RateCase{"Three", 3, 1, 3},
                                           RateCase{"TwelveAtOneInTwo", 12, 2, 12}),
                         CaseName());

struct NodeCheckCase {
    const char* name;
    void (*prepare)(sim::World&);
};
KORVANE_CASE_PRINTS_ITS_NAME(NodeCheckCase)

class NodeCheckTest : public RoadNodeTest, public ::testing::WithParamInterface<NodeCheckCase> {};

TEST_P(NodeCheckTest, UnsuitableNodeEndsTheAttemptQuietly) {
    GetParam().prepare(world);
    Plugin.StatusText = "before";
    Spawn();
    EXPECT_EQ(Count("SetTimerA"), 0);
    EXPECT_EQ(Count("CreateVehicle"), 0);
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
    EXPECT_EQ(Plugin.StatusText, "before");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeCheckTest,
    ::testing::Values(
        NodeCheckCase{"NoNodeOfThatRank",
                      [](sim::World& w) {
                          for (int i = 0; i < 3; ++i) {
                              w.roadNodes.push_back(sim::RoadNode{sim::Vec{0, -80.0f - i, 0}});
                          }
                      }},
        NodeCheckCase{"Occupied",
                      [](sim::World& w) {
                          AddRoad(w, -80.0f);
                          for (const sim::RoadNode& n : std::vector<sim::RoadNode>(w.roadNodes)) {
                              sim::CreateVehicleEntity(w, sim::HashName("blista"), n.position, 0);
                          }
                      }},
        NodeCheckCase{"InSight",
                      [](sim::World& w) {
                          Plugin.Settings.MinTransformDistance = 4.9f;  // the fourth nearest
                          AddRoad(w, 80.0f);
                      }},
        NodeCheckCase{"NotBeyondTheMinimumDistance",
                      [](sim::World& w) {
                          Plugin.Settings.MinTransformDistance = 4.9f;
                          for (int i = 0; i < 10; ++i) {
                              w.roadNodes.push_back(sim::RoadNode{sim::Vec{0, -4.0f, 0}});
                          }
                      }}),
    CaseName());

struct HotkeyCase {
    const char* name;
    bool held;
    int spawnWaitMs;
    bool timerWaits;
    std::vector<int> lastWaits;
};
KORVANE_CASE_PRINTS_ITS_NAME(HotkeyCase)

class NodePauseTest : public RoadNodeTest, public ::testing::WithParamInterface<HotkeyCase> {};

TEST_P(NodePauseTest, SettleWaitIsKeptEvenWithTheHotkeyHeld) {
    const HotkeyCase& c = GetParam();
    Plugin.Settings.SpawnWaitMs = c.spawnWaitMs;
    if (c.held) {
        HoldHotkey();
    }
    AddRoad(-80.0f);
    Spawn();
    ASSERT_EQ(Plugin.TrackedVehicles.size(), 1u);
    std::vector<int> waits = Waits();
    size_t zeros = 0;
    while (zeros < waits.size() && waits[zeros] == 0) {
        ++zeros;
    }
    EXPECT_EQ(zeros > 0, c.timerWaits);
    EXPECT_EQ(std::vector<int>(waits.begin() + zeros, waits.end()), c.lastWaits);
    EXPECT_EQ(Count("GetTimerA") > 0, !c.held);
    EXPECT_EQ(Count("SetTimerA"), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, NodePauseTest,
                         ::testing::Values(HotkeyCase{"Released", false, 700, true, {10, 700}},
                                           HotkeyCase{"Held", true, 700, false, {10}},
                                           HotkeyCase{"NegativeSpawnWait", false, -5, true, {10}}),
                         CaseName());

struct StartSpeedCase {
    const char* name;
    bool playerInVehicle;
    float playerHeading;
    float nodeHeading;
    bool cameCloser;
    const char* model;
    float factor;      // times the player's vehicle speed when matched...
    float fixedSpeed;  // ...or this speed when not (0: matched)
};
KORVANE_CASE_PRINTS_ITS_NAME(StartSpeedCase)

class StartSpeedTest : public RoadNodeTest, public ::testing::WithParamInterface<StartSpeedCase> {};

TEST_P(StartSpeedTest, MatchesThePlayersPaceOnlyWhenDrivingTowardsTheNode) {
    const StartSpeedCase& c = GetParam();
    UseOnlyModel(c.model);
    AddRoad(-80.0f, c.nodeHeading);
    int32_t car = 0;
    if (c.playerInVehicle) {
        car = AddVehicle("blista", sim::Vec{0, 0, 0}, c.playerHeading);
        sim::SeatPed(world, player, car, -1);
        E(player).heading = c.playerHeading;
        world.playerDrives = true;
        world.playerSpeed = 20.0f;
        const sim::Vec dir = sim::HeadingDirection(c.playerHeading);
        E(car).velocity = sim::Vec{dir.x * 20.0f, dir.y * 20.0f, 0};
        world.playerLastVehicle = car;
        Plugin.PlayerLastVehicle = car;
    }
    // Where the pass found the player: farther from the road, or nearer.
    Plugin.PlayerPosition = MakeVec3(0, c.cameCloser ? 30.0f : -30.0f, 0);
    Spawn();
    ASSERT_EQ(Count("CreateVehicle"), 1);
    if (c.fixedSpeed > 0.0f) {
        EXPECT_FLOAT_EQ(ForwardSpeed(), c.fixedSpeed);
    } else {
        float playerSpeed = -1.0f;
        for (const sim::TraceEntry& e : CallsTo("GetEntitySpeed")) {
            if (e.args[0] == car) {
                playerSpeed = e.ret.get<float>();
            }
        }
        ASSERT_GT(playerSpeed, 10.0f);
        EXPECT_FLOAT_EQ(ForwardSpeed(), playerSpeed * c.factor);
    }
    // The player's position is taken afresh.
    const sim::Vec now = E(player).position;
    EXPECT_NEAR(Plugin.PlayerPosition.y, now.y, 5.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartSpeedTest,
    ::testing::Values(
        StartSpeedCase{"AheadTheSameWay", true, 170.0f, 180.0f, true, "issi2", 1.5f, 0.0f},
        StartSpeedCase{"Within89Degrees", true, 91.0f, 180.0f, true, "issi2", 1.5f, 0.0f},
        StartSpeedCase{"At90Degrees", true, 90.0f, 180.0f, true, "issi2", 0.0f, 15.0f},
        StartSpeedCase{"AcrossNorth350To10", true, 350.0f, 10.0f, true, "issi2", 0.0f, 15.0f},
        StartSpeedCase{"AcrossNorth10To350", true, 10.0f, 350.0f, true, "issi2", 0.0f, 15.0f},
        StartSpeedCase{"NotComingCloser", true, 170.0f, 180.0f, false, "issi2", 0.0f, 15.0f},
        StartSpeedCase{"OnFoot", false, 0.0f, 180.0f, true, "issi2", 0.0f, 15.0f},
        StartSpeedCase{"HelicopterOnFoot", false, 0.0f, 180.0f, true, "maverick", 0.0f, 15.0f},
        StartSpeedCase{"HelicopterMatched", true, 170.0f, 180.0f, true, "maverick", 1.5f, 0.0f},
        StartSpeedCase{"PlaneOnFoot", false, 0.0f, 180.0f, true, "cuban800", 0.0f, 1000.0f},
        StartSpeedCase{"PlaneMatched", true, 170.0f, 180.0f, true, "cuban800", 100.0f, 0.0f}),
    CaseName());

struct PlacementCase {
    const char* model;
    float heightOffset;
    bool launched;
    bool landingGearUp;
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
    *os << c.model;
}

class NodePlacementTest : public RoadNodeTest,
                          public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(NodePlacementTest, AircraftStartAboveTheNode) {
    const PlacementCase& c = GetParam();
    UseOnlyModel(c.model);
    Plugin.Settings.MinAirplaneHeight = 60.0f;
    Plugin.CandidateState.CandidateVelocity = MakeVec3(1.0f, -2.0f, 0.5f);
    AddRoad(-80.0f);
    HoldHotkey();
    Spawn();
    const sim::Vec node = QueriedNode();
    ASSERT_EQ(Count("CreateVehicle"), 1);
    const nlohmann::json create = CallsTo("CreateVehicle")[0].args;
    EXPECT_FLOAT_EQ(create[3].get<float>(), node.z + c.heightOffset);
    const std::vector<sim::TraceEntry> velocity = CallsTo("SetEntityVelocity");
    if (c.launched) {
        ASSERT_EQ(velocity.size(), 1u);
        EXPECT_EQ(velocity[0].args[1], 50.0);
        EXPECT_EQ(velocity[0].args[2], -100.0);
        EXPECT_EQ(velocity[0].args[3], 25.0);
    } else {
        EXPECT_TRUE(velocity.empty());
    }
    const std::vector<sim::TraceEntry> gear = CallsTo("ControlLandingGear");
    EXPECT_EQ(gear.size(), c.landingGearUp ? 1u : 0u);
    ASSERT_EQ(Plugin.TrackedVehicles.size(), 1u);
    EXPECT_EQ(E(Plugin.TrackedVehicles[0]).plate, "K41482D2");
}

INSTANTIATE_TEST_SUITE_P(Types, NodePlacementTest,
                         ::testing::Values(PlacementCase{"cuban800", 60.0f, true, true},
                                           PlacementCase{"maverick", 15.0f, false, true},
                                           PlacementCase{"issi2", 0.0f, false, false}),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) {
                             return std::string(info.param.model);
                         });

TEST_F(RoadNodeTest, VehicleThatComesIntoSightIsDeletedWithItsDriver) {
    // The player drives north towards the road; the camera rides behind.
    Plugin.Settings.MinTransformDistance = 4.9f;  // the fourth nearest node
    world.cameraFollowsPlayer = true;
    const int32_t car = AddVehicle("blista", sim::Vec{0, 0, 0}, 0.0f);
    sim::SeatPed(world, player, car, -1);
    world.playerDrives = true;
    world.playerSpeed = 30.0f;
    E(car).velocity = sim::Vec{0, 30.0f, 0};
    world.camera.position = sim::Vec{0, -7.0f, 2.0f};
    for (float y : {150.0f, 155.0f, 160.0f, 168.0f, 175.0f, 180.0f}) {
        world.roadNodes.push_back(sim::RoadNode{sim::Vec{0, y, 0}, 0.0f, 2});
    }
    world.modelLoadDelayFrames = 60;  // one second of driving while it loads
    Spawn();
    ASSERT_EQ(Count("CreateVehicle"), 1);
    EXPECT_EQ(QueriedNode().y, 168.0f);
    const std::vector<sim::TraceEntry> deleted = CallsTo("DeleteEntity");
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].args[0], CallsTo("CreateVehicle")[0].ret);
    EXPECT_EQ(deleted[1].args[0], CallsTo("CreateRandomPedAsDriver")[0].ret);
    EXPECT_EQ(Plugin.CandidateState.NodeDriver, 0);
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_TRUE(VehiclesOf("issi2").empty());
    EXPECT_EQ(Count("SetVehicleNumberPlateText"), 0);
}

TEST_F(RoadNodeTest, ModelThatNeverLoadsLeavesTheNodeTextAndDrawsLinesToTheNode) {
    Plugin.Settings.DebugMessages = 1;
    world.neverLoadingModels.insert(Hash("issi2"));
    AddRoad(-80.0f);
    HoldHotkey();
    Spawn();
    const sim::Vec node = QueriedNode();
    EXPECT_EQ(Count("CreateVehicle"), 0);
    EXPECT_EQ(Plugin.StatusText, "SPAWNING AT NEW NODE\nissi2");
    EXPECT_EQ(Waits(), std::vector<int>(500, 0));
    const std::vector<sim::TraceEntry> lines = CallsTo("DrawLine");
    ASSERT_EQ(lines.size(), 500u);
    EXPECT_EQ(lines[0].args[3].get<float>(), node.x);
    EXPECT_EQ(lines[0].args[4].get<float>(), node.y);
    EXPECT_EQ(lines[0].args[5].get<float>(), node.z);
    EXPECT_EQ(Count("DrawText"), 500);
}

TEST_F(RoadNodeTest, VehicleThatWasNotMadeIsLeftAlone) {
    world.vehiclePoolLimit = sim::CountEntities(world, sim::EntityKind::Vehicle);
    AddRoad(-80.0f);
    HoldHotkey();
    Spawn();
    EXPECT_EQ(Count("CreateVehicle"), 1);
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_EQ(Count("IsEntityOnScreen"), 0);
    EXPECT_EQ(Count("SetVehicleNumberPlateText"), 0);
}

}  // namespace

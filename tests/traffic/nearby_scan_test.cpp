// The nearby-vehicle scan and the candidate tests, against the substitute
// host: which vehicles join the tracked list, and which of them are replaced.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "tracking/law_crews.h"
#include "traffic/misreporting_host.h"
#include "traffic/nearby_scan.h"
#include "traffic/occupants.h"
#include "traffic/plates.h"
#include "traffic/replacement.h"
#include "traffic/road_nodes.h"
#include "traffic/spawn_draws.h"
#include "traffic/traffic_fixture.h"
#include "traffic/vehicle_checks.h"

namespace {

class NearbyScanTest : public TrafficFixture {
protected:
    void Scan() {
        Run([] { ScanNearbyVehicles(); });
    }
    // Whether `vehicle` was replaced in its slot by a marked vehicle of the
    // drawn model.
    bool WasReplaced(int32_t vehicle, size_t slot) {
        if (Exists(vehicle)) {
            return false;
        }
        EXPECT_LT(slot, Plugin.TrackedVehicles.size());
        const int32_t replacement = Plugin.TrackedVehicles.at(slot);
        EXPECT_NE(replacement, vehicle);
        EXPECT_TRUE(Exists(replacement));
        if (!Exists(replacement)) {
            return false;
        }
        EXPECT_EQ(E(replacement).model, Hash(onlyModel));
        EXPECT_EQ(E(replacement).plate, "K41482D2");
        return true;
    }
};

TEST_F(NearbyScanTest, CollectsOnlyUnseenVehiclesNearestFirst) {
    const int32_t far = AddVehicle("blista", sim::Vec{0, 60, 0});
    const int32_t nearest = AddVehicle("blista", sim::Vec{0, 10, 0});
    const int32_t middle = AddVehicle("blista", sim::Vec{0, 30, 0});
    AddVehicle("blista", sim::Vec{0, 500, 0});  // beyond the host's radius
    Plugin.TrackedVehicles = {middle};
    for (int32_t v : {far, nearest, middle}) {
        E(v).onScreenOverride = 1;
    }
    Scan();
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{middle, nearest, far}));
    ASSERT_EQ(Count("GetPedNearbyVehicles"), 1);
    EXPECT_EQ(CallsTo("GetPedNearbyVehicles")[0].args[0], player);
    EXPECT_EQ(Count("CreateVehicle"), 0);
}

TEST_F(NearbyScanTest, TakesNoMoreThan101VehiclesInOneTick) {
    std::vector<int32_t> byDistance;
    for (int i = 0; i < 120; ++i) {
        const int32_t v = AddVehicle("blista", sim::Vec{0, 5.0f + 0.5f * i, 0});
        E(v).onScreenOverride = 1;
        byDistance.push_back(v);
    }
    Plugin.TrackedVehicles = {byDistance[2]};
    Scan();
    std::vector<EntityHandle> expected = {byDistance[2]};
    for (int i = 0; i < 101; ++i) {
        if (i != 2) {
            expected.push_back(byDistance[i]);
        }
    }
    EXPECT_EQ(Plugin.TrackedVehicles, expected);
    EXPECT_EQ(Count("IsEntityOnScreen"), 101);
}

// The candidate tests in their order, for a candidate whose draw fails and
// two standing vehicles in sight.
struct OrderCase {
    const char* name;
    int twins;
    std::vector<std::string> damageTest;
};
KORVANE_CASE_PRINTS_ITS_NAME(OrderCase)

class CandidateOrderTest : public NearbyScanTest,
                           public ::testing::WithParamInterface<OrderCase> {};

TEST_P(CandidateOrderTest, TestsACandidateInTheOrderOfTheRules) {
    Plugin.Settings.SpawnOdds = INT_MAX;
    const int32_t candidate = AddTraffic("blista", 80.0f);
    std::vector<EntityHandle> tracked = {candidate};
    for (int i = 0; i < GetParam().twins; ++i) {
        tracked.push_back(AddSeenTwin("blista"));
    }
    Plugin.TrackedVehicles = tracked;
    Scan();
    const std::vector<std::string> distance = {"GetEntityPosition", "GetEntityPosition",
                                               "GetDistanceBetweenCoords"};
    std::vector<std::string> expected = {"GetPedNearbyVehicles", "IsEntityOnScreen",
                                         // a road vehicle
                                         "GetEntityModel", "EntityExists", "IsVehicleDriveable",
                                         "IsVehicleAttachedToTrailer", "IsThisModelACar",
                                         "GetVehicleNumberPlateText", "GetEntityPosition"};
    expected.insert(expected.end(), distance.begin(), distance.end());
    expected.insert(expected.end(), {"GetEntityModel", "GetEntitySpeed", "IsThisModelAPlane",
                                     "IsThisModelAHeli", "GetEntityVelocity", "GetEntityHeading"});
    for (int i = 0; i < GetParam().twins; ++i) {
        expected.push_back("GetEntityModel");
    }
    expected.insert(expected.end(), distance.begin(), distance.end());
    const std::vector<std::string>& damage = GetParam().damageTest;
    expected.insert(expected.end(), damage.begin(), damage.end());
    expected.push_back("GetRandomIntInRange");
    for (int i = 0; i < GetParam().twins; ++i) {
        expected.push_back("IsEntityOnScreen");
    }
    EXPECT_EQ(Ops(), expected);
    EXPECT_TRUE(Exists(candidate));
}

INSTANTIATE_TEST_SUITE_P(Cases, CandidateOrderTest,
                         ::testing::Values(OrderCase{"TwoTwins", 2, {}},
                                           OrderCase{"OneTwin",
                                                     1,
                                                     {"HasEntityBeenDamagedByAnyVehicle",
                                                      "HasEntityBeenDamagedByAnyPed"}}),
                         CaseName());

struct TwinCase {
    const char* name;
    int twins;
    bool damagedByVehicle;
    bool damagedByPed;
    bool replaced;
    bool damageConsulted;
};
KORVANE_CASE_PRINTS_ITS_NAME(TwinCase)

class TwinRuleTest : public NearbyScanTest, public ::testing::WithParamInterface<TwinCase> {};

TEST_P(TwinRuleTest, ReplacesOnlyAModelSeenTwiceOrAnUndamagedOneWithATwin) {
    const TwinCase& c = GetParam();
    const int32_t candidate = AddTraffic("blista", 80.0f);
    E(candidate).damagedByVehicle = c.damagedByVehicle;
    E(candidate).damagedByPed = c.damagedByPed;
    for (int i = 0; i < c.twins; ++i) {
        AddSeenTwin("blista");
    }
    AddSeenTwin("issi2");  // another model is no twin
    Plugin.TrackedVehicles = {candidate};
    Scan();
    EXPECT_EQ(WasReplaced(candidate, 0), c.replaced);
    EXPECT_EQ(Count("CreateVehicle"), c.replaced ? 1 : 0);
    EXPECT_EQ(Count("HasEntityBeenDamagedByAnyVehicle") > 0, c.damageConsulted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwinRuleTest,
    ::testing::Values(TwinCase{"NoTwin", 0, false, false, false, false},
                      TwinCase{"OneTwinUndamaged", 1, false, false, true, true},
                      TwinCase{"OneTwinDamagedByAVehicle", 1, true, false, false, true},
                      TwinCase{"OneTwinDamagedByAPed", 1, false, true, false, true},
                      TwinCase{"TwoTwinsDamaged", 2, true, true, true, false},
                      TwinCase{"ThreeTwins", 3, false, false, true, false}),
    CaseName());

struct MotionCase {
    const char* name;
    float speed;
    float distance;
    float minTransformDistance;
    bool replaced;
};
KORVANE_CASE_PRINTS_ITS_NAME(MotionCase)

class MotionAndDistanceTest : public NearbyScanTest,
                              public ::testing::WithParamInterface<MotionCase> {};

TEST_P(MotionAndDistanceTest, ReplacesMovingOrDistantVehiclesBeyondTheMinimum) {
    const MotionCase& c = GetParam();
    Plugin.Settings.MinTransformDistance = c.minTransformDistance;
    const int32_t candidate = AddTraffic("blista", c.distance, c.speed);
    AddSeenTwin("blista");
    AddSeenTwin("blista");
    Plugin.TrackedVehicles = {candidate};
    Scan();
    EXPECT_EQ(WasReplaced(candidate, 0), c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MotionAndDistanceTest,
    ::testing::Values(MotionCase{"StillWithin50m", 0.0f, 50.0f, 30.0f, false},
                      MotionCase{"StillAt51m", 0.0f, 51.0f, 30.0f, true},
                      MotionCase{"CreepingAtOneTenthWithin50m", 0.1f, 40.0f, 30.0f, false},
                      MotionCase{"MovingWithin50m", 0.2f, 40.0f, 30.0f, true},
                      MotionCase{"ExactlyAtTheMinimumDistance", 10.0f, 30.0f, 30.0f, false},
                      MotionCase{"JustBeyondTheMinimumDistance", 10.0f, 30.5f, 30.0f, true},
                      MotionCase{"NearerThanALargeMinimum", 10.0f, 60.0f, 70.0f, false}),
    CaseName());

struct EligibilityCase {
    const char* name;
    const char* model;
    std::function<void(sim::World&, int32_t)> prepare;
    bool replaced;
};
KORVANE_CASE_PRINTS_ITS_NAME(EligibilityCase)

class EligibilityTest : public NearbyScanTest,
                        public ::testing::WithParamInterface<EligibilityCase> {};

TEST_P(EligibilityTest, OnlyOrdinaryRoadVehiclesOutOfSightAreCandidates) {
    const EligibilityCase& c = GetParam();
    const int32_t candidate = AddTraffic(c.model, 80.0f);
    AddSeenTwin(c.model);
    AddSeenTwin(c.model);
    if (c.prepare) {
        c.prepare(world, candidate);
    }
    Plugin.PlayerLastVehicle = world.playerLastVehicle;
    Plugin.TrackedVehicles = {candidate};
    Scan();
    EXPECT_EQ(WasReplaced(candidate, 0), c.replaced);
    EXPECT_EQ(Count("CreateVehicle"), c.replaced ? 1 : 0);
}

void SetPlate(sim::World& w, int32_t v, const char* plate) {
    w.entities.at(v).plate = plate;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EligibilityTest,
    ::testing::Values(
        EligibilityCase{"Car", "blista", nullptr, true},
        EligibilityCase{"Motorbike", "faggio", nullptr, true},
        EligibilityCase{"QuadBike", "blazer", nullptr, true},
        EligibilityCase{"Plane", "cuban800", nullptr, false},
        EligibilityCase{"Helicopter", "maverick", nullptr, false},
        EligibilityCase{"Boat", "dinghy", nullptr, false},
        EligibilityCase{"Trailer", "trailers", nullptr, false},
        EligibilityCase{"CarTowingATrailer", "blista",
                        [](sim::World& w, int32_t v) { w.entities.at(v).towingTrailer = true; },
                        false},
        EligibilityCase{"Wreck", "blista",
                        [](sim::World& w, int32_t v) { w.entities.at(v).alive = false; }, false},
        EligibilityCase{"Undriveable", "blista",
                        [](sim::World& w, int32_t v) { w.entities.at(v).driveable = false; },
                        false},
        EligibilityCase{"ThePlayersVehicle", "blista",
                        [](sim::World& w, int32_t v) { w.playerLastVehicle = v; }, false},
        EligibilityCase{"OnScreen", "blista",
                        [](sim::World& w, int32_t v) { w.entities.at(v).onScreenOverride = 1; },
                        false},
        EligibilityCase{"TransformedPlate", "blista",
                        [](sim::World& w, int32_t v) { SetPlate(w, v, "K41482D2"); }, false},
        EligibilityCase{"FilledPlate", "blista",
                        [](sim::World& w, int32_t v) { SetPlate(w, v, "64GA1714"); }, true},
        EligibilityCase{"PlateOneCharacterOff", "blista",
                        [](sim::World& w, int32_t v) { SetPlate(w, v, "K41482D3"); }, true},
        EligibilityCase{"PlateCutShort", "blista",
                        [](sim::World& w, int32_t v) { SetPlate(w, v, "K41482D"); }, true}),
    CaseName());

TEST_F(NearbyScanTest, CandidateRecordHoldsTheLastVehicleThatReachedIt) {
    Plugin.CandidateState.NodeDriver = 4242;
    const int32_t lone = AddVehicle("bison", sim::Vec{3, -90, 0}, 170.0f);  // no twin
    E(lone).velocity = sim::Vec{1, -8, 0};
    const int32_t marked = AddTraffic("blista", 70.0f);  // never reaches the record
    E(marked).plate = "K41482D2";
    Scan();
    const CandidateRecord& c = Plugin.CandidateState;
    EXPECT_FLOAT_EQ(c.CandidatePosition.y, -90.0f);
    EXPECT_FLOAT_EQ(c.CandidatePosition.x, 3.0f);
    EXPECT_FLOAT_EQ(c.CandidateDistance, sim::Distance(sim::Vec{3, -90, 0}, sim::Vec{}));
    EXPECT_FLOAT_EQ(c.CandidateVelocity.y, -8.0f);
    EXPECT_FLOAT_EQ(c.SpawnHeading, 170.0f);
    EXPECT_EQ(c.NodeDriver, 0);
    EXPECT_TRUE(Exists(lone));
}

TEST_F(NearbyScanTest, AReplacementIsNeverReplacedAgain) {
    const int32_t candidate = AddTraffic("blista", 80.0f);
    AddSeenTwin("blista");
    AddSeenTwin("blista");
    AddSeenTwin("issi2");
    AddSeenTwin("issi2");
    Plugin.TrackedVehicles = {candidate};
    Scan();
    ASSERT_TRUE(WasReplaced(candidate, 0));
    const int32_t replacement = Plugin.TrackedVehicles[0];
    E(replacement).velocity = sim::Vec{0, -10, 0};
    UseOnlyModel("ninef");
    sim::ClearMemoryTrace();
    Scan();
    EXPECT_TRUE(Exists(replacement));
    EXPECT_EQ(Count("CreateVehicle"), 0);
}

TEST_F(NearbyScanTest, WalkGoesOnAfterEachReplacementAndEndsWithTheRoadNodes) {
    Plugin.Settings.NewVehicleSpawnRate = 1;
    const int32_t first = AddTraffic("blista", 80.0f);
    const int32_t second = AddTraffic("blista", 90.0f);
    AddSeenTwin("blista");
    Plugin.TrackedVehicles = {first, second};
    Scan();
    EXPECT_TRUE(WasReplaced(first, 0));
    EXPECT_TRUE(WasReplaced(second, 1));
    const std::vector<std::string> ops = Ops();
    ASSERT_FALSE(ops.empty());
    size_t lastCreate = 0;
    size_t nodeQuery = 0;
    for (size_t i = 0; i < ops.size(); ++i) {
        if (ops[i] == "CreateVehicle") {
            lastCreate = i;
        }
        if (ops[i] == "GetNthClosestVehicleNodeWithHeading") {
            nodeQuery = i;
        }
    }
    EXPECT_GT(nodeQuery, lastCreate);
}

TEST_F(NearbyScanTest, EmptyListGoesStraightToTheRoadNodes) {
    Plugin.Settings.NewVehicleSpawnRate = 1;
    Scan();
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
    EXPECT_EQ(Count("GetNthClosestVehicleNodeWithHeading"), 1);
    EXPECT_EQ(Count("IsEntityOnScreen"), 0);
}

// The one-in-N draw uses SpawnOdds + 1 as its exclusive end, so the odds are
// one in SpawnOdds, and odds of 1 or less always win.
struct OddsCase {
    const char* name;
    int32_t odds;
    int32_t expectedEnd;
};
KORVANE_CASE_PRINTS_ITS_NAME(OddsCase)

class SpawnOddsTest : public NearbyScanTest, public ::testing::WithParamInterface<OddsCase> {};

TEST_P(SpawnOddsTest, DrawsOneInSpawnOdds) {
    const OddsCase& c = GetParam();
    Plugin.Settings.SpawnOdds = c.odds;
    std::vector<int32_t> candidates;
    for (int i = 0; i < 40; ++i) {
        candidates.push_back(AddTraffic("blista", 60.0f + i));
    }
    AddSeenTwin("blista");
    AddSeenTwin("blista");
    Plugin.TrackedVehicles = candidates;
    Scan();
    const std::vector<int> draws = Draws(1, c.expectedEnd);
    ASSERT_EQ(draws.size(), candidates.size());
    int wins = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const bool win = c.odds <= 1 || draws[i] == 1;
        EXPECT_EQ(WasReplaced(candidates[i], i), win) << "candidate " << i;
        wins += win ? 1 : 0;
    }
    if (c.odds <= 1) {
        EXPECT_EQ(wins, 40);
    } else if (c.odds == 2) {
        EXPECT_GT(wins, 0);
        EXPECT_LT(wins, 40);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SpawnOddsTest,
                         ::testing::Values(OddsCase{"OneInTwo", 2, 3}, OddsCase{"OneInSix", 6, 7},
                                           OddsCase{"One", 1, 2}, OddsCase{"Zero", 0, 1},
                                           OddsCase{"Negative", -3, -2},
                                           OddsCase{"LargestInt", INT_MAX, INT_MAX}),
                         CaseName());

// A host that claims more vehicles than the buffer holds, or a negative
// number, is read only as far as the buffer goes.
struct CountCase {
    const char* name;
    void (*alter)(sim::NativeCall&);
    size_t tracked;
};
KORVANE_CASE_PRINTS_ITS_NAME(CountCase)

// Fills every slot of the buffer with a handle of its own, 5000 + slot.
void FillBuffer(sim::NativeCall& call) {
    int32_t* buffer = call.Ptr<int32_t>(1);
    for (int slot = 1; slot <= 101; ++slot) {
        buffer[2 * slot] = 5000 + slot;
    }
}

class MisreportedCountTest : public NearbyScanTest,
                             public ::testing::WithParamInterface<CountCase> {};

TEST_P(MisreportedCountTest, ReadsNoMoreThanTheBufferHolds) {
    MisreportingHost host("GetPedNearbyVehicles", GetParam().alter);
    Scan();
    ASSERT_EQ(Plugin.TrackedVehicles.size(), GetParam().tracked);
    for (size_t i = 0; i < Plugin.TrackedVehicles.size(); ++i) {
        EXPECT_EQ(Plugin.TrackedVehicles[i], static_cast<EntityHandle>(5001 + i));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MisreportedCountTest,
                         ::testing::Values(CountCase{"OneMore",
                                                     [](sim::NativeCall& call) {
                                                         FillBuffer(call);
                                                         call.ReturnInt(102);
                                                     },
                                                     101},
                                           CountCase{"FarTooMany",
                                                     [](sim::NativeCall& call) {
                                                         FillBuffer(call);
                                                         call.ReturnInt(1 << 30);
                                                     },
                                                     101},
                                           CountCase{"Negative",
                                                     [](sim::NativeCall& call) {
                                                         FillBuffer(call);
                                                         call.ReturnInt(-7);
                                                     },
                                                     0},
                                           CountCase{"Exact",
                                                     [](sim::NativeCall& call) {
                                                         FillBuffer(call);
                                                         call.ReturnInt(4);
                                                     },
                                                     4}),
                         CaseName());

// A host that claims a full buffer but writes only the vehicles there are
// leaves 0 in the other slots: those are no vehicles and are not tracked.
TEST_F(NearbyScanTest, SlotsTheHostClaimedButDidNotWriteAreNoVehicles) {
    MisreportingHost host("GetPedNearbyVehicles",
                          [](sim::NativeCall& call) { call.ReturnInt(101); });
    const int32_t first = AddSeenTwin("blista");
    const int32_t second = AddSeenTwin("asea");
    Scan();
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{first, second}));
}

TEST_F(NearbyScanTest, PlateWithoutTextIsNoMarker) {
    MisreportingHost host("GetVehicleNumberPlateText",
                          [](sim::NativeCall& call) { call.ReturnText(nullptr); });
    const int32_t candidate = AddTraffic("blista", 80.0f);
    E(candidate).plate = "K41482D2";  // unreadable to the plug-in
    AddSeenTwin("blista");
    AddSeenTwin("blista");
    Plugin.TrackedVehicles = {candidate};
    Scan();
    EXPECT_FALSE(Exists(candidate));
    EXPECT_EQ(Count("CreateVehicle"), 1);
}

}  // namespace

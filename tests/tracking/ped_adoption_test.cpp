// Ambient ped adoption against the substitute host: taking the world's peds
// into the list, the spawner step for peds on foot and the police-driver step.
//
// Index:
// [SECTION] Taking the world's peds in
// [SECTION] The spawner step, one fresh world per case
// [SECTION] The police-driver step, one fresh world per case
// [SECTION] The spawner switched off
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "support/case_names.h"
#include "tracking/aircraft_tasks.h"
#include "tracking/entity_checks.h"
#include "tracking/law_crews.h"
#include "tracking/list_access.h"
#include "tracking/parachutes.h"
#include "tracking/ped_adoption.h"
#include "tracking/ped_tasks.h"
#include "tracking/tracked_lists.h"
#include "tracking/tracking_fixture.h"

namespace {

using Names = std::vector<std::string>;
using Handles = std::vector<EntityHandle>;

bool Contains(const Handles& list, EntityHandle handle) {
    return std::find(list.begin(), list.end(), handle) != list.end();
}

class PedAdoptionTest : public TrackingTest {
protected:
    // The handles the walk looked at closely (it reads the ped type of each).
    Handles Visited() const { return FirstArgs("GetPedType"); }
    Handles Created() const {
        Handles created;
        for (const sim::TraceEntry& e : CallsTo("CreateRandomPed")) {
            created.push_back(e.ret.get<int32_t>());
        }
        return created;
    }
};

//-----------------------------------------------------------------------------
// [SECTION] Taking the world's peds in
//-----------------------------------------------------------------------------

TEST_F(PedAdoptionTest, NoWorldPedsAndAnEmptyListOnlyRecordTheCount) {
    sim::RemoveEntity(world, player);
    AdoptAmbientPeds();
    EXPECT_EQ(Ops(), (Names{"worldGetAllPeds"}));
    EXPECT_EQ(CallsTo("worldGetAllPeds")[0].args[1], 512);
    EXPECT_EQ(Plugin.LastTrackedPedCount, 0);
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
}

TEST_F(PedAdoptionTest, UsableTrackedPedIsNotAppendedAgain) {
    const int32_t far = PedAt({0, 500, 0});
    Plugin.TrackedPeds = {far};
    AdoptAmbientPeds();
    // The player is enumerated too; it fails the usability test and is appended.
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{far, player}));
    EXPECT_EQ(Plugin.LastTrackedPedCount, 1);
}

TEST_F(PedAdoptionTest, UnusableWorldPedsAreAppendedEveryRunUntilNormalised) {
    const int32_t dead = PedAt({0, 300, 0});
    E(dead).alive = false;
    const int32_t animal = PedAt({0, 310, 0});
    E(animal).human = false;
    const int32_t usable = PedAt({0, 320, 0});

    AdoptAmbientPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{player, dead, animal, usable}));
    EXPECT_EQ(Plugin.LastTrackedPedCount, 0);

    AdoptAmbientPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{player, dead, animal, usable, player, dead, animal}));
    EXPECT_EQ(Plugin.LastTrackedPedCount, 4);

    NormaliseTrackedLists(Plugin.TrackedPeds);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{player, dead, animal, usable}));
}

TEST_F(PedAdoptionTest, ReportedCountIsKeptWithinTheBuffer) {
    struct Case {
        int reported;
        int used;
    };
    for (const Case& c : {Case{-1, 0}, Case{INT_MIN, 0}, Case{0, 0}, Case{7, 7}, Case{512, 512},
                          Case{513, 512}, Case{INT_MAX, 512}}) {
        EXPECT_EQ(ClampedCount(c.reported, 512), c.used) << c.reported;
    }
}

// A host that reports more peds than it wrote leaves 0 in the rest of the
// buffer (chaos makes the world-ped count go out of range): 0 is no ped and
// is never tracked.
TEST_F(PedAdoptionTest, BufferSlotsTheHostDidNotWriteAreNoPeds) {
    const int32_t far = PedAt({0, 500, 0});
    world.chaos.rate = 1.0;
    world.chaos.kinds = 1u << static_cast<unsigned>(sim::ChaosKind::CountOutOfRange);
    bool overstated = false;
    for (int run = 0; run < 8; ++run) {
        AdoptAmbientPeds();
        overstated = overstated || CallsTo("worldGetAllPeds").back().ret.get<int64_t>() > 512;
        EXPECT_EQ(std::count(Plugin.TrackedPeds.begin(), Plugin.TrackedPeds.end(), 0), 0);
        NormaliseTrackedLists(Plugin.TrackedPeds);
    }
    EXPECT_TRUE(overstated) << "the host claimed more than the buffer holds";
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{player, far}));
}

TEST_F(PedAdoptionTest, OnFootPedNearThePlayerIsReleasedWithCallsInOrder) {
    const int32_t ped = PedAt({0, 20, 0}, true);
    Plugin.TrackedPeds = {ped};
    AdoptAmbientPeds();
    const Names distance = {"GetEntityPosition", "GetEntityPosition", "GetDistanceBetweenCoords"};
    const Names usable = {"EntityExists", "IsPedDeadOrDying", "IsPedHuman"};
    Names expected = {"worldGetAllPeds"};
    auto add = [&expected](const Names& part) {
        expected.insert(expected.end(), part.begin(), part.end());
    };
    add(usable);  // the enumerated ped is tested and found in the list
    add(distance);
    add({"GetPedType", "IsPedInAnyVehicle"});
    add(usable);
    add({"IsPedInAnyVehicle", "GetEntityPosition", "SetPedNoLongerNeeded", "IsEntityOnScreen"});
    add(distance);
    add({"IsPedFleeing"});
    add(distance);  // the player, appended by the enumeration, is near but not usable
    add({"GetPedType", "IsPedInAnyVehicle", "PopulateNow"});
    EXPECT_EQ(Ops(), expected);
    EXPECT_EQ(Plugin.AdoptionCurrentPed, player);
    EXPECT_TRUE(E(ped).released);
}

//-----------------------------------------------------------------------------
// [SECTION] The spawner step, one fresh world per case
//-----------------------------------------------------------------------------

struct OnFootCase {
    const char* name;
    float distance;
    bool onScreen;
    bool fleeing;
    bool visited;
    bool spawns;
};
KORVANE_CASE_PRINTS_ITS_NAME(OnFootCase)

class OnFootTest : public PedAdoptionTest, public ::testing::WithParamInterface<OnFootCase> {};

TEST_P(OnFootTest, ReleasedAndSpawningByDistanceAndFlight) {
    const OnFootCase& c = GetParam();
    const int32_t ped = PedAt({0, c.distance, 0}, c.onScreen);
    E(ped).fleeing = c.fleeing;
    Plugin.TrackedPeds = {ped};
    AdoptAmbientPeds();

    const Handles visited = Visited();
    EXPECT_EQ(Contains(visited, ped), c.visited);
    EXPECT_EQ(E(ped).released, c.visited);
    EXPECT_EQ(Count("ClearPedTasks") > 0, c.spawns);
    const Handles created = Created();
    EXPECT_EQ(!created.empty(), c.spawns);
    if (c.spawns) {
        // A walkable point next to the ped, handed to the game, tracked, and
        // visited later in the same walk.
        const int32_t first = created[0];
        EXPECT_EQ(CallsTo("GetSafeCoordForPed")[0].args[4], CallsTo("CreateRandomPed")[0].args);
        EXPECT_FLOAT_EQ(CallsTo("GetSafeCoordForPed")[0].args[1].get<float>(), c.distance);
        EXPECT_TRUE(E(first).released);
        EXPECT_TRUE(Contains(Plugin.TrackedPeds, first));
        // Every new ped inside the radius is visited in the same walk.
        for (int32_t made : created) {
            const bool inside =
                sim::Distance(E(made).position, E(player).position) < AdoptionRadius;
            EXPECT_EQ(Contains(visited, made), inside) << made;
        }
    }
    EXPECT_EQ(Ops().back(), "PopulateNow");
}

INSTANTIATE_TEST_SUITE_P(
    Adoption, OnFootTest,
    ::testing::Values(OnFootCase{"near_on_screen_calm", 20, true, false, true, false},
                      OnFootCase{"near_off_screen_calm", 20, false, false, true, false},
                      OnFootCase{"at_the_flee_radius_calm", 35, true, false, true, false},
                      OnFootCase{"beyond_the_flee_radius", 40, true, false, true, true},
                      OnFootCase{"near_and_fleeing", 30, true, true, true, true},
                      OnFootCase{"just_inside_the_radius", 99.9f, true, false, true, true},
                      OnFootCase{"exactly_at_the_radius", 100, true, false, false, false}),
    [](const ::testing::TestParamInfo<OnFootCase>& info) { return std::string(info.param.name); });

TEST_F(PedAdoptionTest, ChainOfSpawnsEndsWhenThePedPoolIsFull) {
    const int32_t ped = PedAt({0, 40, 0}, true);
    Plugin.TrackedPeds = {ped};
    world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped) + 3;
    AdoptAmbientPeds();
    const Handles created = Created();
    ASSERT_EQ(created.size(), 4u);
    EXPECT_EQ(created[3], 0);
    EXPECT_FALSE(Contains(Plugin.TrackedPeds, 0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Contains(Plugin.TrackedPeds, created[static_cast<size_t>(i)]));
    }
}

TEST_F(PedAdoptionTest, NoSafePointMeansNoNewPed) {
    const int32_t ped = PedAt({0, 50, 0}, true);
    world.unwalkableAreas.push_back(sim::RoadArea{-10, 40, 10, 60});
    Plugin.TrackedPeds = {ped};
    AdoptAmbientPeds();
    EXPECT_EQ(Count("GetSafeCoordForPed"), 1);
    EXPECT_EQ(Count("CreateRandomPed"), 0);
    EXPECT_EQ(FirstArgs("ClearPedTasks"), (Handles{ped}));
}

//-----------------------------------------------------------------------------
// [SECTION] The police-driver step, one fresh world per case
//-----------------------------------------------------------------------------

struct PoliceCase {
    const char* name;
    const char* model;
    bool countsAsPolice;  // the host's police flag of the vehicle
    int pedType;
    int seat;
    float distance;
    bool replaced;
    bool armed;
    int shotgunDraw;  // the new driver's shotgun draw, when armed
};
KORVANE_CASE_PRINTS_ITS_NAME(PoliceCase)

class PoliceDriverTest : public PedAdoptionTest,
                         public ::testing::WithParamInterface<PoliceCase> {};

TEST_P(PoliceDriverTest, NonPoliceDriverIsReplacedInItsSlot) {
    const PoliceCase& c = GetParam();
    const int32_t vehicle = VehicleAt(c.model, {0, c.distance, 0});
    E(vehicle).police = c.countsAsPolice;
    const int32_t ped = Occupant(vehicle, c.seat, c.pedType);
    Plugin.TrackedPeds = {ped};
    if (c.armed) {
        SeedForDraws({{10, c.shotgunDraw}});
    }
    AdoptAmbientPeds();

    EXPECT_EQ(Exists(ped), !c.replaced);
    ASSERT_FALSE(Plugin.TrackedPeds.empty());
    const int32_t slot = Plugin.TrackedPeds[0];
    if (!c.replaced) {
        EXPECT_EQ(slot, ped);
        EXPECT_EQ(Count("CreateRandomPedAsDriver"), 0);
        EXPECT_EQ(Count("GiveDelayedWeaponToPed"), 0);
        return;
    }
    // Released, deleted, then the new driver written over the old one's slot.
    const std::vector<sim::TraceEntry> created = CallsTo("CreateRandomPedAsDriver");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(slot, created[0].ret.get<int32_t>());
    EXPECT_EQ(E(slot).vehicle, vehicle);
    EXPECT_EQ(E(slot).seat, -1);
    EXPECT_EQ(FirstArgs("SetEntityNoLongerNeeded"), (Handles{ped}));
    EXPECT_EQ(FirstArgs("DeleteEntity"), (Handles{ped}));
    EXPECT_EQ(Plugin.AdoptionCurrentPed, player);
    const Handles typed = Visited();
    EXPECT_TRUE(Contains(typed, slot));
    const Names ops = Ops();
    const auto at = std::find(ops.begin(), ops.end(), "SetEntityNoLongerNeeded");
    ASSERT_NE(at, ops.end());
    EXPECT_EQ(Names(at, at + 4), (Names{"SetEntityNoLongerNeeded", "DeleteEntity",
                                        "CreateRandomPedAsDriver", "GetPedType"}));

    const int newType = E(slot).pedType;
    EXPECT_EQ(newType == 6 || newType == 27 || newType == 29, c.armed) << newType;
    EXPECT_EQ(HasWeapon(slot, "WEAPON_NIGHTSTICK"), c.armed);
    EXPECT_EQ(HasWeapon(slot, "WEAPON_PISTOL"), c.armed);
    EXPECT_EQ(HasWeapon(slot, "WEAPON_PUMPSHOTGUN"), c.armed && c.shotgunDraw == 0);
    if (c.armed) {
        EXPECT_EQ(DrawResults(), (std::vector<int32_t>{c.shotgunDraw}));
        for (int32_t armed : FirstArgs("GiveDelayedWeaponToPed")) {
            EXPECT_EQ(armed, slot);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Adoption, PoliceDriverTest,
    ::testing::Values(
        PoliceCase{"civilian_drives_police_car", "police2", true, 4, -1, 50, true, true, 3},
        PoliceCase{"civilian_drives_police_car_shotgun", "police2", true, 5, -1, 50, true, true, 0},
        PoliceCase{"civilian_drives_riot_van", "riot", true, 4, -1, 50, true, true, 7},
        PoliceCase{"civilian_drives_army_car_host_counts_as_police", "crusader", true, 4, -1, 50,
                   true, true, 0},
        PoliceCase{"civilian_drives_car_host_counts_as_police", "asea", true, 4, -1, 50, true,
                   false, 0},
        PoliceCase{"civilian_passenger_of_police_car", "police2", true, 4, 0, 50, false, false, 0},
        PoliceCase{"officer_drives_police_car", "police2", true, 6, -1, 50, false, false, 0},
        PoliceCase{"swat_drives_police_car", "police2", true, 27, -1, 50, false, false, 0},
        PoliceCase{"soldier_drives_police_car", "police2", true, 29, -1, 50, false, false, 0},
        PoliceCase{"type_beyond_the_mask_drives_police_car", "police2", true, 31, -1, 50, true,
                   true, 5},
        PoliceCase{"civilian_drives_ordinary_car", "asea", false, 4, -1, 50, false, false, 0},
        PoliceCase{"civilian_drives_police_car_at_the_radius", "police2", true, 4, -1, 100, false,
                   false, 0}),
    [](const ::testing::TestParamInfo<PoliceCase>& info) { return std::string(info.param.name); });

//-----------------------------------------------------------------------------
// [SECTION] The spawner switched off
//-----------------------------------------------------------------------------

TEST_F(PedAdoptionTest, SpawnerOffStillReleasesAndReCrewsButCreatesNothing) {
    Plugin.Settings.AutoPedSpawner = 0;
    const int32_t walker = PedAt({0, 40, 0}, true);
    const int32_t car = VehicleAt("police2", {0, 60, 0});
    const int32_t civilian = Occupant(car);
    Plugin.TrackedPeds = {walker, civilian};
    AdoptAmbientPeds();

    EXPECT_TRUE(E(walker).released);
    EXPECT_EQ(Count("CreateRandomPed"), 0);
    EXPECT_EQ(Count("IsEntityOnScreen"), 0);
    EXPECT_EQ(Count("PopulateNow"), 0);
    EXPECT_FALSE(Exists(civilian));
    EXPECT_EQ(Count("CreateRandomPedAsDriver"), 1);
    ASSERT_TRUE(Exists(Plugin.TrackedPeds[1]));
    EXPECT_EQ(E(Plugin.TrackedPeds[1]).vehicle, car);
}

}  // namespace

// Chase and attack tasks of tracked aircraft, the random picks from the
// tracked lists, and the pilot group, against the substitute host.
//
// Index:
// [SECTION] PickAircraftFromList
// [SECTION] PickNearestTrackedPed
// [SECTION] ChooseAttackTarget
// [SECTION] AttackWithAircraft
// [SECTION] Through the vehicle upkeep
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "tracking/aircraft_tasks.h"
#include "tracking/entity_checks.h"
#include "tracking/law_crews.h"
#include "tracking/parachutes.h"
#include "tracking/ped_adoption.h"
#include "tracking/ped_tasks.h"
#include "tracking/tracked_lists.h"
#include "tracking/tracking_fixture.h"

namespace {

using Names = std::vector<std::string>;
using Handles = std::vector<EntityHandle>;

const Names PilotGroupOps = {"GetHashKey", "SetPedRelationshipGroupHash",
                             "SetBlockingOfNonTemporaryEvents", "SetPedFleeAttributes",
                             "SetPedCombatAttributes"};

class AircraftTasksTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        heli = VehicleAt("buzzard", {0, -10, 100});
        pilot = Occupant(heli);
    }
    int32_t heli = 0;
    int32_t pilot = 0;
};

//-----------------------------------------------------------------------------
// [SECTION] PickAircraftFromList
//-----------------------------------------------------------------------------

TEST_F(AircraftTasksTest, GroundVehiclesOnlyGiveTheFourthDrawUntested) {
    Plugin.TrackedVehicles = {VehicleAt("asea", {10, 0, 0}), VehicleAt("asea", {20, 0, 0}),
                              VehicleAt("ninef", {30, 0, 0})};
    sim::ClearMemoryTrace();
    const EntityHandle picked = PickAircraftFromList(pilot);

    const std::vector<int32_t> draws = DrawResults();
    ASSERT_EQ(draws.size(), 4u);
    for (const sim::TraceEntry& e : CallsTo("GetRandomIntInRange")) {
        EXPECT_EQ(e.args, nlohmann::json::array({0, 3}));
    }
    EXPECT_EQ(picked, Plugin.TrackedVehicles[static_cast<size_t>(draws[3])]);
    // Three rounds of model tests, none after the last draw.
    EXPECT_EQ(Count("IsThisModelAPlane"), 3);
    EXPECT_EQ(Count("IsThisModelAHeli"), 3);
    EXPECT_EQ(Count("HasClearLineOfSight"), 0);
    EXPECT_EQ(Ops().back(), "GetRandomIntInRange");
}

TEST_F(AircraftTasksTest, AnotherAircraftInSightIsReturnedAtOnce) {
    struct Case {
        const char* model;
        Names ops;
    };
    const std::vector<Case> cases = {
        {"maverick",
         {"GetRandomIntInRange", "GetVehiclePedIsUsing", "GetEntityModel", "IsThisModelAPlane",
          "GetEntityModel", "IsThisModelAHeli", "HasClearLineOfSight"}},
        {"cuban800",
         {"GetRandomIntInRange", "GetVehiclePedIsUsing", "GetEntityModel", "IsThisModelAPlane",
          "HasClearLineOfSight"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const int32_t other = VehicleAt(c.model, {50, 0, 100});
        Plugin.TrackedVehicles = {other};
        sim::ClearMemoryTrace();
        EXPECT_EQ(PickAircraftFromList(pilot), other);
        EXPECT_EQ(Ops(), c.ops);
    }
}

TEST_F(AircraftTasksTest, OwnOrHiddenAircraftIsNotTakenEarly) {
    const int32_t hidden = VehicleAt("maverick", {-40, -10, 20});
    // A building between the pilot's helicopter and the other one.
    world.sightBlockers.push_back({sim::RoadArea{-25, -30, -20, 10}, 200.0f});
    for (Handles list : {Handles{heli}, Handles{hidden}}) {
        Plugin.TrackedVehicles = list;
        sim::ClearMemoryTrace();
        EXPECT_EQ(PickAircraftFromList(pilot), list[0]);
        EXPECT_EQ(Count("GetRandomIntInRange"), 4);
    }
}

TEST_F(AircraftTasksTest, ZeroEntriesDrawnAreRemovedAndAnEmptyListGivesZero) {
    struct Case {
        Handles before;
        Handles after;
        std::vector<int> drawEnds;
    };
    const std::vector<Case> cases = {
        {{}, {}, {0, 0, 0, 0}},
        {{0}, {}, {1, 0, 0, 0}},
        {{0, 0, 0}, {}, {3, 2, 1, 0}},
        {{0, 0, 0, 0, 0}, {0, 0}, {5, 4, 3, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.size());
        Plugin.TrackedVehicles = c.before;
        sim::ClearMemoryTrace();
        EXPECT_EQ(PickAircraftFromList(pilot), 0);
        EXPECT_EQ(Plugin.TrackedVehicles, c.after);
        std::vector<int> ends;
        for (const sim::TraceEntry& e : CallsTo("GetRandomIntInRange")) {
            ends.push_back(e.args[1].get<int>());
        }
        EXPECT_EQ(ends, c.drawEnds);
    }
}

TEST_F(AircraftTasksTest, ZeroDrawnAmongVehiclesShortensTheNextDraw) {
    const int32_t car = VehicleAt("asea", {10, 0, 0});
    Plugin.TrackedVehicles = {0, car};
    SeedForDraws({{2, 0}, {1, 0}, {1, 0}, {1, 0}});
    sim::ClearMemoryTrace();
    EXPECT_EQ(PickAircraftFromList(pilot), car);
    EXPECT_EQ(DrawResults(), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(Plugin.TrackedVehicles, (Handles{car}));
}

//-----------------------------------------------------------------------------
// [SECTION] PickNearestTrackedPed
//-----------------------------------------------------------------------------

TEST_F(AircraftTasksTest, NearestVisiblePedFromAVehicleWins) {
    const int32_t car = VehicleAt("asea", {0, -10, 0});
    const int32_t searcher = Occupant(car);
    const int32_t far = PedAt({0, 200, 0});
    const int32_t nearest = PedAt({0, 20, 0});
    const int32_t middle = PedAt({0, 50, 0});
    Plugin.TrackedPeds = {far, nearest, middle};
    for (int start = 0; start < 3; ++start) {
        SCOPED_TRACE(start);
        SeedForDraws({{3, start}});
        sim::ClearMemoryTrace();
        EXPECT_EQ(PickNearestTrackedPed(searcher), nearest);
        EXPECT_EQ(DrawResults(), (std::vector<int32_t>{start}));
    }
}

TEST_F(AircraftTasksTest, PedsThatFailATestNeverReplaceTheStart) {
    const int32_t car = VehicleAt("asea", {0, -10, 0});
    const int32_t searcher = Occupant(car);
    const int32_t start = PedAt({0, 15, 0});
    const int32_t dead = PedAt({0, 5, 0});
    E(dead).alive = false;
    const int32_t animal = PedAt({1, 5, 0});
    E(animal).human = false;
    const int32_t sameCar = Occupant(car, 0);
    const int32_t hidden = PedAt({-5, 0, 0});
    world.sightBlockers.push_back({sim::RoadArea{-3, -20, -2, 20}, 50.0f});
    const int32_t gone = PedAt({2, 5, 0});
    sim::RemoveEntity(world, gone);
    Plugin.TrackedPeds = {start, dead, animal, sameCar, hidden, gone, player, searcher};

    // As far from the player as the start is not nearer.
    const int32_t asFar = PedAt({15, 0, 0});
    Plugin.TrackedPeds.push_back(asFar);
    SeedForDraws({{9, 0}});
    EXPECT_EQ(PickNearestTrackedPed(searcher), start);

    // A live human nearer than the start does replace it.
    const int32_t better = PedAt({0, 5, 0});
    Plugin.TrackedPeds.push_back(better);
    SeedForDraws({{10, 0}});
    EXPECT_EQ(PickNearestTrackedPed(searcher), better);
}

TEST_F(AircraftTasksTest, StartAndWalkEdgeCases) {
    const int32_t walker = PedAt({0, 30, 0});
    const int32_t other = PedAt({0, 20, 0});
    const int32_t third = PedAt({0, 40, 0});

    // On foot nobody else is comparable: the random start is kept.
    Plugin.TrackedPeds = {other, third};
    for (int draw = 0; draw < 2; ++draw) {
        SeedForDraws({{2, draw}});
        EXPECT_EQ(PickNearestTrackedPed(walker), Plugin.TrackedPeds[static_cast<size_t>(draw)]);
    }

    // Drawing the ped itself starts from the player.
    Plugin.TrackedPeds = {walker};
    EXPECT_EQ(PickNearestTrackedPed(walker), player);

    // An empty list gives 0.
    Plugin.TrackedPeds = {};
    EXPECT_EQ(PickNearestTrackedPed(walker), 0);

    // Zero entries are dropped on the way, each slot looked at again.
    Plugin.TrackedPeds = {0, 0, other, 0};
    SeedForDraws({{4, 2}});
    EXPECT_EQ(PickNearestTrackedPed(walker), other);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{other}));

    // A start on a 0 entry that the walk removes stays 0.
    Plugin.TrackedPeds = {0};
    EXPECT_EQ(PickNearestTrackedPed(walker), 0);
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
}

//-----------------------------------------------------------------------------
// [SECTION] ChooseAttackTarget
//-----------------------------------------------------------------------------

TEST_F(AircraftTasksTest, TargetFallsBackFromVehiclesToPedsToThePlayer) {
    const int32_t car = VehicleAt("asea", {30, 0, 0});
    const int32_t driver = Occupant(car);
    const int32_t emptyCar = VehicleAt("asea", {40, 0, 0});
    const int32_t deadDriverCar = VehicleAt("asea", {50, 0, 0});
    E(Occupant(deadDriverCar)).alive = false;
    const int32_t walker = PedAt({0, 60, 0});
    struct Case {
        const char* name;
        Handles vehicles;
        Handles peds;
        int32_t target;
    };
    const std::vector<Case> cases = {
        {"nothing tracked", {}, {}, player},
        {"a tracked ped", {}, {walker}, walker},
        {"a car with a usable driver", {car}, {walker}, driver},
        {"an empty car", {emptyCar}, {walker}, emptyCar},
        {"a car with a dead driver", {deadDriverCar}, {}, deadDriverCar},
        {"only zeros", {0, 0}, {0}, player},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Plugin.TrackedVehicles = c.vehicles;
        Plugin.TrackedPeds = c.peds;
        EXPECT_EQ(ChooseAttackTarget(pilot), c.target);
    }
}

//-----------------------------------------------------------------------------
// [SECTION] AttackWithAircraft
//-----------------------------------------------------------------------------

TEST_F(AircraftTasksTest, ChaseTargetDependsOnAircraftAndTrackedPedCount) {
    const int32_t plane = VehicleAt("cuban800", {0, 100, 150});
    const int32_t planePilot = Occupant(plane);
    const int32_t target = PedAt({0, 60, 0});
    struct Case {
        bool helicopter;
        int32_t lastCount;
        int32_t chased;
    };
    const std::vector<Case> cases = {
        {true, 24, player}, {true, 25, target},  {true, 0, target},
        {true, 26, player}, {false, 24, player}, {false, 25, player},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.helicopter ? "helicopter " : "aeroplane ") +
                     std::to_string(c.lastCount));
        Plugin.LastTrackedPedCount = c.lastCount;
        const int32_t who = c.helicopter ? pilot : planePilot;
        sim::ClearMemoryTrace();
        AttackWithAircraft(who, target);
        const std::vector<sim::TraceEntry> chases =
            CallsTo(c.helicopter ? "TaskHeliChase" : "TaskPlaneChase");
        ASSERT_EQ(chases.size(), 1u);
        EXPECT_EQ(chases[0].args, nlohmann::json::array({who, c.chased, 0, 0, 0}));
        // The pilot follows the chase.
        ASSERT_FALSE(E(who).tasks.empty());
        EXPECT_EQ(E(who).tasks.back().name, c.helicopter ? "TaskHeliChase" : "TaskPlaneChase");
        EXPECT_EQ(E(who).tasks.back().values.at(0), c.chased);
        EXPECT_TRUE(E(who).keepTask);
    }
}

TEST_F(AircraftTasksTest, MissileConditionIsTestedFlagFirstThenFightersThenWeapons) {
    const int32_t lazer = VehicleAt("lazer", {0, 100, 150});
    const int32_t cuban = VehicleAt("cuban800", {0, 120, 150});
    const int32_t cargobob = VehicleAt("cargobob", {0, 140, 150});
    const int32_t savage = VehicleAt("savage", {0, 160, 150});
    const int32_t target = PedAt({0, 60, 0});
    const int32_t bystander = PedAt({0, 70, 0});
    const int32_t fighter = PedAt({0, 80, 0});
    const Names plane = {"IsPedInAnyPlane", "GetVehiclePedIsUsing", "TaskPlaneChase"};
    const Names heliChase = {"IsPedInAnyPlane", "IsPedInAnyHeli", "GetVehiclePedIsUsing",
                             "TaskHeliChase"};
    const Names walk = {"IsPedInCombat", "IsPedInCombat"};
    const Names weapons = {"DoesVehicleHaveWeapons"};
    const Names fire = Join({PilotGroupOps,
                             {"GetEntityPosition", "GetHashKey", "SetCurrentPedVehicleWeapon",
                              "SetVehicleShootAtTarget"}});
    const Names keep = {"SetPedKeepTask"};
    struct Case {
        const char* name;
        int32_t aircraft;  // 0: the pilot is on foot
        bool missiles;
        bool fought;
        Names ops;
        const char* weapon;  // null when nothing is fired
    };
    const std::vector<Case> cases = {
        {"armed plane, missiles on", lazer, true, false, Join({plane, weapons, fire, keep}),
         "VEHICLE_WEAPON_PLANE_ROCKET"},
        {"armed plane, missiles off", lazer, false, false, Join({plane, walk, keep}), nullptr},
        {"armed plane fought back", lazer, false, true, Join({plane, walk, weapons, fire, keep}),
         "VEHICLE_WEAPON_PLANE_ROCKET"},
        {"unarmed plane, missiles on", cuban, true, false, Join({plane, weapons, keep}), nullptr},
        {"armed helicopter, missiles on", savage, true, false,
         Join({heliChase, weapons, fire, {"TaskCombatPed"}, keep}), "VEHICLE_WEAPON_SPACE_ROCKET"},
        {"unarmed helicopter fought back", cargobob, false, true,
         Join({heliChase, walk, weapons, keep}), nullptr},
        {"pilot on foot",
         0,
         true,
         true,
         {"IsPedInAnyPlane", "IsPedInAnyHeli", "SetPedKeepTask"},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t who = c.aircraft != 0 ? Occupant(c.aircraft) : PedAt({0, 90, 0});
        Plugin.Settings.AircraftMissiles = c.missiles ? 1 : 0;
        Plugin.TrackedPeds = {bystander, fighter};
        E(fighter).fighting.clear();
        if (c.fought) {
            E(fighter).fighting.insert(who);
        }
        sim::ClearMemoryTrace();
        AttackWithAircraft(who, target);
        EXPECT_EQ(Ops(), c.ops);
        if (c.weapon != nullptr) {
            EXPECT_EQ(CallsTo("GetHashKey")[0].args[0], "COUGAR");
            EXPECT_EQ(CallsTo("GetHashKey")[1].args[0], c.weapon);
            EXPECT_EQ(E(who).vehicleWeapon, sim::HashName(c.weapon));
            EXPECT_EQ(CallsTo("SetVehicleShootAtTarget")[0].args,
                      nlohmann::json::array({who, target, 0, 60, 0}));
        }
        for (const sim::TraceEntry& e : CallsTo("TaskCombatPed")) {
            EXPECT_EQ(e.args, nlohmann::json::array({who, target, 0, 16}));
        }
        if (c.aircraft != 0) {
            sim::RemoveEntity(world, who);  // frees the seat for the next case
        }
    }
}

TEST_F(AircraftTasksTest, FoughtByTrackedPedWalksTheListWithoutValidating) {
    const int32_t a = PedAt({0, 20, 0});
    const int32_t b = PedAt({0, 30, 0});
    const int32_t gone = PedAt({0, 40, 0});
    sim::RemoveEntity(world, gone);
    struct Case {
        const char* name;
        Handles list;
        int32_t fighter;  // fights the pilot; 0 nobody
        bool fought;
        int calls;
    };
    const std::vector<Case> cases = {
        {"empty", {}, 0, false, 0},
        {"nobody fights", {a, b}, 0, false, 2},
        {"the second fights", {a, b}, b, true, 2},
        {"the first fights", {a, b}, a, true, 1},
        {"zero and gone entries", {0, gone}, 0, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        E(a).fighting.clear();
        E(b).fighting.clear();
        if (c.fighter != 0) {
            E(c.fighter).fighting.insert(pilot);
        }
        Plugin.TrackedPeds = c.list;
        sim::ClearMemoryTrace();
        EXPECT_EQ(IsPedFoughtByTrackedPed(pilot), c.fought);
        EXPECT_EQ(Count("IsPedInCombat"), c.calls);
    }
}

TEST_F(AircraftTasksTest, PilotGroupSetsGroupEventsFleeAndCombatInOrder) {
    sim::ClearMemoryTrace();
    JoinPilotGroup(pilot);
    EXPECT_EQ(Ops(), PilotGroupOps);
    EXPECT_EQ(E(pilot).relationshipGroup, sim::HashName("COUGAR"));
    EXPECT_TRUE(E(pilot).blockingEvents);
    EXPECT_EQ(E(pilot).fleeAttributes, 0);
    EXPECT_EQ(E(pilot).combatAttributes.count(46), 1u);
    EXPECT_EQ(CallsTo("SetPedFleeAttributes")[0].args, nlohmann::json::array({pilot, 0, 0}));
    EXPECT_EQ(CallsTo("SetPedCombatAttributes")[0].args, nlohmann::json::array({pilot, 46, 1}));
}

//-----------------------------------------------------------------------------
// [SECTION] Through the vehicle upkeep
//-----------------------------------------------------------------------------

TEST_F(AircraftTasksTest, UpkeepAttacksTheDriverOfTheFourthDrawButNeverItsOwnPilot) {
    const int32_t car = VehicleAt("asea", {30, 0, 0});
    const int32_t driver = Occupant(car);
    Plugin.LastTrackedPedCount = 25;
    for (int fourth = 0; fourth < 2; ++fourth) {
        SCOPED_TRACE(fourth);
        Plugin.TrackedVehicles = {heli, car};
        SeedForDraws({{2, 1}, {2, 0}, {2, 1}, {2, fourth}});
        sim::ClearMemoryTrace();
        UpkeepTrackedVehicles();
        EXPECT_EQ(DrawResults(), (std::vector<int32_t>{1, 0, 1, fourth}));
        const std::vector<sim::TraceEntry> chases = CallsTo("TaskHeliChase");
        if (fourth == 1) {
            ASSERT_EQ(chases.size(), 1u);
            EXPECT_EQ(chases[0].args[1], driver);
        } else {
            // The fourth draw is the helicopter itself: its own pilot is no target.
            EXPECT_TRUE(chases.empty());
        }
        EXPECT_EQ(Plugin.TrackedVehicles, (Handles{heli, car}));
    }
}

TEST_F(AircraftTasksTest, UpkeepTargetsAnotherAircraftDirectlyWhenItHasNoPilot) {
    const int32_t other = VehicleAt("maverick", {60, 0, 100});
    Plugin.TrackedVehicles = {heli, other};
    Plugin.LastTrackedPedCount = 25;
    SeedForDraws({{2, 1}});
    UpkeepTrackedVehicles();
    const std::vector<sim::TraceEntry> chases = CallsTo("TaskHeliChase");
    ASSERT_EQ(chases.size(), 1u);
    EXPECT_EQ(chases[0].args, nlohmann::json::array({pilot, other, 0, 0, 0}));
}

TEST_F(AircraftTasksTest, NoTaskWithoutAFreeUsablePilotOfAnAircraft) {
    struct Case {
        const char* name;
        std::function<int32_t()> make;
    };
    const std::vector<Case> cases = {
        {"pilot in combat",
         [this] {
             const int32_t v = VehicleAt("maverick", {20, 0, 50});
             const int32_t crew = Occupant(v);
             const int32_t enemy = PedAt({20, 5, 0});
             E(crew).fighting.insert(enemy);
             return v;
         }},
        {"no pilot",
         [this] {
             return VehicleAt("maverick", {20, 0, 50});
         }},
        {"dead pilot",
         [this] {
             const int32_t v = VehicleAt("lazer", {20, 0, 50});
             E(Occupant(v)).alive = false;
             return v;
         }},
        {"driver of a car",
         [this] {
             const int32_t v = VehicleAt("asea", {20, 0, 0});
             Occupant(v);
             return v;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t vehicle = c.make();
        Plugin.TrackedVehicles = {vehicle};
        Plugin.TrackedPeds = {PedAt({0, 30, 0})};
        sim::ClearMemoryTrace();
        UpkeepTrackedVehicles();
        EXPECT_EQ(Count("GetRandomIntInRange"), 0);
        EXPECT_EQ(Count("SetPedKeepTask"), 0);
        EXPECT_EQ(Plugin.TrackedVehicles, (Handles{vehicle}));
        EXPECT_TRUE(E(vehicle).released);
    }
}

}  // namespace

// Parachutes for falling tracked peds and the task reset, against the
// substitute host.
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

const Names Heights = {"GetEntityHeightAboveGround", "GetEntityHeightAboveGround"};
const Names HighAndUnmarked = {"GetPedParachuteState", "SetEntityRecordsCollisions",
                               "GetPedMaxHealth", "IsPedRagdoll"};
// The nearest-ped pick over a list holding one ped on foot, for a ped on foot.
const Names PickOverOne = {"GetRandomIntInRange", "GetVehiclePedIsUsing", "EntityExists",
                           "IsPedDeadOrDying",    "IsPedHuman",           "GetVehiclePedIsUsing"};
const Names Gift = {"GetHashKey", "GiveDelayedWeaponToPed", "GetPedParachuteState"};
const Names Glide = {"GetSafeCoordForPed", "TaskParachuteToTarget", "SetEntityRecordsCollisions"};

class ParachutesTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        target = PedAt({0, 40, 0});
        Plugin.TrackedPeds = {target};
    }
    // A ped on foot high above the ground and falling.
    int32_t Faller(float height = 50.0f) {
        const int32_t ped = PedAt({10, 0, height});
        E(ped).falling = true;
        return ped;
    }
    int32_t target = 0;
};

TEST_F(ParachutesTest, BehaviourStopsWhereThePedStopsQualifying) {
    struct Case {
        const char* name;
        std::function<int32_t()> make;
        Names ops;
        bool recordsCollisions;
    };
    const std::vector<Case> cases = {
        {"on the ground",
         [this] {
             return PedAt({10, 0, 0});
         },
         Heights, false},
        {"exactly 2 m up",
         [this] {
             return PedAt({10, 0, 2});
         },
         Heights, false},
        {"3 m up: the draw decides, and never gives 1",
         [this] {
             return PedAt({10, 0, 3});
         },
         Join({Heights, {"GetPedParachuteState", "GetRandomIntInRange"}}), false},
        {"8 m up",
         [this] {
             return PedAt({10, 0, 8});
         },
         Join({Heights, {"GetPedParachuteState", "SetEntityRecordsCollisions"}}), true},
        {"8 m up with an open parachute",
         [this] {
             const int32_t p = PedAt({10, 0, 8});
             E(p).parachuteState = 1;
             return p;
         },
         Join({Heights, {"GetPedParachuteState", "GetRandomIntInRange"}}), false},
        {"50 m up, already marked",
         [this] {
             const int32_t p = Faller();
             E(p).maxHealth = ParachuteMarkerHealth;
             return p;
         },
         Join({Heights, {"GetPedParachuteState", "SetEntityRecordsCollisions", "GetPedMaxHealth"}}),
         true},
        {"50 m up in a vehicle",
         [this] {
             const int32_t p = Occupant(VehicleAt("cuban800", {10, 0, 50}));
             E(p).falling = true;
             return p;
         },
         Join({Heights, HighAndUnmarked, {"IsPedInAnyVehicle"}}), true},
        {"50 m up, not falling",
         [this] {
             return PedAt({10, 0, 50});
         },
         Join({Heights, HighAndUnmarked, {"IsPedInAnyVehicle", "IsPedFalling"}}), true},
        {"50 m up, falling, parachute deployed",
         [this] {
             const int32_t p = Faller();
             E(p).parachuteState = 2;
             return p;
         },
         Join({Heights,
               {"GetPedParachuteState", "GetRandomIntInRange", "GetPedMaxHealth", "IsPedRagdoll",
                "IsPedInAnyVehicle", "IsPedFalling", "SetPedKeepTask"},
               PickOverOne,
               {"GetEntityPosition", "GetPedMaxHealth"}}),
         false},
        {"50 m up, falling, unmarked", [this] { return Faller(); },
         Join({Heights,
               HighAndUnmarked,
               {"IsPedInAnyVehicle", "IsPedFalling", "SetPedKeepTask"},
               PickOverOne,
               {"GetEntityPosition", "GetPedMaxHealth"},
               Gift,
               {"SetPedMaxHealth"},
               Glide}),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t ped = c.make();
        sim::ClearMemoryTrace();
        ParachuteBehaviour(ped);
        EXPECT_EQ(Ops(), c.ops);
        EXPECT_EQ(E(ped).recordsCollisions, c.recordsCollisions);
    }
}

TEST_F(ParachutesTest, FallingPedIsGivenAParachuteMarkedAndSentTowardsTheTarget) {
    const int32_t ped = Faller();
    ParachuteBehaviour(ped);

    EXPECT_TRUE(HasWeapon(ped, "GADGET_PARACHUTE"));
    EXPECT_EQ(CallsTo("GiveDelayedWeaponToPed")[0].args,
              nlohmann::json::array({ped, sim::HashName("GADGET_PARACHUTE"), 300, 1}));
    EXPECT_NE(E(ped).parachuteState, -1);
    EXPECT_EQ(E(ped).maxHealth, ParachuteMarkerHealth);
    EXPECT_TRUE(E(ped).keepTask);
    EXPECT_FLOAT_EQ(Plugin.ParachuteTarget.y, 40.0f);
    // A walkable point next to the target, on the ground.
    const nlohmann::json landing = CallsTo("GetSafeCoordForPed")[0].args[4];
    EXPECT_EQ(CallsTo("GetSafeCoordForPed")[0].args[0], 0);
    EXPECT_EQ(CallsTo("GetSafeCoordForPed")[0].args[1], 40);
    EXPECT_EQ(CallsTo("TaskParachuteToTarget")[0].args,
              nlohmann::json::array({ped, landing[0], landing[1], landing[2]}));
    ASSERT_FALSE(E(ped).tasks.empty());
    EXPECT_EQ(E(ped).tasks.back().name, "TaskParachuteToTarget");
    EXPECT_FALSE(E(ped).recordsCollisions);
}

TEST_F(ParachutesTest, PedMarkedOnlyOnceItsStateNoLongerReadsMinusOne) {
    struct Case {
        const char* name;
        int stateBefore;
        bool human;  // the host fits parachutes to humans only
        bool marked;
    };
    const std::vector<Case> cases = {
        {"takes it", -1, true, true},
        {"cannot wear one", -1, false, false},
        {"landing stage", 3, true, true},
        {"free fall with a pack", 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t ped = Faller();
        E(ped).parachuteState = c.stateBefore;
        E(ped).human = c.human;
        sim::ClearMemoryTrace();
        ParachuteBehaviour(ped);
        EXPECT_EQ(Count("GiveDelayedWeaponToPed"), 1);
        EXPECT_EQ(E(ped).maxHealth, c.marked ? ParachuteMarkerHealth : NormalMaxHealth);
        // The glide is ordered either way.
        EXPECT_EQ(Count("TaskParachuteToTarget"), 1);
    }
}

TEST_F(ParachutesTest, UnmarkedPedIsOfferedTheParachuteAgainLater) {
    const int32_t animal = Faller();
    E(animal).human = false;
    ParachuteBehaviour(animal);
    ParachuteBehaviour(animal);
    EXPECT_EQ(Count("GiveDelayedWeaponToPed"), 2);
    EXPECT_EQ(Count("SetPedMaxHealth"), 0);
}

TEST_F(ParachutesTest, RagdollEndsWithTheVelocityKept) {
    for (bool onScreen : {false, true}) {
        SCOPED_TRACE(onScreen);
        const int32_t ped = PedAt({10, 0, 50}, onScreen);
        E(ped).ragdoll = true;
        E(ped).velocity = {3, -4, -20};
        sim::ClearMemoryTrace();
        ParachuteBehaviour(ped);
        Names expected = Join(
            {Heights,
             HighAndUnmarked,
             {"GetEntityVelocity", "SetPedCanRagdoll", "SetPedCanRagdoll", "IsEntityOnScreen"}});
        if (!onScreen) {
            expected.push_back("ClearPedTasksImmediately");
        }
        expected.insert(expected.end(), {"SetEntityVelocity", "IsPedInAnyVehicle", "IsPedFalling"});
        EXPECT_EQ(Ops(), expected);
        EXPECT_EQ(CallsTo("SetPedCanRagdoll")[0].args, nlohmann::json::array({ped, 0}));
        EXPECT_EQ(CallsTo("SetPedCanRagdoll")[1].args, nlohmann::json::array({ped, 1}));
        EXPECT_EQ(CallsTo("SetEntityVelocity")[0].args, nlohmann::json::array({ped, 3, -4, -20}));
        EXPECT_FALSE(E(ped).ragdoll);
        EXPECT_TRUE(E(ped).canRagdoll);
        EXPECT_FLOAT_EQ(E(ped).velocity.x, 3.0f);
        EXPECT_FLOAT_EQ(E(ped).velocity.y, -4.0f);
        EXPECT_FLOAT_EQ(E(ped).velocity.z, -20.0f);
    }
}

TEST_F(ParachutesTest, UpkeepGivesTheParachuteOnceAndTakesTheMarkerOffAfterLanding) {
    const int32_t ped = Faller();
    E(ped).onScreenOverride = 1;
    Plugin.TrackedPeds = {target, ped};

    Plugin.CycleCounter = 0;
    UpkeepTrackedPeds();
    EXPECT_EQ(Count("GiveDelayedWeaponToPed"), 1);
    EXPECT_EQ(E(ped).maxHealth, ParachuteMarkerHealth);

    // Fifteen cycles later, still in the air and marked: left to its task.
    Plugin.CycleCounter = 15;
    sim::ClearMemoryTrace();
    UpkeepTrackedPeds();
    EXPECT_EQ(Count("GiveDelayedWeaponToPed"), 0);
    EXPECT_EQ(Count("IsPedRagdoll"), 0);

    // Landed: the marker comes off, on any cycle.
    E(ped).position.z = 1.5f;
    E(ped).falling = false;
    Plugin.CycleCounter = 16;
    UpkeepTrackedPeds();
    EXPECT_EQ(E(ped).maxHealth, NormalMaxHealth);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{target, ped}));
}

TEST_F(ParachutesTest, ResetPedTasksClearsPrimaryThenSecondary) {
    const int32_t ped = PedAt({10, 0, 0});
    sim::ClearMemoryTrace();
    ResetPedTasks(ped);
    EXPECT_EQ(Ops(), (Names{"ClearPedTasks", "ClearPedSecondaryTask"}));
    EXPECT_EQ(FirstArgs("ClearPedTasks"), (Handles{ped}));
    EXPECT_EQ(FirstArgs("ClearPedSecondaryTask"), (Handles{ped}));
}

}  // namespace

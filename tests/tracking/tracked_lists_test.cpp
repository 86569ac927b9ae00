// The shared tests, the normalisation and the per-pass upkeep of the tracked
// lists, against the substitute host.
//
// Index:
// [SECTION] Shared tests
// [SECTION] Normalisation
// [SECTION] Upkeep: what leaves the lists, and when
// [SECTION] Upkeep: the parachute marker and period
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "loop/tick_loop.h"
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

class TrackedListsTest : public TrackingTest {};

//-----------------------------------------------------------------------------
// [SECTION] Shared tests
//-----------------------------------------------------------------------------

TEST_F(TrackedListsTest, DistanceToPlayerReadsBothPositionsAndIncludesHeight) {
    const int32_t ped = PedAt({0, 30, 40});
    sim::ClearMemoryTrace();
    EXPECT_FLOAT_EQ(DistanceToPlayer(ped), 50.0f);
    EXPECT_EQ(Ops(), (Names{"GetEntityPosition", "GetEntityPosition", "GetDistanceBetweenCoords"}));
    EXPECT_EQ(FirstArgs("GetEntityPosition"), (Handles{player, ped}));
    EXPECT_EQ(CallsTo("GetDistanceBetweenCoords")[0].args,
              nlohmann::json::array({0, 0, 0, 0, 30, 40, 1}));
}

TEST_F(TrackedListsTest, IsUsablePedStopsAtTheFirstFailedTest) {
    struct Case {
        const char* name;
        std::function<int32_t()> make;
        bool usable;
        Names ops;
    };
    const Names all = {"EntityExists", "IsPedDeadOrDying", "IsPedHuman"};
    const std::vector<Case> cases = {
        {"no handle", [] { return 0; }, false, {}},
        {"the player", [this] { return player; }, false, {}},
        {"gone",
         [this] {
             const int32_t p = PedAt({5, 0, 0});
             sim::RemoveEntity(world, p);
             return p;
         },
         false,
         {"EntityExists"}},
        {"dead",
         [this] {
             const int32_t p = PedAt({5, 0, 0});
             E(p).alive = false;
             return p;
         },
         false,
         {"EntityExists", "IsPedDeadOrDying"}},
        {"an animal",
         [this] {
             const int32_t p = PedAt({5, 0, 0});
             E(p).human = false;
             return p;
         },
         false, all},
        {"a live human",
         [this] {
             return PedAt({5, 0, 0});
         },
         true, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t ped = c.make();
        sim::ClearMemoryTrace();
        EXPECT_EQ(IsUsablePed(ped), c.usable);
        EXPECT_EQ(Ops(), c.ops);
    }
}

TEST_F(TrackedListsTest, IsUsableVehicleStopsAtTheFirstFailedTest) {
    struct Case {
        const char* name;
        std::function<int32_t()> make;
        bool usable;
        Names ops;
    };
    const Names all = {"EntityExists", "IsEntityDead", "IsVehicleDriveable"};
    const std::vector<Case> cases = {
        {"no handle", [] { return 0; }, false, {}},
        {"the player's last vehicle",
         [this] {
             Plugin.PlayerLastVehicle = VehicleAt("asea", {5, 0, 0});
             return Plugin.PlayerLastVehicle;
         },
         false,
         {}},
        {"gone",
         [this] {
             const int32_t v = VehicleAt("asea", {5, 0, 0});
             sim::RemoveEntity(world, v);
             return v;
         },
         false,
         {"EntityExists"}},
        {"destroyed",
         [this] {
             const int32_t v = VehicleAt("asea", {5, 0, 0});
             E(v).alive = false;
             return v;
         },
         false,
         {"EntityExists", "IsEntityDead"}},
        {"not driveable",
         [this] {
             const int32_t v = VehicleAt("asea", {5, 0, 0});
             E(v).driveable = false;
             return v;
         },
         false, all},
        {"a sound car",
         [this] {
             return VehicleAt("asea", {5, 0, 0});
         },
         true, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t vehicle = c.make();
        sim::ClearMemoryTrace();
        EXPECT_EQ(IsUsableVehicle(vehicle), c.usable);
        EXPECT_EQ(Ops(), c.ops);
    }
}

TEST_F(TrackedListsTest, PlaneAndHeliTestsKnowPedsByTheirVehicleAndVehiclesByModel) {
    struct Case {
        const char* name;
        std::function<int32_t()> make;
        bool plane;
        bool heli;
    };
    const std::vector<Case> cases = {
        {"pilot of an aeroplane",
         [this] {
             return Occupant(VehicleAt("cuban800", {5, 0, 0}));
         },
         true, false},
        {"pilot of a helicopter",
         [this] {
             return Occupant(VehicleAt("maverick", {5, 0, 0}));
         },
         false, true},
        {"passenger of an aeroplane",
         [this] {
             return Occupant(VehicleAt("cuban800", {5, 0, 0}), 0);
         },
         true, false},
        {"an aeroplane",
         [this] {
             return VehicleAt("lazer", {5, 0, 0});
         },
         true, false},
        {"a helicopter",
         [this] {
             return VehicleAt("buzzard", {5, 0, 0});
         },
         false, true},
        {"a car",
         [this] {
             return VehicleAt("asea", {5, 0, 0});
         },
         false, false},
        {"driver of a car",
         [this] {
             return Occupant(VehicleAt("asea", {5, 0, 0}));
         },
         false, false},
        {"a ped on foot",
         [this] {
             return PedAt({5, 0, 0});
         },
         false, false},
        {"no handle", [] { return 0; }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t entity = c.make();
        EXPECT_EQ(IsPlaneEntity(entity), c.plane);
        EXPECT_EQ(IsHeliEntity(entity), c.heli);
    }
}

TEST_F(TrackedListsTest, PlaneTestAsksThePedQuestionsFirstThenTheVehicleOnes) {
    const int32_t walker = PedAt({5, 0, 0});
    const int32_t car = VehicleAt("asea", {5, 0, 0});
    sim::ClearMemoryTrace();
    IsPlaneEntity(walker);
    EXPECT_EQ(Ops(), (Names{"IsEntityAPed", "IsPedInAnyPlane", "IsEntityAVehicle"}));
    sim::ClearMemoryTrace();
    IsHeliEntity(car);
    EXPECT_EQ(Ops(),
              (Names{"IsEntityAPed", "IsEntityAVehicle", "GetEntityModel", "IsThisModelAHeli"}));
}

//-----------------------------------------------------------------------------
// [SECTION] Normalisation
//-----------------------------------------------------------------------------

TEST_F(TrackedListsTest, NormalisationSortsAscendingAndKeepsEachHandleOnce) {
    struct Case {
        Handles before;
        Handles after;
    };
    std::vector<Case> cases = {
        {{}, {}},
        {{1005}, {1005}},
        {{1003, 1001, 1002, 1001, 1003}, {1001, 1002, 1003}},
        {{0, 1005, 0}, {0, 1005}},
        {{-4, 7, -4, 2, -2147483647 - 1}, {-2147483647 - 1, -4, 2, 7}},
        // Already in order, or nearly: only a list without any fault is left alone.
        {{1001, 1002, 1003}, {1001, 1002, 1003}},
        {{1001, 1002, 1002}, {1001, 1002}},
        {{1001, 1001, 1002}, {1001, 1002}},
        {{1001, 1003, 1002}, {1001, 1002, 1003}},
        {{1001, 1002, 1003, 1000}, {1000, 1001, 1002, 1003}},
        {{1001, 1004, 1003, 1001, 1006, 1004, 1000}, {1000, 1001, 1003, 1004, 1006}},
        {{1001, 1002, 1003, 1000, 1000, 1002, 1003, 1003}, {1000, 1001, 1002, 1003}},
    };
    // A long tail is sorted with the rest; a short one is put in place.
    for (int appended : {1, 15, 16, 17, 40}) {
        Handles before;
        for (int i = 0; i < 50; ++i) {
            before.push_back(1000 + 2 * i);
        }
        for (int i = 0; i < appended; ++i) {
            before.push_back(1000 + (i * 37) % 103);
        }
        Handles after = before;
        std::sort(after.begin(), after.end());
        after.erase(std::unique(after.begin(), after.end()), after.end());
        cases.push_back({before, after});
    }
    for (const Case& c : cases) {
        Handles list = c.before;
        sim::ClearMemoryTrace();
        NormaliseTrackedLists(list);
        EXPECT_EQ(list, c.after);
        EXPECT_TRUE(Ops().empty());
    }
}

TEST_F(TrackedListsTest, HandleAppendedTwiceStaysTwiceUntilTheNextNormalisation) {
    const int32_t ped = PedAt({5, 0, 0}, true);
    Plugin.TrackedPeds = {ped};
    Plugin.TrackedPeds.push_back(ped);
    UpkeepTrackedPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped, ped}));
    EXPECT_EQ(FirstArgs("SetPedNoLongerNeeded"), (Handles{ped, ped}));
    NormaliseTrackedLists(Plugin.TrackedPeds);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped}));
}

//-----------------------------------------------------------------------------
// [SECTION] Upkeep: what leaves the lists, and when
//-----------------------------------------------------------------------------

TEST_F(TrackedListsTest, EmptyListsMakeNoHostCall) {
    UpkeepPass();
    EXPECT_TRUE(Ops().empty());
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
}

TEST_F(TrackedListsTest, ZeroEntryFirstIsRemovedAndNothingElseIsExamined) {
    const int32_t ped = PedAt({5, 0, 0});
    const int32_t car = VehicleAt("asea", {5, 0, 0});

    Plugin.TrackedPeds = {0, ped};
    UpkeepTrackedPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped}));
    EXPECT_TRUE(Ops().empty());

    Plugin.TrackedVehicles = {0, car};
    UpkeepTrackedVehicles();
    EXPECT_EQ(Plugin.TrackedVehicles, (Handles{car}));
    EXPECT_EQ(Ops(), (Names{"EntityExists"}));
}

TEST_F(TrackedListsTest, RemovableVehiclesLeaveOnePerPass) {
    enum Kind { Gone, Wreck, Far };
    for (const std::vector<Kind>& order :
         {std::vector<Kind>{Gone, Wreck, Far}, std::vector<Kind>{Far, Wreck, Gone}}) {
        SCOPED_TRACE(order[0]);
        // Handles rise in creation order, so the list is walked in `order`.
        Handles removable;
        for (Kind kind : order) {
            const int32_t v = VehicleAt("asea", {kind == Far ? 450.0f : 10.0f, 0, 0});
            if (kind == Gone) {
                sim::RemoveEntity(world, v);
            } else if (kind == Wreck) {
                E(v).alive = false;
            }
            removable.push_back(v);
        }
        const int32_t keeper = VehicleAt("asea", {20, 0, 0});
        Plugin.TrackedVehicles = {keeper, removable[2], removable[1], removable[0]};

        for (size_t pass = 0; pass < 3; ++pass) {
            sim::ClearMemoryTrace();
            UpkeepPass();
            Handles left(removable.begin() + static_cast<std::ptrdiff_t>(pass) + 1,
                         removable.end());
            left.push_back(keeper);
            EXPECT_EQ(Plugin.TrackedVehicles, left);
            EXPECT_FALSE(Exists(removable[pass]));
            if (order[pass] != Gone) {
                // Deleted, then the slot, cleared by the delete, is released.
                EXPECT_EQ(FirstArgs("DeleteEntity"), (Handles{removable[pass]}));
                EXPECT_EQ(FirstArgs("SetVehicleNoLongerNeeded"), (Handles{0}));
            }
        }
        sim::ClearMemoryTrace();
        UpkeepPass();
        EXPECT_EQ(Plugin.TrackedVehicles, (Handles{keeper}));
        EXPECT_EQ(FirstArgs("SetVehicleNoLongerNeeded"), (Handles{keeper}));
        EXPECT_TRUE(E(keeper).released);
    }
}

TEST_F(TrackedListsTest, AeroplaneIsKeptFarAwayButOtherVehiclesAreDeleted) {
    struct Case {
        const char* model;
        bool kept;
    };
    for (const Case& c : {Case{"cuban800", true}, Case{"maverick", false}, Case{"asea", false}}) {
        SCOPED_TRACE(c.model);
        const int32_t vehicle = VehicleAt(c.model, {500, 0, 0});
        Plugin.TrackedVehicles = {vehicle};
        UpkeepTrackedVehicles();
        EXPECT_EQ(Plugin.TrackedVehicles.size(), c.kept ? 1u : 0u);
        EXPECT_EQ(Exists(vehicle), c.kept);
    }
}

TEST_F(TrackedListsTest, VehicleJustInsideTheReleaseDistanceIsKept) {
    const int32_t car = VehicleAt("asea", {400, 0, 0});
    Plugin.TrackedVehicles = {car};
    UpkeepTrackedVehicles();
    EXPECT_EQ(Plugin.TrackedVehicles, (Handles{car}));
    EXPECT_TRUE(E(car).released);
}

TEST_F(TrackedListsTest, FarPedIsDeletedOnlyWhenOffScreenAndOnFoot) {
    struct Case {
        const char* name;
        bool onScreen;
        const char* vehicleModel;  // null on foot
        bool kept;
    };
    const std::vector<Case> cases = {
        {"on screen, on foot", true, nullptr, true},
        {"off screen, in an aeroplane", false, "cuban800", true},
        {"off screen, in a helicopter", false, "maverick", true},
        {"off screen, in a car", false, "asea", false},
        {"off screen, on foot", false, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t ped = 0;
        if (c.vehicleModel != nullptr) {
            ped = Occupant(VehicleAt(c.vehicleModel, {0, 350, 0}));
        } else {
            ped = PedAt({0, 350, 0});
        }
        E(ped).onScreenOverride = c.onScreen ? 1 : 0;
        Plugin.TrackedPeds = {ped};
        UpkeepTrackedPeds();
        EXPECT_EQ(Plugin.TrackedPeds.size(), c.kept ? 1u : 0u);
        EXPECT_EQ(Exists(ped), c.kept);
        EXPECT_TRUE(!c.kept || E(ped).released);
    }
}

TEST_F(TrackedListsTest, PedsThatNoLongerQualifyAreDroppedAndSomeDeleted) {
    struct Case {
        const char* name;
        int parachutes;
        bool onScreen;
        bool human;
        bool alive;
        bool falling;
        float height;
        bool inList;
        bool exists;
    };
    const std::vector<Case> cases = {
        {"usable, parachutes on", 1, false, true, true, false, 0, true, true},
        {"on screen, parachutes off", 2, true, true, true, false, 0, true, true},
        {"off screen human, parachutes off", 2, false, true, true, false, 0, false, true},
        {"off screen human high up, parachutes off", 2, false, true, true, false, 30, false, true},
        {"dead", 1, true, true, false, false, 0, false, false},
        {"animal on screen", 1, true, false, true, false, 0, true, true},
        {"animal falling", 1, false, false, true, true, 30, false, true},
        {"animal 5 m up", 1, false, false, true, false, 5, false, false},
        {"animal exactly 2 m up", 1, false, false, true, false, 2, false, true},
        {"animal on the ground", 2, false, false, true, false, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Plugin.Settings.PedParachutes = c.parachutes;
        const int32_t ped = PedAt({10, 0, c.height}, c.onScreen);
        E(ped).human = c.human;
        E(ped).alive = c.alive;
        E(ped).falling = c.falling;
        Plugin.TrackedPeds = {ped};
        UpkeepTrackedPeds();
        EXPECT_EQ(Plugin.TrackedPeds.size(), c.inList ? 1u : 0u);
        EXPECT_EQ(Exists(ped), c.exists);
    }
}

TEST_F(TrackedListsTest, GonePedIsRemovedWithoutFurtherCalls) {
    const int32_t gone = PedAt({5, 0, 0});
    sim::RemoveEntity(world, gone);
    const int32_t next = PedAt({6, 0, 0});
    Plugin.TrackedPeds = {gone, next};
    sim::ClearMemoryTrace();
    UpkeepTrackedPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{next}));
    EXPECT_EQ(Ops(), (Names{"EntityExists"}));
}

TEST_F(TrackedListsTest, OneRemovalEndsThePedWalkForThePass) {
    Plugin.Settings.PedParachutes = 2;
    const int32_t first = PedAt({10, 0, 0});
    const int32_t second = PedAt({11, 0, 0});
    Plugin.TrackedPeds = {first, second};
    UpkeepTrackedPeds();
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{second}));
    EXPECT_EQ(FirstArgs("SetPedNoLongerNeeded"), (Handles{first}));
}

//-----------------------------------------------------------------------------
// [SECTION] Upkeep: the parachute marker and period
//-----------------------------------------------------------------------------

TEST_F(TrackedListsTest, MarkerComesOffOnlyBelowLandedHeight) {
    struct Case {
        float height;
        int maxHealthAfter;
    };
    for (const Case& c : {Case{1.5f, NormalMaxHealth}, Case{2.0f, ParachuteMarkerHealth},
                          Case{0.0f, NormalMaxHealth}}) {
        SCOPED_TRACE(c.height);
        const int32_t ped = PedAt({5, 0, c.height}, true);
        E(ped).maxHealth = ParachuteMarkerHealth;
        Plugin.TrackedPeds = {ped};
        UpkeepTrackedPeds();
        EXPECT_EQ(E(ped).maxHealth, c.maxHealthAfter);
        EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped}));
    }
}

TEST_F(TrackedListsTest, ParachuteBehaviourRunsOnMultiplesOfFifteen) {
    const int32_t ped = PedAt({5, 0, 0}, true);
    Plugin.TrackedPeds = {ped};
    std::vector<int> ran;
    for (int counter = 0; counter <= CycleCounterLimit; ++counter) {
        Plugin.CycleCounter = counter;
        sim::ClearMemoryTrace();
        UpkeepTrackedPeds();
        if (Count("GetEntityHeightAboveGround") > 0) {
            ran.push_back(counter);
        }
    }
    std::vector<int> expected;
    for (int counter = 0; counter <= 990; counter += ParachuteCheckPeriod) {
        expected.push_back(counter);
    }
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped}));
}

TEST_F(TrackedListsTest, ParachutesOffNeverRunTheBehaviour) {
    Plugin.Settings.PedParachutes = 0;
    Plugin.CycleCounter = 0;
    const int32_t ped = PedAt({5, 0, 50}, true);
    E(ped).falling = true;
    Plugin.TrackedPeds = {ped};
    UpkeepTrackedPeds();
    EXPECT_EQ(Count("GetPedParachuteState"), 0);
    EXPECT_EQ(E(ped).parachuteState, -1);
    EXPECT_EQ(Plugin.TrackedPeds, (Handles{ped}));
}

}  // namespace

// Replacing one accepted candidate: the model draw, the checks before
// loading, the wait for the model, placement and launch by vehicle type, the
// driver's task, release, and the pause after the replacement.
#include <gtest/gtest.h>

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

class ReplacementTest : public TrafficFixture {
protected:
    // An old blista 80 m south, driving south at 10 m/s, tracked in slot 0 and
    // taken as the candidate.
    void SetUp() override {
        TrafficFixture::SetUp();
        old = AddTraffic("blista", 80.0f);
        Plugin.TrackedVehicles = {old};
        TakeAsCandidate(old);
        Plugin.StatusText = "before";
    }
    void Replace() {
        Run([this] { ReplaceVehicle(old, 0, Hash("blista")); });
    }
    // The vehicle now in slot 0 if it is a new one, else 0.
    int32_t NewVehicle() {
        const int32_t v = Plugin.TrackedVehicles.at(0);
        return v != old && Exists(v) ? v : 0;
    }
    int32_t old = 0;
};

TEST_F(ReplacementTest, ReplacesACarInPlaceInTheOrderOfItsSteps) {
    UseOnlyModel("blazer");  // one seat: no crew to find
    Replace();
    const int32_t fresh = NewVehicle();
    ASSERT_NE(fresh, 0);
    const std::vector<std::string> expected = {
        "GetRandomIntInRange", "GetHashKey", "IsModelAVehicle", "GetNumberOfStreamingRequests",
        "GetDisplayNameFromVehicleModel", "RequestModel", "HasModelLoaded", "IsThisModelAPlane",
        "IsThisModelAHeli", "CreateVehicle", "CreateRandomPedAsDriver", "SetEntityVelocity",
        // the new vehicle must be usable
        "EntityExists", "IsEntityDead", "IsVehicleDriveable",
        // both marked, the model released, the old vehicle gone
        "SetVehicleNumberPlateText", "SetVehicleNumberPlateText", "SetModelAsNoLongerNeeded",
        "SetVehicleNoLongerNeeded", "DeleteVehicle",
        // the driver is there; no passenger seat
        "EntityExists", "GetEntityModel", "GetVehicleModelNumberOfSeats",
        "GetVehicleNumberOfPassengers", "SetVehicleEngineOn", "GetPedType",
        "TaskVehicleDriveWander", "IsVehicleSeatFree",
        // a road vehicle is put on its wheels
        "GetEntityModel", "EntityExists", "IsVehicleDriveable", "IsVehicleAttachedToTrailer",
        "IsThisModelACar", "IsThisModelABike", "IsThisModelAQuadbike", "SetVehicleOnGroundProperly",
        "SetPedNoLongerNeeded", "GetEntityModel", "IsThisModelAPlane", "SetVehicleNoLongerNeeded",
        "GetAsyncKeyState", "scriptWait"};
    EXPECT_EQ(Ops(), expected);

    EXPECT_EQ(CallsTo("GetRandomIntInRange")[0].args, (nlohmann::json{0, 275}));
    const nlohmann::json create = CallsTo("CreateVehicle")[0].args;
    EXPECT_EQ(create[0], Hash("blazer"));
    EXPECT_EQ(create[2], -80.0);
    EXPECT_EQ(create[3], 0.0);
    EXPECT_EQ(create[4], 180.0);
    const std::vector<sim::TraceEntry> plates = CallsTo("SetVehicleNumberPlateText");
    EXPECT_EQ(plates[0].args, (nlohmann::json{fresh, "K41482D2"}));
    EXPECT_EQ(plates[1].args, (nlohmann::json{old, "K41482D2"}));
    EXPECT_EQ(CallsTo("DeleteVehicle")[0].args[0], old);
    EXPECT_FALSE(Exists(old));
    EXPECT_EQ(E(fresh).plate, "K41482D2");
    EXPECT_TRUE(E(fresh).engineOn);
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{fresh}));
    EXPECT_EQ(Plugin.StatusText, "blazer\nSUCCESS!");
    const int32_t driver = E(fresh).occupants.at(0);
    EXPECT_EQ(CallsTo("TaskVehicleDriveWander")[0].args, (nlohmann::json{driver, fresh, 120.0, 5}));
}

TEST_F(ReplacementTest, SameModelDrawnAbandonsAfterTheSeatFilling) {
    Plugin.Settings.PedsInCars = 1;
    UseOnlyModel("blista");
    Replace();
    EXPECT_TRUE(Exists(old));
    EXPECT_EQ(Passengers(old).size(), 3u);
    EXPECT_EQ(E(old).plate, "64GA1714");
    EXPECT_EQ(Count("IsModelAVehicle"), 0);
    EXPECT_EQ(Count("CreateVehicle"), 0);
    EXPECT_EQ(Plugin.StatusText, "before");
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{old}));
}

class NotAVehicleTest : public ReplacementTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(NotAVehicleTest, ListNameThatIsNoVehicleAbandonsBeforeAnyMessage) {
    UseOnlyModel(GetParam());
    Replace();
    EXPECT_TRUE(Exists(old));
    EXPECT_EQ(Count("IsModelAVehicle"), 1);
    EXPECT_EQ(Count("GetNumberOfStreamingRequests"), 0);
    EXPECT_EQ(Count("RequestModel"), 0);
    EXPECT_EQ(Plugin.StatusText, "before");
}

INSTANTIATE_TEST_SUITE_P(Names, NotAVehicleTest,
                         ::testing::Values("blistaa", "a_m_y_business_01", ""));

struct StreamingCase {
    int pending;
    bool replaced;
};

void PrintTo(const StreamingCase& c, std::ostream* os) {
    *os << c.pending << " pending";
}

class StreamingLimitTest : public ReplacementTest,
                           public ::testing::WithParamInterface<StreamingCase> {};

TEST_P(StreamingLimitTest, ThreePendingRequestsRefuseTheReplacement) {
    const char* others[] = {"ninef", "stinger", "bison"};
    for (int i = 0; i < GetParam().pending; ++i) {
        world.streaming.push_back(sim::StreamingRequest{Hash(others[i]), world.frame + 100000});
    }
    Replace();
    EXPECT_EQ(NewVehicle() != 0, GetParam().replaced);
    EXPECT_EQ(Exists(old), !GetParam().replaced);
    EXPECT_EQ(Count("GetDisplayNameFromVehicleModel"), GetParam().replaced ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamingLimitTest,
                         ::testing::Values(StreamingCase{0, true}, StreamingCase{2, true},
                                           StreamingCase{3, false}));

TEST_F(ReplacementTest, ModelThatNeverLoadsGivesUpAfter500FramesLeavingTheArrowText) {
    Plugin.Settings.DebugMessages = 1;
    world.neverLoadingModels.insert(Hash("issi2"));
    Replace();
    EXPECT_TRUE(Exists(old));
    EXPECT_EQ(Count("CreateVehicle"), 0);
    EXPECT_EQ(Plugin.StatusText, "Blista --> issi2");
    EXPECT_EQ(Waits(), std::vector<int>(500, 0));
    EXPECT_EQ(Count("HasModelLoaded"), 501);
    // Each wait shows the arrow text and a line to the old vehicle.
    EXPECT_EQ(Count("DrawText"), 500);
    ASSERT_EQ(Count("DrawLine"), 500);
    EXPECT_EQ(CallsTo("AddTextComponentString")[0].args[0], "Blista --> issi2");
}

TEST_F(ReplacementTest, DisplayNameWithoutTextLeavesTheArrowAndTheNewName) {
    MisreportingHost host("GetDisplayNameFromVehicleModel",
                          [](sim::NativeCall& call) { call.ReturnText(nullptr); });
    world.neverLoadingModels.insert(Hash("issi2"));
    HoldHotkey();
    Replace();
    EXPECT_EQ(Plugin.StatusText, " --> issi2");
}

struct LoadDelayCase {
    int delayFrames;
    bool replaced;
};

void PrintTo(const LoadDelayCase& c, std::ostream* os) {
    *os << "loads after " << c.delayFrames << " frames";
}

class LoadDelayTest : public ReplacementTest,
                      public ::testing::WithParamInterface<LoadDelayCase> {};

TEST_P(LoadDelayTest, AcceptsAModelThatLoadsWithin499Waits) {
    world.modelLoadDelayFrames = GetParam().delayFrames;
    Replace();
    EXPECT_EQ(NewVehicle() != 0, GetParam().replaced);
    EXPECT_EQ(Count("DrawText"), 0);  // debug messages are off
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadDelayTest,
                         ::testing::Values(LoadDelayCase{1, true}, LoadDelayCase{498, true},
                                           LoadDelayCase{499, true}, LoadDelayCase{500, false}));

struct LaunchCase {
    const char* model;
    float heightOffset;
    float velocityFactor;  // 0: no velocity is set
    bool landingGearUp;
    const char* task;
    bool keptByThePlugin;
};

void PrintTo(const LaunchCase& c, std::ostream* os) {
    *os << c.model;
}

class LaunchTest : public ReplacementTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchTest, PlacesAndLaunchesByVehicleType) {
    const LaunchCase& c = GetParam();
    UseOnlyModel(c.model);
    Replace();
    const int32_t fresh = NewVehicle();
    ASSERT_NE(fresh, 0);
    const int32_t driver = E(fresh).occupants.at(0);
    ASSERT_NE(driver, 0);

    const nlohmann::json create = CallsTo("CreateVehicle")[0].args;
    EXPECT_EQ(create[1], 0.0);
    EXPECT_EQ(create[2], -80.0);
    EXPECT_FLOAT_EQ(create[3].get<float>(), c.heightOffset);
    EXPECT_EQ(create[4], 180.0);

    std::vector<sim::TraceEntry> velocity;
    for (const sim::TraceEntry& e : CallsTo("SetEntityVelocity")) {
        if (e.args[0] == fresh) {
            velocity.push_back(e);
        }
    }
    if (c.velocityFactor == 0.0f) {
        EXPECT_TRUE(velocity.empty());
    } else {
        ASSERT_EQ(velocity.size(), 1u);
        EXPECT_EQ(velocity[0].args, (nlohmann::json{fresh, 0.0, -10.0 * c.velocityFactor, 0.0}));
    }
    EXPECT_EQ(E(fresh).landingGear, c.landingGearUp ? 3 : 0);

    bool taskGiven = false;
    for (const sim::TaskRecord& t : E(driver).tasks) {
        taskGiven = taskGiven || t.name == c.task;
    }
    EXPECT_TRUE(taskGiven) << c.task;

    bool released = false;
    for (const sim::TraceEntry& e : CallsTo("SetVehicleNoLongerNeeded")) {
        released = released || e.args[0] == fresh;
    }
    EXPECT_EQ(released, !c.keptByThePlugin);
    EXPECT_EQ(E(fresh).plate, "K41482D2");
    EXPECT_FALSE(Exists(old));
}

INSTANTIATE_TEST_SUITE_P(
    Types, LaunchTest,
    ::testing::Values(LaunchCase{"cuban800", 80.0f, 50.0f, true, "TaskPlaneMission", true},
                      LaunchCase{"maverick", 15.0f, 0.0f, true, "TaskHeliChase", false},
                      LaunchCase{"issi2", 0.0f, 1.0f, false, "TaskVehicleDriveWander", false},
                      LaunchCase{"faggio", 0.0f, 1.0f, false, "TaskVehicleDriveWander", false}),
    [](const ::testing::TestParamInfo<LaunchCase>& info) { return std::string(info.param.model); });

TEST_F(ReplacementTest, PlaneFliesToWhereItIsAndItsPilotJoinsTheGroup) {
    Plugin.Settings.MinAirplaneHeight = 120.0f;
    UseOnlyModel("cuban800");
    HoldHotkey();  // no frame passes before the mission is given
    Replace();
    const int32_t plane = NewVehicle();
    ASSERT_NE(plane, 0);
    const int32_t pilot = E(plane).occupants.at(0);
    const nlohmann::json mission = CallsTo("TaskPlaneMission").at(0).args;
    EXPECT_EQ(mission[0], pilot);
    EXPECT_EQ(mission[1], plane);
    EXPECT_EQ(mission[4], 0.0);
    EXPECT_EQ(mission[5], -80.0);
    EXPECT_EQ(mission[6], 120.0);
    EXPECT_EQ(mission[7], 4);
    EXPECT_FLOAT_EQ(Plugin.CandidateState.CandidatePosition.z, 120.0f);
    EXPECT_EQ(E(pilot).relationshipGroup, Hash("COUGAR"));
    EXPECT_TRUE(E(pilot).keepTask);
    EXPECT_EQ(Count("SetVehicleOnGroundProperly"), 0);
}

TEST_F(ReplacementTest, HelicopterFliesToTheOldPlaceThenChasesThePlayer) {
    UseOnlyModel("maverick");
    Replace();
    const int32_t heli = NewVehicle();
    ASSERT_NE(heli, 0);
    const int32_t pilot = E(heli).occupants.at(0);
    const nlohmann::json mission = CallsTo("TaskHeliMission").at(0).args;
    EXPECT_EQ(mission[4], 0.0);
    EXPECT_EQ(mission[5], -80.0);
    EXPECT_EQ(mission[6], 0.0);
    EXPECT_EQ(CallsTo("TaskHeliChase").at(0).args, (nlohmann::json{pilot, player, 0.0, 0.0, 0.0}));
    EXPECT_TRUE(E(heli).bladesFullSpeed);
    EXPECT_EQ(E(pilot).relationshipGroup, Hash("COUGAR"));
}

struct PauseCase {
    const char* name;
    bool hotkeyHeld;
    int spawnWaitMs;
    std::vector<int> waits;
};
KORVANE_CASE_PRINTS_ITS_NAME(PauseCase)

class PauseTest : public ReplacementTest, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(PauseTest, PausesAfterTheReplacementUnlessHeldOrNegative) {
    const PauseCase& c = GetParam();
    Plugin.Settings.SpawnWaitMs = c.spawnWaitMs;
    if (c.hotkeyHeld) {
        HoldHotkey();
    }
    UseOnlyModel("blazer");
    Replace();
    ASSERT_NE(NewVehicle(), 0);
    EXPECT_EQ(Waits(), c.waits);
}

INSTANTIATE_TEST_SUITE_P(Cases, PauseTest,
                         ::testing::Values(PauseCase{"Released", false, 1000, {1000}},
                                           PauseCase{"HotkeyHeld", true, 1000, {}},
                                           PauseCase{"ZeroWait", false, 0, {0}},
                                           PauseCase{"NegativeWaitIsNoPause", false, -1, {}},
                                           PauseCase{"VeryNegativeWait", false, -2000000000, {}}),
                         CaseName());

TEST_F(ReplacementTest, NewVehicleThatCannotBeMadeLeavesTheOldOneUntouched) {
    const std::string plate = E(old).plate;
    world.vehiclePoolLimit = sim::CountEntities(world, sim::EntityKind::Vehicle);
    Replace();
    EXPECT_TRUE(Exists(old));
    EXPECT_EQ(E(old).plate, plate);
    EXPECT_EQ(Count("SetVehicleNumberPlateText"), 0);
    EXPECT_EQ(Plugin.StatusText, "Blista --> issi2");
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{old}));
}

TEST_F(ReplacementTest, ReplacementWithoutADriverIsDeletedAndTheSlotKeepsTheOldHandle) {
    world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped);
    Replace();
    EXPECT_FALSE(Exists(old));
    EXPECT_TRUE(VehiclesOf("issi2").empty());
    EXPECT_EQ(Plugin.TrackedVehicles, (std::vector<EntityHandle>{old}));
    EXPECT_EQ(Count("CreateRandomPedAsDriver"), 2);  // with the vehicle, then once more
    EXPECT_EQ(Count("DeleteVehicle"), 2);
}

// The list draws use the table sizes as exclusive ends, so the last entry of
// each list can be drawn; the police list is drawn from one time in 15.
class PickModelNameTest : public TrafficFixture {
protected:
    // A seed for which the first draws of the host's generator give `results`.
    uint64_t SeedGiving(const std::vector<std::vector<int>>& results) {
        for (uint64_t seed = 1; seed < 2000000; ++seed) {
            sim::World scratch;
            scratch.rngState = seed;
            bool all = true;
            for (const std::vector<int>& r : results) {
                all = all && sim::RandomInRange(scratch, r[0], r[1]) == r[2];
            }
            if (all) {
                return seed;
            }
        }
        ADD_FAILURE() << "no seed found";
        return 1;
    }
    std::string Pick() {
        std::string name;
        Run([&name] { name = PickModelName(); });
        return name;
    }
};

TEST_F(PickModelNameTest, LastEntryOfEachListCanBeDrawn) {
    Plugin.FullModelList[FullModelListSize - 1] = "lastfull";
    Plugin.SmallModelList[SmallModelListSize - 1] = "lastsmall";
    Plugin.PoliceModelList[PoliceModelListSize - 1] = "lastpolice";

    world.rngState = SeedGiving({{0, 275, 274}});
    EXPECT_EQ(Pick(), "lastfull");

    Plugin.Settings.UseFullList = 0;
    world.rngState = SeedGiving({{0, 50, 49}});
    EXPECT_EQ(Pick(), "lastsmall");

    Plugin.Settings.PolicePatrols = 1;
    world.rngState = SeedGiving({{0, 15, 0}, {0, 20, 19}});
    sim::ClearMemoryTrace();
    EXPECT_EQ(Pick(), "lastpolice");
    EXPECT_EQ(Draws(0, 275).size() + Draws(0, 50).size(), 0u);
}

struct PickCase {
    const char* name;
    int policePatrols;
    bool useFullList;
};
KORVANE_CASE_PRINTS_ITS_NAME(PickCase)

class PickListTest : public PickModelNameTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(PickListTest, EveryPickIsTheEntryAtTheDrawnIndex) {
    const PickCase& c = GetParam();
    Plugin.Settings.PolicePatrols = c.policePatrols;
    Plugin.Settings.UseFullList = c.useFullList ? 1 : 0;
    static std::vector<std::string> names;
    names.clear();
    for (int i = 0; i < FullModelListSize; ++i) {
        names.push_back("full" + std::to_string(i));
    }
    for (int i = 0; i < SmallModelListSize; ++i) {
        names.push_back("small" + std::to_string(i));
    }
    for (int i = 0; i < PoliceModelListSize; ++i) {
        names.push_back("police" + std::to_string(i));
    }
    for (int i = 0; i < FullModelListSize; ++i) {
        Plugin.FullModelList[i] = names[i].c_str();
    }
    for (int i = 0; i < SmallModelListSize; ++i) {
        Plugin.SmallModelList[i] = names[FullModelListSize + i].c_str();
    }
    for (int i = 0; i < PoliceModelListSize; ++i) {
        Plugin.PoliceModelList[i] = names[FullModelListSize + SmallModelListSize + i].c_str();
    }
    std::vector<std::string> picks;
    Run([&picks] {
        for (int i = 0; i < 120; ++i) {
            picks.push_back(PickModelName());
        }
    });
    // Replay the trace: each pick is the entry its index draw names.
    const std::vector<sim::TraceEntry> draws = CallsTo("GetRandomIntInRange");
    size_t d = 0;
    int policePicks = 0;
    for (const std::string& pick : picks) {
        ASSERT_LT(d, draws.size());
        std::string expected;
        if (c.policePatrols == 1) {
            EXPECT_EQ(draws[d].args, (nlohmann::json{0, 15}));
            if (draws[d++].ret == 0) {
                EXPECT_EQ(draws[d].args, (nlohmann::json{0, 20}));
                expected = "police" + std::to_string(draws[d++].ret.get<int>());
                ++policePicks;
                EXPECT_EQ(pick, expected);
                continue;
            }
        }
        const int end = c.useFullList ? 275 : 50;
        EXPECT_EQ(draws[d].args, (nlohmann::json{0, end}));
        expected = (c.useFullList ? "full" : "small") + std::to_string(draws[d++].ret.get<int>());
        EXPECT_EQ(pick, expected);
    }
    EXPECT_EQ(d, draws.size());
    if (c.policePatrols == 1) {
        EXPECT_GT(policePicks, 0);
        EXPECT_LT(policePicks, 40);
    } else {
        EXPECT_EQ(policePicks, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PickListTest,
                         ::testing::Values(PickCase{"FullList", 0, true},
                                           PickCase{"SmallList", 0, false},
                                           PickCase{"PoliceWithFullList", 1, true},
                                           PickCase{"PoliceWithSmallList", 1, false},
                                           PickCase{"PatrolsTwoMeansOff", 2, true}),
                         CaseName());

}  // namespace

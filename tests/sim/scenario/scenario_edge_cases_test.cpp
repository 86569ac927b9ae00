// What a scenario can say for hand-written edge cases: the settings file
// replaced or removed on a frame, random drivers of any ped type, road nodes
// off the road, walkable-point queries that write nothing, and chaos mode;
// and the chaos town that the soak runs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "sim/chaos/chaos.h"
#include "sim/scenario/scenario.h"
#include "support/world_ops.h"
#include "support/process.h"
#include "support/temp_dir.h"

using namespace simtest;
using sim::HashName;

namespace {

sim::World Load(const std::string& text) {
    sim::World world;
    std::string error;
    EXPECT_TRUE(sim::LoadScenarioJson(nlohmann::json::parse(text), world, &error)) << error;
    return world;
}

std::string LoadError(const std::string& text) {
    sim::World world;
    std::string error;
    const bool ok = sim::LoadScenarioJson(nlohmann::json::parse(text), world, &error);
    return ok ? std::string("<loaded>") : error;
}

TEST(ScenarioEdgeCases, TheSettingsFileIsReplacedAndRemovedOnItsFrames) {
    TempWorkingDirectory dir;
    dir.Write("other.ini", "KORVANE BY MIRODEX\nfrom a file\n");
    dir.Write("Korvane.ini", "as placed\n");
    const std::string other = (dir.Path() / "other.ini").string();
    sim::World world = Load(R"({"settingsChanges": [{"frame": 2, "text": "typed in\n"},
        {"frame": 3, "remove": true}, {"frame": 5, "ini": ")" +
                            other + R"("}]})");
    const std::string file = (dir.Path() / "Korvane.ini").string();
    const std::string expected[] = {"as placed\n", "typed in\n", "", "",
                                    "KORVANE BY MIRODEX\nfrom a file\n"};
    for (int frame = 1; frame <= 5; ++frame) {
        sim::StepWorld(world);
        ASSERT_EQ(world.frame, frame);
        EXPECT_EQ(ReadWholeFile(file), expected[frame - 1]) << "frame " << frame;
        EXPECT_EQ(std::filesystem::exists(file), frame != 3 && frame != 4) << "frame " << frame;
    }
}

TEST(ScenarioEdgeCases, RandomDriversAndTheirCrewsTakeThePedTypesGiven) {
    sim::World world = Load(R"({"randomDriverTypes": [17, 20],
        "player": {"position": [0, 0]},
        "vehicles": [{"model": "police", "position": [10, 0], "driver": true, "passengers": 1},
                     {"model": "barracks", "position": [20, 0], "driver": true},
                     {"model": "asea", "position": [30, 0], "driver": true}]})");
    int drivers = 0;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == sim::EntityKind::Ped && handle != world.playerPed) {
            EXPECT_TRUE(e.pedType == 17 || e.pedType == 20) << e.pedType;
            ++drivers;
        }
    }
    EXPECT_EQ(drivers, 4);
    // The script's random drivers too; a crew asked for the driver's type gets it.
    const int32_t car = AddCar(world, "asea", sim::Vec{40, 0, 0});
    const int32_t driver = RetInt(Call(world, "CreateRandomPedAsDriver", {I(car), 1}));
    const int type = world.entities.at(driver).pedType;
    EXPECT_TRUE(type == 17 || type == 20) << type;
    const int32_t crew =
        RetInt(Call(world, "CreatePedInsideVehicle",
                    {I(car), I(type), world.entities.at(driver).model, I(0), B(true), B(true)}));
    EXPECT_EQ(world.entities.at(crew).pedType, type);
}

TEST(ScenarioEdgeCases, ANodeOffTheRoadIsFoundButIsNoRoad) {
    sim::World world = Load(R"({"roads": {
        "nodes": [{"position": [0, 0]}, {"position": [50, 0], "offRoad": true}],
        "areas": [[-6, -100, 6, 100]]}})");
    char node[24];
    float heading = 0;
    int32_t lanes = 0;
    ASSERT_TRUE(RetBool(
        Call(world, "GetNthClosestVehicleNodeWithHeading",
             {F(50), F(0), F(0), I(1), P(node), P(&heading), P(&lanes), I(9), F(3), F(2.5f)})));
    EXPECT_EQ(ReadVec3(node).x, 50.0f) << "the node queries find it";
    EXPECT_FALSE(RetBool(Call(world, "IsPointOnRoad", {F(50), F(0), F(0), I(0)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPointOnRoad", {F(52), F(1), F(0), I(0)})));
    EXPECT_TRUE(RetBool(Call(world, "IsPointOnRoad", {F(0), F(50), F(0), I(0)})));
}

TEST(ScenarioEdgeCases, AnUnwalkableAreaMayLeaveThePointUnwritten) {
    sim::World world = Load(R"({"unwalkable": [[0, 0, 10, 10],
        {"area": [20, 0, 30, 10], "writesNothing": true}]})");
    char zeroed[24];
    char untouched[24];
    std::memset(zeroed, 0x5A, sizeof zeroed);
    std::memset(untouched, 0x5A, sizeof untouched);
    EXPECT_FALSE(
        RetBool(Call(world, "GetSafeCoordForPed", {F(5), F(5), F(0), B(true), P(zeroed), I(0)})));
    EXPECT_FALSE(RetBool(
        Call(world, "GetSafeCoordForPed", {F(25), F(5), F(0), B(true), P(untouched), I(0)})));
    for (size_t i = 0; i < sizeof zeroed; ++i) {
        EXPECT_EQ(zeroed[i], 0) << i;
        EXPECT_EQ(untouched[i], 0x5A) << i;
    }
    EXPECT_TRUE(
        RetBool(Call(world, "GetSafeCoordForPed", {F(50), F(5), F(0), B(true), P(zeroed), I(0)})));
}

TEST(ScenarioEdgeCases, ChaosTakesARateAndTheKindsToInject) {
    sim::World world = Load(R"({"chaos": {"rate": 0.25, "kinds": ["poolFull", "nullText"]}})");
    EXPECT_EQ(world.chaos.rate, 0.25);
    EXPECT_EQ(world.chaos.kinds, (1u << static_cast<unsigned>(sim::ChaosKind::PoolFull)) |
                                     (1u << static_cast<unsigned>(sim::ChaosKind::NullText)));
    EXPECT_EQ(Load("{}").chaos.rate, 0.0) << "off unless asked for";
}

TEST(ScenarioEdgeCases, BadEdgeCasesAreRefusedByField) {
    struct Case {
        const char* scenario;
        const char* message;
    };
    const Case cases[] = {
        {R"({"chaos": {"rate": 1.5}})", "chaos.rate: must be between 0 and 1"},
        {R"({"chaos": {"kinds": ["meteors"]}})",
         "chaos.kinds[0]: unknown kind of fault \"meteors\""},
        {R"({"chaos": {"kinds": ["goneHandleQuery"]}})", "chaos.kinds[0]: unknown kind"},
        {R"({"settingsChanges": [{"frame": 5, "text": "x", "remove": true}]})",
         "settingsChanges[0]: needs one of ini, text and remove"},
        {R"({"settingsChanges": [{"frame": 0, "remove": true}]})",
         "settingsChanges[0].frame: must be at least 1"},
        {R"({"randomDriverTypes": [4, 30]})", "randomDriverTypes[1]: ped types are 0 to 29"},
        {R"({"roads": {"nodes": [{"position": [0, 0], "offRoad": 1}]}})",
         "roads.nodes[0].offRoad: expected true or false"},
        {R"({"unwalkable": [{"area": [0, 0, 1, 1], "writes": false}]})",
         "unwalkable[0].writes: unknown field"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(LoadError(c.scenario).find(c.message), std::string::npos)
            << c.scenario << "\n  gave: " << LoadError(c.scenario);
    }
}

TEST(ScenarioEdgeCases, AMissingReplacementFileIsRefusedAtLoad) {
    TempWorkingDirectory dir;
    dir.Write("s.json", R"({"settingsChanges": [{"frame": 9, "ini": "nowhere.ini"}]})");
    sim::World world;
    std::string error;
    EXPECT_FALSE(sim::LoadScenario((dir.Path() / "s.json").string(), world, &error));
    EXPECT_NE(error.find("settingsChanges[0].ini: no file"), std::string::npos) << error;
}

TEST(ScenarioEdgeCases, TheChaosTownHasEveryEdgeCase) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(
        sim::LoadScenario(KORVANE_SOURCE_DIR "/sim/scenarios/chaos_town.json", world, &error))
        << error;
    EXPECT_GT(world.chaos.rate, 0.0);
    EXPECT_EQ(world.chaos.kinds, ~0u) << "every kind";
    ASSERT_FALSE(world.randomDriverTypes.empty());
    EXPECT_NE(std::find(world.randomDriverTypes.begin(), world.randomDriverTypes.end(), 17),
              world.randomDriverTypes.end());
    EXPECT_NE(std::find(world.randomDriverTypes.begin(), world.randomDriverTypes.end(), 20),
              world.randomDriverTypes.end());
    int offRoad = 0;
    for (const sim::RoadNode& node : world.roadNodes) {
        offRoad += node.offRoad;
    }
    EXPECT_GT(offRoad, 0);
    EXPECT_FALSE(world.unwalkableSilentAreas.empty());
    bool removes = false;
    for (const sim::SettingsFileChange& change : world.settingsChanges) {
        removes = removes || change.remove;
        if (!change.path.empty()) {
            EXPECT_TRUE(std::filesystem::is_regular_file(change.path)) << change.path;
        }
    }
    EXPECT_TRUE(removes);
    EXPECT_TRUE(std::filesystem::is_regular_file(world.scenario.iniPath));
}

}  // namespace

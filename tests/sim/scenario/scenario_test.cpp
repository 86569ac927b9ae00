// Scenario files: the shipped scenarios load into the world they describe,
// and a bad scenario is refused with a message naming the field.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/scenario/key_names.h"
#include "sim/scenario/scenario.h"
#include "support/world_ops.h"

using sim::HashName;

namespace {

std::string LoadError(const std::string& text) {
    sim::World world;
    std::string error;
    const bool ok = sim::LoadScenarioJson(nlohmann::json::parse(text), world, &error);
    return ok ? std::string("<loaded>") : error;
}

}  // namespace

TEST(Scenario, TownIsADrivenTownWithTheHotkeyPressedInTheFirstSecond) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(sim::LoadScenario(KORVANE_SOURCE_DIR "/sim/scenarios/town.json", world, &error))
        << error;
    const sim::Entity& player = world.entities.at(world.playerPed);
    EXPECT_EQ(player.pedType, 0);
    ASSERT_NE(player.vehicle, 0);
    EXPECT_EQ(world.playerLastVehicle, player.vehicle);
    EXPECT_TRUE(world.playerDrives);
    EXPECT_TRUE(world.cameraFollowsPlayer);
    EXPECT_GT(world.roadNodes.size(), 300u);
    EXPECT_GT(world.ambientVehicleTarget, 0);
    EXPECT_GE(world.ambientVehicleModels.size(), 3u);
    EXPECT_LE(world.ambientVehicleModels.size(), 8u)
        << "a handful of models, so that twins are common";
    ASSERT_EQ(world.keyEvents.size(), 2u);
    EXPECT_EQ(world.keyEvents[0].key, 99);
    EXPECT_TRUE(world.keyEvents[0].down);
    EXPECT_FALSE(world.keyEvents[1].down);
    EXPECT_LT(world.keyEvents[1].frame, 60);
    EXPECT_GT(world.keyEvents[1].frame, world.keyEvents[0].frame);
    EXPECT_TRUE(std::filesystem::path(world.scenario.iniPath).is_absolute());
    EXPECT_TRUE(std::filesystem::exists(world.scenario.iniPath)) << world.scenario.iniPath;
    EXPECT_GT(world.scenario.frames, 0);
}

TEST(Scenario, AircraftScenarioSettingsListAircraftAndAllowMissiles) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(sim::LoadScenario(KORVANE_SOURCE_DIR "/sim/scenarios/aircraft.json", world, &error))
        << error;
    ASSERT_TRUE(std::filesystem::exists(world.scenario.iniPath)) << world.scenario.iniPath;
    std::ifstream in(world.scenario.iniPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Aircraft missiles = [1]"), std::string::npos);
    for (const char* name :
         {"lazer", "buzzard", "hydra", "savage", "valkyrie", "cuban800", "maverick", "frogger"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
        EXPECT_TRUE(world.knownModelHashes.count(HashName(name))) << name;
    }
    const std::string check = "INI Check = [1234]";
    const size_t at = text.rfind(check);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.find_first_not_of("\r\n", at + check.size()), std::string::npos)
        << "the check line is last";
}

TEST(Scenario, EntitiesWithIdsSeatsAndFights) {
    sim::World world;
    std::string error;
    ASSERT_TRUE(sim::LoadScenarioJson(nlohmann::json::parse(R"({
        "groundZ": 2,
        "player": {"position": [0, 0], "heading": 90},
        "vehicles": [
            {"id": "cop", "model": "police", "position": [10, 0], "heading": 180, "speed": 5,
             "driver": {"id": "thief", "model": "a_m_y_hipster_01", "type": 4}, "passengers": 2,
             "plate": "ABC", "damagedByPed": true, "onScreen": false},
            {"model": "phantom", "position": [30, 0, 2], "trailer": true, "dead": true}
        ],
        "peds": [
            {"id": "jumper", "model": "a_f_y_tourist_01", "position": [0, 50], "height": 80, "ragdoll": true,
             "fighting": ["thief"]},
            {"model": "s_m_y_cop_01", "type": 6, "vehicle": "cop", "seat": 2, "controlDelay": 4},
            {"id": "someone", "position": [5, 5]}
        ],
        "ambient": {"pedModels": ["a_f_y_tourist_01"]},
        "keys": [{"frame": 30, "key": "LBUTTON", "down": true}, {"frame": 5, "key": 4, "down": true}]
    })"),
                                      world, &error))
        << error;
    const sim::Entity& cop = world.entities.at(world.namedEntities.at("cop"));
    const int32_t thief = world.namedEntities.at("thief");
    EXPECT_EQ(cop.occupants[0], thief);
    EXPECT_NE(cop.occupants[1], 0);
    EXPECT_NE(cop.occupants[2], 0);
    EXPECT_NE(cop.occupants[3], 0);
    EXPECT_EQ(world.entities.at(cop.occupants[3]).pedType, 6);
    EXPECT_FALSE(world.entities.at(cop.occupants[3]).scriptControlled);
    EXPECT_EQ(cop.plate, "ABC");
    EXPECT_TRUE(cop.damagedByPed);
    EXPECT_EQ(cop.onScreenOverride, 0);
    EXPECT_FLOAT_EQ(cop.velocity.y, -5.0f) << "heading 180 is south";
    const sim::Entity& jumper = world.entities.at(world.namedEntities.at("jumper"));
    EXPECT_FLOAT_EQ(jumper.position.z, 82.0f);
    EXPECT_TRUE(jumper.falling);
    EXPECT_TRUE(jumper.ragdoll);
    EXPECT_TRUE(jumper.fighting.count(thief));
    const sim::Entity& someone = world.entities.at(world.namedEntities.at("someone"));
    EXPECT_EQ(someone.model, HashName("a_f_y_tourist_01"))
        << "a random civilian from the scenario's models";
    EXPECT_EQ(someone.pedType, 5);
    bool wreck = false;
    for (const auto& [handle, e] : world.entities) {
        wreck = wreck ||
                (e.model == HashName("phantom") && !e.alive && !e.driveable && e.towingTrailer);
    }
    EXPECT_TRUE(wreck);
    ASSERT_EQ(world.keyEvents.size(), 2u);
    EXPECT_EQ(world.keyEvents[0].frame, 5) << "sorted by frame";
    EXPECT_EQ(world.keyEvents[1].key, 1);
}

TEST(Scenario, BadScenariosAreRefusedNamingTheField) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"([])", "scenario: expected an object"},
        {R"({"vehicle": []})", "vehicle: unknown field"},
        {R"({"frames": "many"})", "frames: expected an integer"},
        {R"({"frames": -1})", "frames: must be at least 0"},
        {R"({"frameTimeMs": 0})", "frameTimeMs: must be above 0"},
        {R"({"vehicles": [{"model": "nosuchcar", "position": [0, 0]}]})",
         "vehicles[0].model: unknown vehicle model \"nosuchcar\""},
        {R"({"vehicles": [{"position": [0, 0]}]})", "vehicles[0].model: required"},
        {R"({"vehicles": [{"model": "asea", "position": [0]}]})",
         "vehicles[0].position: expected [x, y] or [x, y, z]"},
        {R"({"vehicles": [{"model": "asea", "position": [0, 0], "colour": 3}]})",
         "vehicles[0].colour: unknown field"},
        {R"({"vehicles": [{"model": "adder", "position": [0, 0], "passengers": 2}]})",
         "vehicles[0].passengers[1].seat: seat 1 is taken or missing"},
        {R"({"peds": [{"model": "asea", "position": [0, 0]}]})",
         "peds[0].model: unknown ped model \"asea\""},
        {R"({"peds": [{"model": "a_m_y_business_01"}]})",
         "peds[0].position: required for a ped on foot"},
        {R"({"peds": [{"position": [0, 0], "vehicle": "nope"}]})",
         "peds[0].vehicle: no vehicle with id \"nope\""},
        {R"({"peds": [{"position": [0, 0], "fighting": ["ghost"]}]})",
         "peds[0].fighting[0]: no entity with id \"ghost\""},
        {R"({"peds": [{"id": "a", "position": [0, 0]}, {"id": "a", "position": [1, 0]}]})",
         "peds[1].id: duplicate id \"a\""},
        {R"({"keys": [{"frame": 1, "key": "NUMPAD33", "down": true}]})",
         "keys[0].key: unknown key \"NUMPAD33\""},
        {R"({"keys": [{"frame": 1, "key": 300, "down": true}]})",
         "keys[0].key: virtual-key codes are 1 to 255"},
        {R"({"keys": [{"frame": 1, "key": 99}]})", "keys[0]: needs frame, key and down"},
        {R"({"keys": [{"frame": -5, "key": 99, "down": false}]})",
         "keys[0].frame: must not be negative"},
        {R"({"player": {"drives": true}})", "player.drives: the player needs a vehicle to drive"},
        {R"({"camera": {"halfAngle": 0}})", "camera.halfAngle: must be above 0 and at most 180"},
        {R"({"roads": {"grids": [{"blocks": [0, 3]}]}})",
         "roads.grids[0].blocks: must be between 1 and 100"},
        {R"({"roads": {"nodes": [{"heading": 3}]}})", "roads.nodes[0].position: required"},
        {R"({"roads": {"areas": [[5, 0, 1, 1]]}})", "roads.areas[0]: minimum above maximum"},
        {R"({"streaming": {"neverLoading": ["lazerr"]}})",
         "streaming.neverLoading[0]: unknown vehicle model \"lazerr\""},
        {R"({"pools": {"peds": 0}})", "pools.peds: must be at least 1"},
        {R"({"pools": {"vehicles": 1}, "vehicles": [{"model": "asea", "position": [0, 0]}, {"model": "asea", "position": [5, 0]}]})",
         "vehicles[1]: the vehicle pool is full"},
        {R"({"ambient": {"spawnMin": 300}})", "ambient.spawnMin: above spawnMax"},
        {R"({"ambient": {"pedModels": ["asea"]}})",
         "ambient.pedModels[0]: unknown ped model \"asea\""},
        {R"({"ambient": {"pedModels": []}})", "ambient.pedModels: needs at least one model"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadError(c.json), c.message) << c.json;
    }
    sim::World world;
    std::string error;
    EXPECT_FALSE(sim::LoadScenario("/nonexistent/scenario.json", world, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST(Scenario, KeyNames) {
    struct Case {
        const char* name;
        int code;
    };
    const Case cases[] = {
        {"NUMPAD3", 0x63}, {"numpad0", 0x60}, {"VK_NUMPAD9", 0x69}, {"LBUTTON", 1}, {"MBUTTON", 4},
        {"RBUTTON", 2},    {"F1", 0x70},      {"F12", 0x7B},        {"A", 0x41},    {"7", 0x37},
        {"0x63", 0x63},    {"SPACE", 0x20},   {"F25", -1},          {"NUMPAD", -1}, {"", -1},
        {"0x100", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(sim::KeyCodeFromName(c.name), c.code) << c.name;
    }
}

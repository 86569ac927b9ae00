// The world stepping on its own: falling and parachutes, driving and flying,
// the ambient clean-up and traffic, and the same world from the same seed.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/world/population.h"
#include "sim/scenario/scenario.h"
#include "support/world_ops.h"

using namespace simtest;
using sim::HashName;
using sim::Vec;

namespace {

void Step(sim::World& world, int frames) {
    for (int i = 0; i < frames; ++i) {
        sim::StepWorld(world);
    }
}

}  // namespace

TEST(StepParachute, StateMovesFromFreeFallToGlideToLanding) {
    sim::World world = MakeWorld();
    const int32_t ped = AddPed(world, Vec{0, 0, 120});
    sim::StepWorld(world);
    EXPECT_TRUE(RetBool(Call(world, "IsPedFalling", {I(ped)})));
    EXPECT_LT(world.entities.at(ped).velocity.z, 0.0f);

    Call(world, "GiveDelayedWeaponToPed",
         {I(ped), I(static_cast<int32_t>(HashName("GADGET_PARACHUTE"))), I(300), B(true)});
    Call(world, "TaskParachuteToTarget", {I(ped), F(40), F(0), F(0)});

    std::vector<int> states{-1, 0};  // before the gift, and at once after it
    int landedFrame = -1;
    for (int frame = 0; frame < 60 * 60 && landedFrame < 0; ++frame) {
        const int state = world.entities.at(ped).parachuteState;
        if (state != states.back()) {
            states.push_back(state);
        }
        if (state == 2) {
            EXPECT_GT(world.entities.at(ped).velocity.z, -5.0f) << "gliding, not falling";
        }
        sim::StepWorld(world);
        if (!world.entities.at(ped).falling) {
            landedFrame = frame;
        }
    }
    states.push_back(world.entities.at(ped).parachuteState);
    EXPECT_EQ(states, (std::vector<int>{-1, 0, 1, 2, 3, -1}));
    ASSERT_GE(landedFrame, 0);
    const sim::Entity& landed = world.entities.at(ped);
    EXPECT_TRUE(landed.alive);
    EXPECT_FLOAT_EQ(landed.position.z, 0.0f);
    EXPECT_NEAR(landed.position.x, 40.0f, 3.0f) << "glided to its target";
    EXPECT_TRUE(landed.weapons.empty()) << "the parachute is used up";
    EXPECT_EQ(world.stats.parachuteLandings, 1);
}

TEST(StepFalling, PedsFallAndHardLandingsKill) {
    struct Case {
        float height;
        bool survives;
    };
    for (const Case& c : {Case{10, true}, Case{25, true}, Case{80, false}}) {
        sim::World world = MakeWorld();
        world.groundZ = 5.0f;
        const int32_t ped = AddPed(world, Vec{0, 0, 5.0f + c.height});
        Step(world, 60 * 10);
        const sim::Entity& e = world.entities.at(ped);
        EXPECT_FLOAT_EQ(e.position.z, 5.0f) << c.height;
        EXPECT_FALSE(e.falling) << c.height;
        EXPECT_EQ(e.alive, c.survives) << c.height;
        EXPECT_EQ(world.stats.fatalFalls, c.survives ? 0 : 1) << c.height;
    }
    sim::World world = MakeWorld();
    world.entities.at(world.playerPed).position.z = 80.0f;
    Step(world, 60 * 10);
    EXPECT_TRUE(world.entities.at(world.playerPed).alive) << "the player gets up again";
    EXPECT_FLOAT_EQ(world.entities.at(world.playerPed).position.z, 0.0f);
}

TEST(StepVehicles, OccupantsRideAlongAndDriverlessCarsStop) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{0, 0, 0}, 0.0f);
    const int32_t driver = AddPed(world, Vec{});
    sim::SeatPed(world, driver, car, -1);
    world.entities.at(car).velocity = Vec{0, 10, 0};
    const int32_t empty = AddCar(world, "asea", Vec{50, 0, 0}, 0.0f);
    world.entities.at(empty).velocity = Vec{0, 10, 0};
    Step(world, 60);
    const sim::Entity& moving = world.entities.at(car);
    EXPECT_NEAR(moving.position.y, 10.0f, 0.1f) << "a driver keeps the speed it has";
    EXPECT_FLOAT_EQ(world.entities.at(driver).position.y, moving.position.y);
    Step(world, 120);
    const sim::Entity& rolled = world.entities.at(empty);
    EXPECT_FLOAT_EQ(rolled.velocity.y, 0.0f);
    EXPECT_NEAR(rolled.position.y, 10.0f, 0.5f) << "10 m/s braking at 5 m/s^2";
}

TEST(StepVehicles, DriversOnTheGridKeepToTheStreets) {
    sim::World world = MakeWorld();
    world.streetGrids.push_back(sim::StreetGrid{-200, -200, 4, 4, 100, 0});
    std::vector<int32_t> cars;
    for (int i = 0; i < 6; ++i) {
        const int32_t car =
            AddCar(world, "blista", Vec{-100, -150.0f + 40.0f * static_cast<float>(i), 0}, 0.0f);
        const int32_t driver = AddPed(world, Vec{});
        sim::SeatPed(world, driver, car, -1);
        Call(world, "TaskVehicleDriveWander", {I(driver), I(car), F(15), I(156)});
        cars.push_back(car);
    }
    for (int frame = 0; frame < 60 * 120; ++frame) {
        sim::StepWorld(world);
        if (frame % 30 != 0) {
            continue;
        }
        for (int32_t car : cars) {
            const Vec p = world.entities.at(car).position;
            const float offX = std::fabs(std::remainder(p.x + 200.0f, 100.0f));
            const float offY = std::fabs(std::remainder(p.y + 200.0f, 100.0f));
            ASSERT_TRUE(offX < 0.01f || offY < 0.01f) << "off the streets at " << p.x << "," << p.y;
            ASSERT_TRUE(p.x >= -200.5f && p.x <= 200.5f && p.y >= -200.5f && p.y <= 200.5f)
                << "left the town at " << p.x << "," << p.y;
        }
    }
    for (int32_t car : cars) {
        EXPECT_NEAR(RetFloat(Call(world, "GetEntitySpeed", {I(car)})), 15.0f, 0.01f);
    }
}

TEST(StepVehicles, AircraftChaseTheirTargetAndWrecksDropTheirCrew) {
    sim::World world = MakeWorld();
    const int32_t plane = AddCar(world, "lazer", Vec{-800, 0, 200}, 270.0f);
    const int32_t heli = AddCar(world, "buzzard", Vec{400, 400, 40}, 0.0f);
    const int32_t pilot = AddPed(world, Vec{});
    const int32_t heliPilot = AddPed(world, Vec{});
    const int32_t gunner = AddPed(world, Vec{});
    sim::SeatPed(world, pilot, plane, -1);
    sim::SeatPed(world, heliPilot, heli, -1);
    sim::SeatPed(world, gunner, heli, 0);
    Call(world, "SetVehicleForwardSpeed", {I(plane), F(1000)});
    Call(world, "TaskPlaneChase", {I(pilot), I(world.playerPed), F(0), F(0), F(0)});
    Call(world, "TaskHeliChase", {I(heliPilot), I(world.playerPed), F(0), F(0), F(0)});
    Step(world, 60 * 60);
    const sim::Entity& p = world.entities.at(plane);
    EXPECT_LT(sim::Distance2D(p.position, Vec{}), 400.0f) << "circles over its target";
    EXPECT_GT(p.position.z, 25.0f);
    EXPECT_NEAR(RetFloat(Call(world, "GetEntitySpeed", {I(plane)})), 50.0f, 10.0f);
    const sim::Entity& h = world.entities.at(heli);
    EXPECT_LT(sim::Distance2D(h.position, Vec{}), 5.0f) << "hovers over its target";
    EXPECT_NEAR(h.position.z, 30.0f, 2.0f);

    const Vec below = world.entities.at(heli).position;
    const int32_t nearby = AddPed(world, Vec{below.x + 5, below.y, 0});
    const int32_t distant = AddPed(world, Vec{below.x + 80, below.y, 0});
    sim::Wreck(world, world.entities.at(heli));
    EXPECT_TRUE(RetBool(Call(world, "IsPedFleeing", {I(nearby)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPedFleeing", {I(distant)})));
    Call(world, "ClearPedTasks", {I(nearby)});
    EXPECT_FALSE(RetBool(Call(world, "IsPedFleeing", {I(nearby)})));
    EXPECT_EQ(world.entities.at(heli).occupants, (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_TRUE(world.entities.at(gunner).falling);
    Step(world, 60 * 10);
    EXPECT_FLOAT_EQ(world.entities.at(heli).position.z, 0.0f) << "the wreck fell";
    EXPECT_FALSE(RetBool(Call(world, "IsVehicleDriveable", {I(heli), B(true)})));
    EXPECT_FALSE(world.entities.at(gunner).falling);
}

TEST(StepCleanUp, TakesAwayOnlyReleasedOrAmbientEntitiesFarAndOutOfSight) {
    struct Case {
        const char* what;
        const char* model;  // a vehicle, or null for a ped
        Vec at;
        bool released, ambient;
        int onScreen;
        bool removed;
    };
    const Case cases[] = {
        {"released far", "asea", {0, -400, 0}, true, false, -1, true},
        {"released near", "asea", {0, -100, 0}, true, false, -1, false},
        {"released far but seen", "asea", {0, -400, 0}, true, false, 1, false},
        {"held far", "asea", {0, -400, 0}, false, false, -1, false},
        {"ambient far", "asea", {0, -400, 0}, false, true, -1, true},
        {"released ped far", nullptr, {0, -400, 0}, true, false, -1, true},
        {"released plane far in the air", "lazer", {0, -400, 150}, true, false, -1, false},
        {"released plane far on the ground", "lazer", {0, -400, 0}, true, false, -1, true},
    };
    for (const Case& c : cases) {
        sim::World world = MakeWorld();
        const int32_t handle = c.model ? AddCar(world, c.model, c.at) : AddPed(world, c.at);
        sim::Entity& e = world.entities.at(handle);
        e.released = c.released;
        e.ambient = c.ambient;
        e.onScreenOverride = c.onScreen;
        if (!c.model) {
            e.falling = false;
        }
        sim::CleanUpAmbient(world);
        EXPECT_EQ(sim::FindEntity(world, handle) == nullptr, c.removed) << c.what;
    }
}

TEST(StepCleanUp, SparesThePlayersOwnAndHeldCrewsAndTakesAmbientCrews) {
    sim::World world = MakeWorld();
    const int32_t playerCar = AddCar(world, "asea", Vec{0, -500, 0});
    world.playerLastVehicle = playerCar;
    world.entities.at(playerCar).released = true;

    const int32_t taxi = AddCar(world, "taxi", Vec{0, -600, 0});
    const int32_t held = AddPed(world, Vec{});
    sim::SeatPed(world, held, taxi, -1);
    world.entities.at(held).missionEntity = true;
    world.entities.at(taxi).released = true;

    const int32_t bus = AddCar(world, "bus", Vec{0, -700, 0});
    const int32_t commuter = AddPed(world, Vec{});
    sim::SeatPed(world, commuter, bus, 0);
    world.entities.at(bus).ambient = true;
    world.entities.at(commuter).ambient = true;

    EXPECT_EQ(sim::CleanUpAmbient(world), 2);
    EXPECT_NE(sim::FindEntity(world, playerCar), nullptr);
    EXPECT_NE(sim::FindEntity(world, taxi), nullptr);
    EXPECT_EQ(sim::FindEntity(world, bus), nullptr);
    EXPECT_EQ(sim::FindEntity(world, commuter), nullptr);
}

TEST(StepTraffic, KeepsAmbientCarsWithDriversAroundThePlayerOutOfSight) {
    sim::World world = MakeWorld();
    std::string error;
    ASSERT_TRUE(sim::LoadScenarioJson(nlohmann::json::parse(R"({
        "roads": {"grids": [{"origin": [-400, -400], "blocks": [8, 8], "blockSize": 100}]},
        "player": {"position": [0, 0], "heading": 0, "vehicle": "asea", "drives": true, "speed": 14},
        "ambient": {"vehicles": 10, "models": ["blista", "premier"], "spawnMin": 110, "spawnMax": 190}
    })"),
                                      world, &error))
        << error;
    Step(world, 1);
    const int initial = world.stats.ambientVehiclesSpawned;
    EXPECT_EQ(initial, 10) << "the town starts with its traffic";
    // Later spawns happen where the camera cannot see them.
    for (int frame = 0; frame < 60 * 90; ++frame) {
        const int before = world.stats.ambientVehiclesSpawned;
        const int32_t nextHandle = world.nextHandle;
        sim::StepWorld(world);
        if (world.stats.ambientVehiclesSpawned > before) {
            const sim::Entity& car = world.entities.at(nextHandle);
            EXPECT_FALSE(sim::IsEntityVisible(world, car));
            EXPECT_GE(sim::Distance(car.position, world.entities.at(world.playerPed).position),
                      110.0f);
            EXPECT_TRUE(car.ambient);
            const sim::Entity* driver = sim::FindEntity(world, car.occupants[0]);
            ASSERT_NE(driver, nullptr);
            EXPECT_TRUE(driver->pedType == 4 || driver->pedType == 5);
        }
    }
    EXPECT_GT(world.stats.ambientVehiclesSpawned, initial) << "cars left behind are replaced";
    EXPECT_GT(world.stats.entitiesCleanedUp, 0);
    int around = 0;
    for (const auto& [handle, e] : world.entities) {
        if (e.kind == sim::EntityKind::Vehicle && e.ambient) {
            EXPECT_TRUE(e.model == HashName("blista") || e.model == HashName("premier"));
            around +=
                sim::Distance(e.position, world.entities.at(world.playerPed).position) <= 190.0f;
        }
    }
    EXPECT_GE(around, 7);
    // The player drove along the streets all the while.
    const sim::Entity& player = world.entities.at(world.playerPed);
    EXPECT_NE(player.vehicle, 0);
    EXPECT_NEAR(RetFloat(Call(world, "GetEntitySpeed", {I(player.vehicle)})), 14.0f, 0.01f);
}

TEST(StepTraffic, SuppressedModelsStayOffTheRoads) {
    sim::World world = MakeWorld();
    std::string error;
    ASSERT_TRUE(sim::LoadScenarioJson(nlohmann::json::parse(R"({
        "roads": {"grids": [{"origin": [-400, -400], "blocks": [8, 8], "blockSize": 100}]},
        "ambient": {"vehicles": 12, "models": ["blista", "taco"]}
    })"),
                                      world, &error))
        << error;
    world.suppressedModels.insert(HashName("taco"));
    Step(world, 10);
    int blistas = 0;
    for (const auto& [handle, e] : world.entities) {
        EXPECT_NE(e.model, HashName("taco"));
        blistas += e.model == HashName("blista");
    }
    EXPECT_GE(blistas, 12);
}

TEST(StepDeterminism, SameSeedSameWorld) {
    auto run = [](uint64_t seed) {
        sim::World world;
        sim::SeedWorld(world, seed);
        std::string error;
        EXPECT_TRUE(sim::LoadScenario(KORVANE_SOURCE_DIR "/sim/scenarios/town.json", world, &error))
            << error;
        for (int frame = 0; frame < 60 * 60; ++frame) {
            sim::StepWorld(world);
        }
        std::vector<double> state;
        for (const auto& [handle, e] : world.entities) {
            state.insert(state.end(), {static_cast<double>(handle), e.position.x, e.position.y,
                                       e.position.z, e.heading, static_cast<double>(e.model)});
        }
        return state;
    };
    const std::vector<double> a = run(5);
    EXPECT_EQ(a, run(5));
    EXPECT_NE(a, run(6));
}

// The operations as world behaviour, called the way the dispatcher calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/world_ops.h"

using namespace simtest;
using sim::HashName;
using sim::Vec;

namespace {

// The handle variable of the caller, which delete and release receive by address.
struct HandleVar {
    int32_t value;
};

}  // namespace

TEST(OpsEntities, DeleteClearsTheCallersVariableAndReleaseKeepsIt) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{10, 0, 0});
    const int32_t ped = AddPed(world, Vec{5, 0, 0});
    ASSERT_TRUE(sim::SeatPed(world, ped, car, -1));

    struct Case {
        const char* op;
        int32_t handle;
        bool deletes;
    };
    // The kind-specific operations ignore an entity of the other kind.
    const Case wrongKind[] = {{"DeletePed", car, false}, {"SetPedNoLongerNeeded", car, false}};
    for (const Case& c : wrongKind) {
        HandleVar var{c.handle};
        Call(world, c.op, {P(&var.value)});
        EXPECT_NE(sim::FindEntity(world, c.handle), nullptr) << c.op;
        EXPECT_FALSE(world.entities.at(c.handle).released) << c.op;
    }

    // Release: the variable stays, the entity is marked, and counted once.
    for (const char* op :
         {"SetVehicleNoLongerNeeded", "SetEntityNoLongerNeeded", "SetVehicleNoLongerNeeded"}) {
        HandleVar var{car};
        Call(world, op, {P(&var.value)});
        EXPECT_EQ(var.value, car) << op;
    }
    EXPECT_TRUE(world.entities.at(car).released);
    EXPECT_EQ(world.stats.entitiesReleased, 1);
    EXPECT_TRUE(RetBool(Call(world, "EntityExists", {I(car)})));

    // Delete: the variable becomes 0, the entity is gone, its driver is on foot.
    HandleVar var{car};
    Call(world, "DeleteVehicle", {P(&var.value)});
    EXPECT_EQ(var.value, 0);
    EXPECT_FALSE(RetBool(Call(world, "EntityExists", {I(car)})));
    EXPECT_FALSE(RetBool(Call(world, "EntityExists", {I(0)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPedInAnyVehicle", {I(ped), B(true)})));
    EXPECT_EQ(world.stats.vehiclesDeleted, 1);

    HandleVar pedVar{ped};
    Call(world, "DeleteEntity", {P(&pedVar.value)});
    EXPECT_EQ(pedVar.value, 0);
    EXPECT_EQ(sim::FindEntity(world, ped), nullptr);
    EXPECT_EQ(world.stats.pedsDeleted, 1);

    // A stale handle is set to 0 as well; the player is never removed.
    HandleVar stale{ped};
    Call(world, "DeletePed", {P(&stale.value)});
    EXPECT_EQ(stale.value, 0);
    HandleVar player{world.playerPed};
    Call(world, "DeletePed", {P(&player.value)});
    EXPECT_NE(sim::FindEntity(world, world.playerPed), nullptr);
}

TEST(OpsEntities, PositionMotionAndHeightComeFromTheEntity) {
    sim::World world = MakeWorld();
    world.groundZ = 10.0f;
    const int32_t ped = AddPed(world, Vec{1, 2, 35});
    world.entities.at(ped).velocity = Vec{3, 4, 0};
    world.entities.at(ped).heading = 123.0f;
    const Vec p = RetVec(Call(world, "GetEntityPosition", {I(ped), B(true)}));
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(p.z, 35.0f);
    EXPECT_FLOAT_EQ(RetFloat(Call(world, "GetEntityHeightAboveGround", {I(ped)})), 25.0f);
    EXPECT_FLOAT_EQ(RetFloat(Call(world, "GetEntitySpeed", {I(ped)})), 5.0f);
    EXPECT_FLOAT_EQ(RetFloat(Call(world, "GetEntityHeading", {I(ped)})), 123.0f);
    EXPECT_EQ(static_cast<uint32_t>(Call(world, "GetEntityModel", {I(ped)}).result[0]),
              HashName("a_m_y_business_01"));
    Call(world, "SetEntityVelocity", {I(ped), F(0), F(-2), F(1)});
    EXPECT_FLOAT_EQ(RetVec(Call(world, "GetEntityVelocity", {I(ped)})).y, -2.0f);
    // A missing entity reads as nothing.
    EXPECT_FLOAT_EQ(RetVec(Call(world, "GetEntityPosition", {I(4242), B(true)})).z, 0.0f);
    EXPECT_FALSE(RetBool(Call(world, "IsEntityAPed", {I(4242)})));
    EXPECT_TRUE(RetBool(Call(world, "IsEntityAPed", {I(ped)})));
    EXPECT_FALSE(RetBool(Call(world, "IsEntityAVehicle", {I(ped)})));
}

TEST(OpsEntities, LineOfSightEndsAtDistanceAndBehindBuildings) {
    sim::World world = MakeWorld();
    world.sightBlockers.push_back(sim::SightBlocker{sim::RoadArea{40, -10, 60, 10}, 30.0f});
    const int32_t a = AddPed(world, Vec{0, 0, 0});
    struct Case {
        Vec other;
        bool clear;
    };
    const Case cases[] = {
        {{0, 200, 0}, true},    // in the open
        {{0, 301, 0}, false},   // too far
        {{100, 0, 0}, false},   // behind the building
        {{100, 0, 50}, false},  // one end is still below the roof
        {{100, 30, 0}, true},   // past its corner
    };
    for (const Case& c : cases) {
        const int32_t b = AddPed(world, c.other);
        EXPECT_EQ(RetBool(Call(world, "HasClearLineOfSight", {I(a), I(b), I(0)})), c.clear)
            << c.other.x << "," << c.other.y << "," << c.other.z;
    }
    EXPECT_FALSE(RetBool(Call(world, "HasClearLineOfSight", {I(a), I(0), I(0)})));
}

TEST(OpsEntities, ControlIsGrantedAfterItsDelayInRequests) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{});
    sim::Entity& e = world.entities.at(car);
    e.scriptControlled = false;
    e.controlDelayFrames = 3;
    std::vector<bool> granted;
    for (int i = 0; i < 4; ++i) {
        granted.push_back(RetBool(Call(world, "HasControlOfEntity", {I(car)})));
        Call(world, "RequestControlOfEntity", {I(car)});
    }
    EXPECT_EQ(granted, (std::vector<bool>{false, false, false, true}));
}

TEST(OpsPeds, StateQueriesReadThePed) {
    sim::World world = MakeWorld();
    const int32_t heli = AddCar(world, "buzzard", Vec{0, 0, 50});
    const int32_t cop = AddCar(world, "police", Vec{});
    const int32_t pilot = AddPed(world, Vec{});
    const int32_t officer = AddPed(world, Vec{}, 6);
    const int32_t walker = AddPed(world, Vec{});
    sim::SeatPed(world, pilot, heli, -1);
    sim::SeatPed(world, officer, cop, 0);

    struct Case {
        const char* op;
        int32_t ped;
        bool expected;
    };
    const Case cases[] = {
        {"IsPedInAnyHeli", pilot, true},
        {"IsPedInAnyPlane", pilot, false},
        {"IsPedInAnyPoliceVehicle", officer, true},
        {"IsPedInAnyPoliceVehicle", pilot, false},
        {"IsPedInAnyHeli", walker, false},
        {"IsPedHuman", walker, true},
    };
    for (const Case& c : cases) {
        std::vector<uint64_t> slots = {I(c.ped)};
        EXPECT_EQ(RetBool(Call(world, c.op, slots)), c.expected) << c.op << " " << c.ped;
    }
    EXPECT_EQ(RetInt(Call(world, "GetVehiclePedIsUsing", {I(officer)})), cop);
    EXPECT_EQ(RetInt(Call(world, "GetVehiclePedIsUsing", {I(walker)})), 0);
    EXPECT_EQ(RetInt(Call(world, "GetPedType", {I(officer)})), 6);
    EXPECT_TRUE(RetBool(Call(world, "IsPedOnSpecificVehicle", {I(pilot), I(heli)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPedOnSpecificVehicle", {I(pilot), I(cop)})));

    const int32_t deer = sim::CreatePed(world, HashName("a_c_deer"), 28, Vec{});
    EXPECT_FALSE(RetBool(Call(world, "IsPedHuman", {I(deer)})));

    // Maximum health is a plain per-ped marker.
    Call(world, "SetPedMaxHealth", {I(walker), I(1297)});
    EXPECT_EQ(RetInt(Call(world, "GetPedMaxHealth", {I(walker)})), 1297);

    // Combat: with a target, or with the integer 1 for "anyone".
    EXPECT_FALSE(RetBool(Call(world, "IsPedInCombat", {I(pilot), I(1)})));
    Call(world, "TaskCombatPed", {I(pilot), I(walker), I(0), I(16)});
    EXPECT_TRUE(RetBool(Call(world, "IsPedInCombat", {I(pilot), I(walker)})));
    EXPECT_TRUE(RetBool(Call(world, "IsPedInCombat", {I(pilot), I(1)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPedInCombat", {I(pilot), I(officer)})));
    EXPECT_FALSE(RetBool(Call(world, "IsPedInCombat", {I(walker), I(pilot)})));
    Call(world, "ClearPedTasks", {I(pilot)});
    EXPECT_FALSE(RetBool(Call(world, "IsPedInCombat", {I(pilot), I(1)})));
}

TEST(OpsPeds, ParachuteOnlyForAPedInTheAir) {
    sim::World world = MakeWorld();
    const int32_t high = AddPed(world, Vec{0, 0, 60});
    const int32_t low = AddPed(world, Vec{0, 0, 0});
    world.entities.at(high).falling = true;
    const uint32_t parachute = HashName("GADGET_PARACHUTE");
    for (int32_t ped : {high, low}) {
        Call(world, "GiveDelayedWeaponToPed",
             {I(ped), I(static_cast<int32_t>(parachute)), I(300), B(true)});
    }
    EXPECT_EQ(RetInt(Call(world, "GetPedParachuteState", {I(high)})), 0);
    EXPECT_EQ(RetInt(Call(world, "GetPedParachuteState", {I(low)})), -1);
    EXPECT_EQ(world.stats.parachutesGiven, 1);
    EXPECT_EQ(world.entities.at(low).weapons.size(), 1u) << "kept as a weapon all the same";
    Call(world, "TaskParachuteToTarget", {I(high), F(20), F(0), F(0)});
    EXPECT_EQ(RetInt(Call(world, "GetPedParachuteState", {I(high)})), 1);
    Call(world, "TaskParachuteToTarget", {I(low), F(20), F(0), F(0)});
    EXPECT_EQ(RetInt(Call(world, "GetPedParachuteState", {I(low)})), -1);
}

TEST(OpsPeds, RandomPedsAndDriversSuitTheirPlace) {
    sim::World world = MakeWorld();
    const struct {
        const char* model;
        std::vector<int> types;
    } cases[] = {
        {"police", {6}},    {"sheriff", {6}}, {"riot", {27}},
        {"barracks", {29}}, {"asea", {4, 5}}, {"lazer", {4, 5}},
    };
    for (const auto& c : cases) {
        const int32_t car = AddCar(world, c.model, Vec{});
        const int32_t driver = RetInt(Call(world, "CreateRandomPedAsDriver", {I(car), B(true)}));
        ASSERT_NE(driver, 0) << c.model;
        const int type = RetInt(Call(world, "GetPedType", {I(driver)}));
        EXPECT_NE(std::find(c.types.begin(), c.types.end(), type), c.types.end())
            << c.model << " " << type;
        EXPECT_EQ(RetInt(Call(world, "GetPedInVehicleSeat", {I(car), I(-1), B(false)})), driver);
        EXPECT_EQ(RetInt(Call(world, "CreateRandomPedAsDriver", {I(car), B(true)})), 0)
            << "the driver's seat is taken";
    }
    const int32_t walker = RetInt(Call(world, "CreateRandomPed", {F(3), F(4), F(0)}));
    const int type = RetInt(Call(world, "GetPedType", {I(walker)}));
    EXPECT_TRUE(type == 4 || type == 5);
    EXPECT_TRUE(world.entities.at(walker).missionEntity);

    // Crews of a given type and model, into a given free seat.
    const int32_t van = AddCar(world, "riot", Vec{});
    const uint32_t swat = HashName("s_m_y_swat_01");
    const int32_t crew =
        RetInt(Call(world, "CreatePedInsideVehicle",
                    {I(van), I(27), I(static_cast<int32_t>(swat)), I(2), B(true), B(true)}));
    ASSERT_NE(crew, 0);
    EXPECT_EQ(world.entities.at(crew).seat, 2);
    EXPECT_EQ(RetInt(Call(world, "CreatePedInsideVehicle",
                          {I(van), I(27), I(static_cast<int32_t>(swat)), I(2), B(true), B(true)})),
              0);
    EXPECT_EQ(RetInt(Call(world, "CreatePedInsideVehicle",
                          {I(van), I(27), I(static_cast<int32_t>(HashName("asea"))), I(3), B(true),
                           B(true)})),
              0)
        << "not a ped model";

    // No random ped once the pool is full.
    world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped);
    EXPECT_FALSE(RetBool(Call(world, "CanCreateRandomPed", {B(true)})));
    EXPECT_EQ(RetInt(Call(world, "CreateRandomPed", {F(0), F(0), F(0)})), 0);
    world.pedPoolLimit += 1;
    EXPECT_TRUE(RetBool(Call(world, "CanCreateRandomPed", {B(true)})));
}

TEST(OpsPeds, SafeCoordIsOnTheGroundOutsideUnwalkableAreas) {
    sim::World world = MakeWorld();
    world.groundZ = 2.0f;
    world.unwalkableAreas.push_back(sim::RoadArea{100, 100, 200, 200});
    char out[24];
    EXPECT_TRUE(
        RetBool(Call(world, "GetSafeCoordForPed", {F(10), F(20), F(50), B(true), P(out), I(0)})));
    const Vec safe = ReadVec3(out);
    EXPECT_NEAR(safe.x, 10.0f, 3.0f);
    EXPECT_NEAR(safe.y, 20.0f, 3.0f);
    EXPECT_FLOAT_EQ(safe.z, 2.0f);
    EXPECT_FALSE(
        RetBool(Call(world, "GetSafeCoordForPed", {F(150), F(150), F(2), B(true), P(out), I(0)})));
}

TEST(OpsTasks, TasksAreRecordedWithTheirValuesAndCounted) {
    sim::World world = MakeWorld();
    world.frame = 77;
    const int32_t heli = AddCar(world, "buzzard", Vec{0, 0, 40});
    const int32_t pilot = AddPed(world, Vec{});
    const int32_t car = AddCar(world, "asea", Vec{});

    Call(world, "TaskWarpPedIntoVehicle", {I(pilot), I(heli), I(-1)});
    EXPECT_EQ(world.entities.at(heli).occupants[0], pilot);
    Call(world, "TaskHeliMission",
         {I(pilot), I(heli), I(0), I(0), F(1), F(2), F(3), I(4), F(30), F(50), F(-1), I(100), I(40),
          F(-1), I(-1)});
    Call(world, "TaskHeliChase", {I(pilot), I(world.playerPed), F(0), F(0), F(0)});
    Call(world, "TaskPlaneChase", {I(pilot), I(world.playerPed), F(0), F(0), F(0)});
    Call(world, "TaskPlaneMission",
         {I(pilot), I(heli), I(0), I(0), F(1), F(2), F(3), I(4), F(30), F(50), F(-1), F(100), F(40),
          B(false)});
    Call(world, "TaskVehicleDriveWander", {I(pilot), I(car), F(120), I(5)});
    EXPECT_EQ(world.stats.aircraftTasks, 4);

    const std::vector<sim::TaskRecord>& tasks = world.entities.at(pilot).tasks;
    ASSERT_EQ(tasks.size(), 6u);
    EXPECT_EQ(tasks[0].name, "TaskWarpPedIntoVehicle");
    EXPECT_EQ(tasks[0].values, (std::vector<double>{static_cast<double>(heli), -1}));
    EXPECT_EQ(tasks[1].name, "TaskHeliMission");
    EXPECT_EQ(tasks[1].frame, 77);
    EXPECT_EQ(tasks[1].values.size(), 14u);
    EXPECT_DOUBLE_EQ(tasks[1].values[5], 3.0);   // z
    EXPECT_DOUBLE_EQ(tasks[1].values[10], 100);  // maximum height
    EXPECT_EQ(tasks[2].values,
              (std::vector<double>{static_cast<double>(world.playerPed), 0, 0, 0}));
    EXPECT_EQ(tasks[4].values.size(), 13u);
    EXPECT_EQ(tasks[5].name, "TaskVehicleDriveWander");
    EXPECT_EQ(world.entities.at(pilot).activeTask, 5);
    EXPECT_FLOAT_EQ(world.entities.at(car).cruiseSpeed, 22.0f) << "wander speed is capped in town";

    // A task for a missing ped is not recorded anywhere.
    Call(world, "TaskHeliChase", {I(31337), I(world.playerPed), F(0), F(0), F(0)});
    EXPECT_EQ(world.stats.aircraftTasks, 4);
}

TEST(OpsVehicles, SeatsAndPassengersCountTheLivingAndTheDead) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{});
    const int32_t driver = AddPed(world, Vec{});
    const int32_t a = AddPed(world, Vec{});
    const int32_t b = AddPed(world, Vec{});
    sim::SeatPed(world, driver, car, -1);
    sim::SeatPed(world, a, car, 0);
    sim::SeatPed(world, b, car, 2);
    world.entities.at(b).alive = false;

    struct Case {
        bool driver, dead;
        int expected;
    };
    for (const Case& c :
         {Case{false, true, 2}, Case{false, false, 1}, Case{true, true, 3}, Case{true, false, 2}}) {
        EXPECT_EQ(
            RetInt(Call(world, "GetVehicleNumberOfPassengers", {I(car), B(c.driver), B(c.dead)})),
            c.expected)
            << c.driver << c.dead;
    }
    struct Seat {
        int seat;
        bool free;
        int32_t ped;
    };
    for (const Seat& s : {Seat{-1, false, driver}, Seat{0, false, a}, Seat{1, true, 0},
                          Seat{2, false, b}, Seat{3, false, 0}, Seat{-3, false, 0}}) {
        EXPECT_EQ(RetBool(Call(world, "IsVehicleSeatFree", {I(car), I(s.seat), B(false)})), s.free)
            << s.seat;
        EXPECT_EQ(RetInt(Call(world, "GetPedInVehicleSeat", {I(car), I(s.seat), B(false)})), s.ped)
            << s.seat;
    }
}

TEST(OpsVehicles, CreationNeedsALoadedModelAndRoomInThePool) {
    sim::World world = MakeWorld();
    const int32_t lazer = static_cast<int32_t>(HashName("lazer"));
    auto create = [&]() {
        return RetInt(Call(world, "CreateVehicle",
                           {I(lazer), F(1), F(2), F(100), F(90), B(false), B(false), B(false)}));
    };
    EXPECT_EQ(create(), 0) << "not loaded";
    world.loadedModels.insert(HashName("lazer"));
    const int32_t plane = create();
    ASSERT_NE(plane, 0);
    const sim::Entity& e = world.entities.at(plane);
    EXPECT_FLOAT_EQ(e.position.z, 100.0f);
    EXPECT_FLOAT_EQ(e.heading, 90.0f);
    EXPECT_TRUE(e.missionEntity);
    EXPECT_EQ(world.stats.vehiclesCreatedByType["PLANE"], 1);
    world.vehiclePoolLimit = sim::CountEntities(world, sim::EntityKind::Vehicle);
    EXPECT_EQ(create(), 0) << "pool full";

    EXPECT_EQ(RetInt(Call(world, "CreateVehicle",
                          {I(static_cast<int32_t>(HashName("a_m_y_business_01"))), F(0), F(0), F(0),
                           F(0), B(false), B(false), B(false)})),
              0);
}

TEST(OpsVehicles, PlatesAndDisplayNamesAreTextTheWorldKeeps) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{});
    Call(world, "SetVehicleNumberPlateText", {I(car), P("K41482D2")});
    EXPECT_EQ(RetText(Call(world, "GetVehicleNumberPlateText", {I(car)})), "K41482D2");
    Call(world, "SetVehicleNumberPlateText", {I(car), P("TOOLONGPLATE")});
    EXPECT_EQ(RetText(Call(world, "GetVehicleNumberPlateText", {I(car)})), "TOOLONGP");
    EXPECT_EQ(world.stats.platesWritten, 2);
    EXPECT_EQ(RetText(Call(world, "GetVehicleNumberPlateText", {I(12345)})), "");

    struct Case {
        const char* model;
        const char* display;
    };
    for (const Case& c :
         {Case{"ninef", "9F"}, Case{"aleutian", "ALEUTIAN"}, Case{"nosuchcar", "CARNOTFOUND"}}) {
        EXPECT_EQ(RetText(Call(world, "GetDisplayNameFromVehicleModel",
                               {I(static_cast<int32_t>(HashName(c.model)))})),
                  c.display);
    }
}

TEST(OpsVehicles, WeaponsByModelAndRocketsFromArmedAircraft) {
    sim::World world = MakeWorld();
    const int32_t hydra = AddCar(world, "hydra", Vec{0, 0, 80});
    const int32_t cuban = AddCar(world, "cuban800", Vec{0, 50, 80});
    const int32_t pilot = AddPed(world, Vec{});
    const int32_t other = AddPed(world, Vec{});
    const int32_t target = AddPed(world, Vec{0, 100, 0});
    sim::SeatPed(world, pilot, hydra, -1);
    sim::SeatPed(world, other, cuban, -1);
    EXPECT_TRUE(RetBool(Call(world, "DoesVehicleHaveWeapons", {I(hydra)})));
    EXPECT_FALSE(RetBool(Call(world, "DoesVehicleHaveWeapons", {I(cuban)})));

    const int32_t rocket = static_cast<int32_t>(HashName("VEHICLE_WEAPON_PLANE_ROCKET"));
    EXPECT_FALSE(
        RetBool(Call(world, "SetVehicleShootAtTarget", {I(pilot), I(target), F(0), F(100), F(0)})))
        << "no weapon selected";
    EXPECT_TRUE(RetBool(Call(world, "SetCurrentPedVehicleWeapon", {I(pilot), I(rocket)})));
    EXPECT_FALSE(RetBool(Call(world, "SetCurrentPedVehicleWeapon", {I(other), I(rocket)})));
    EXPECT_TRUE(
        RetBool(Call(world, "SetVehicleShootAtTarget", {I(pilot), I(target), F(0), F(100), F(0)})));
    EXPECT_FALSE(
        RetBool(Call(world, "SetVehicleShootAtTarget", {I(other), I(target), F(0), F(100), F(0)})));
    EXPECT_EQ(world.stats.rocketsFired, 1);
    EXPECT_TRUE(world.entities.at(target).damagedByVehicle);
}

TEST(OpsVehicles, NearbyVehiclesNearestFirstUpToTheCapacity) {
    sim::World world = MakeWorld();
    world.vehiclePoolLimit = 200;
    const int32_t own = AddCar(world, "asea", Vec{0, 0, 0});
    sim::SeatPed(world, world.playerPed, own, -1);
    // 130 vehicles within reach, farther in creation order, and some out of reach.
    std::vector<int32_t> near;
    for (int i = 0; i < 130; ++i) {
        near.push_back(AddCar(world, "blista", Vec{0, 5.0f + 0.5f * static_cast<float>(i), 0}));
    }
    AddCar(world, "blista", Vec{500, 0, 0});

    struct Case {
        int capacity;
        int expected;
    };
    for (const Case& c : {Case{101, 101}, Case{3, 3}, Case{0, 0}, Case{200, 130}}) {
        std::vector<int32_t> buffer(2 * 210, -7);
        buffer[0] = c.capacity;
        const int count =
            RetInt(Call(world, "GetPedNearbyVehicles", {I(world.playerPed), P(buffer.data())}));
        ASSERT_EQ(count, c.expected) << c.capacity;
        for (int k = 1; k <= count; ++k) {
            EXPECT_EQ(buffer[2 * k], near[static_cast<size_t>(k - 1)]) << k;
        }
        EXPECT_EQ(buffer[2 * (count + 1)], -7) << "nothing written past the count";
        EXPECT_EQ(buffer[0], c.capacity);
    }
    // Nearest in the sphere, by model if asked.
    EXPECT_EQ(
        RetInt(Call(world, "GetRandomVehicleInSphere", {F(0), F(9.2f), F(0), F(7.5f), I(0), I(0)})),
        near[8]);
    EXPECT_EQ(
        RetInt(Call(world, "GetRandomVehicleInSphere",
                    {F(0), F(9.2f), F(0), F(10), I(static_cast<int32_t>(HashName("asea"))), I(0)})),
        own);
    EXPECT_EQ(RetInt(Call(world, "GetRandomVehicleInSphere",
                          {F(300), F(300), F(0), F(7.5f), I(0), I(0)})),
              0);
}

TEST(OpsModels, ModelKindsFollowTheCatalogue) {
    sim::World world = MakeWorld();
    struct Case {
        const char* name;
        bool valid, vehicle, plane, heli, car, bike, quad;
        int seats;
    };
    const Case cases[] = {
        {"lazer", true, true, true, false, false, false, false, 1},
        {"maverick", true, true, false, true, false, false, false, 4},
        {"adder", true, true, false, false, true, false, false, 2},
        {"apc", true, true, false, false, true, false, false, 4},
        {"bati", true, true, false, false, false, true, false, 2},
        {"bmx", true, true, false, false, false, false, false, 1},
        {"blazer5", true, true, false, false, false, false, true, 1},
        {"aleutian", true, true, false, false, false, false, false, 2},
        {"a_m_y_business_01", true, false, false, false, false, false, false, 0},
        {"WEAPON_PISTOL", false, false, false, false, false, false, false, 0},
    };
    for (const Case& c : cases) {
        const int32_t h = static_cast<int32_t>(HashName(c.name));
        EXPECT_EQ(RetBool(Call(world, "IsModelValid", {I(h)})), c.valid) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsModelAVehicle", {I(h)})), c.vehicle) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsThisModelAPlane", {I(h)})), c.plane) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsThisModelAHeli", {I(h)})), c.heli) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsThisModelACar", {I(h)})), c.car) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsThisModelABike", {I(h)})), c.bike) << c.name;
        EXPECT_EQ(RetBool(Call(world, "IsThisModelAQuadbike", {I(h)})), c.quad) << c.name;
        EXPECT_EQ(RetInt(Call(world, "GetVehicleModelNumberOfSeats", {I(h)})), c.seats) << c.name;
    }
    EXPECT_EQ(static_cast<uint32_t>(Call(world, "GetHashKey", {P("Adder")}).result[0]),
              0xB779A091u);
}

TEST(OpsModels, StreamingCompletesAfterTheDelayAndCountsPending) {
    sim::World world = MakeWorld();
    world.modelLoadDelayFrames = 3;
    world.streamingGiveUpFrames = 10;
    world.neverLoadingModels.insert(HashName("hydra"));
    const int32_t asea = static_cast<int32_t>(HashName("asea"));
    const int32_t hydra = static_cast<int32_t>(HashName("hydra"));
    Call(world, "RequestModel", {I(asea)});
    Call(world, "RequestModel", {I(asea)});  // once is enough
    Call(world, "RequestModel", {I(hydra)});
    Call(world, "RequestModel", {I(static_cast<int32_t>(HashName("nonsense")))});
    std::vector<int> pending;
    std::vector<bool> loaded;
    for (int frame = 0; frame < 12; ++frame) {
        pending.push_back(RetInt(Call(world, "GetNumberOfStreamingRequests", {})));
        loaded.push_back(RetBool(Call(world, "HasModelLoaded", {I(asea)})));
        sim::StepWorld(world);
    }
    EXPECT_EQ(pending, (std::vector<int>{2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(loaded, (std::vector<bool>{false, false, false, true, true, true, true, true, true,
                                         true, true, true}));
    EXPECT_FALSE(RetBool(Call(world, "HasModelLoaded", {I(hydra)})));

    // Released models unload, and a pending request is withdrawn.
    Call(world, "SetModelAsNoLongerNeeded", {I(asea)});
    EXPECT_FALSE(RetBool(Call(world, "HasModelLoaded", {I(asea)})));
    Call(world, "RequestModel", {I(asea)});
    EXPECT_EQ(RetInt(Call(world, "GetNumberOfStreamingRequests", {})), 1);
    Call(world, "SetModelAsNoLongerNeeded", {I(asea)});
    EXPECT_EQ(RetInt(Call(world, "GetNumberOfStreamingRequests", {})), 0);

    // Suppression is recorded for the ambient traffic.
    Call(world, "SetVehicleModelIsSuppressed", {I(asea), B(true)});
    EXPECT_TRUE(world.suppressedModels.count(HashName("asea")));
}

TEST(OpsWorld, RoadNodesByRankAndPointsOnTheRoad) {
    sim::World world = MakeWorld();
    world.roadNodes = {{Vec{0, 30, 0}, 0.0f, 2},
                       {Vec{0, 10, 0}, 90.0f, 1},
                       {Vec{0, 20, 0}, 180.0f, 3},
                       {Vec{0, -20, 0}, 270.0f, 2}};
    world.roadAreas.push_back(sim::RoadArea{100, 100, 120, 200});
    struct Case {
        int n;
        bool found;
        float y, heading;
        int lanes;
    };
    for (const Case& c :
         {Case{1, true, 10, 90, 1}, Case{2, true, 20, 180, 3}, Case{3, true, -20, 270, 2},
          Case{4, true, 30, 0, 2}, Case{5, false, 0, 0, 0}, Case{0, true, 10, 90, 1}}) {
        char position[24] = {};
        float heading = -1.0f;
        int32_t lanes = -1;
        const bool found = RetBool(Call(world, "GetNthClosestVehicleNodeWithHeading",
                                        {F(0), F(0), F(0), I(c.n), P(position), P(&heading),
                                         P(&lanes), I(9), F(3.0f), F(2.5f)}));
        EXPECT_EQ(found, c.found) << c.n;
        if (c.found) {
            EXPECT_FLOAT_EQ(ReadVec3(position).y, c.y) << c.n;
            EXPECT_FLOAT_EQ(heading, c.heading) << c.n;
            EXPECT_EQ(lanes, c.lanes) << c.n;
        } else {
            EXPECT_FLOAT_EQ(heading, -1.0f) << "nothing written";
        }
    }
    struct Point {
        Vec p;
        bool onRoad;
    };
    for (const Point& p :
         {Point{{0, 12, 0}, true}, Point{{3, 30, 0}, true}, Point{{6, 30, 0}, false},
          Point{{110, 150, 0}, true}, Point{{110, 150, 40}, false}, Point{{50, 50, 0}, false}}) {
        EXPECT_EQ(RetBool(Call(world, "IsPointOnRoad", {F(p.p.x), F(p.p.y), F(p.p.z), I(0)})),
                  p.onRoad)
            << p.p.x << "," << p.p.y << "," << p.p.z;
    }
    EXPECT_FLOAT_EQ(RetFloat(Call(world, "GetDistanceBetweenCoords",
                                  {F(0), F(0), F(0), F(3), F(4), F(12), B(true)})),
                    13.0f);
    EXPECT_FLOAT_EQ(RetFloat(Call(world, "GetDistanceBetweenCoords",
                                  {F(0), F(0), F(0), F(3), F(4), F(12), B(false)})),
                    5.0f);
}

TEST(OpsCamera, RayHitsTheNearestEntityAlongIt) {
    sim::World world = MakeWorld();
    world.camera.position = Vec{0, -10, 5};
    world.camera.rotation = Vec{-5, 0, 0};
    EXPECT_FLOAT_EQ(RetVec(Call(world, "GetGameplayCamPosition", {})).y, -10.0f);
    EXPECT_FLOAT_EQ(RetVec(Call(world, "GetGameplayCamRotation", {I(2)})).x, -5.0f);

    const int32_t far = AddCar(world, "asea", Vec{0.5f, 80, 4});
    const int32_t nearer = AddPed(world, Vec{-1.5f, 40, 4});
    AddPed(world, Vec{5, 20, 0});  // off the ray
    auto ray = [&](int32_t ignore, int32_t* entity, Vec* end) {
        const int32_t test =
            RetInt(Call(world, "StartShapeTestRay",
                        {F(0), F(-10), F(5), F(0), F(2990), F(5), I(-1), I(ignore), I(7)}));
        int32_t hit = -1;
        char endPos[24];
        char normal[24];
        const int32_t status = RetInt(
            Call(world, "GetShapeTestResult", {I(test), P(&hit), P(endPos), P(normal), P(entity)}));
        *end = ReadVec3(endPos);
        EXPECT_EQ(status, 2);
        return hit;
    };
    int32_t entity = -1;
    Vec end;
    EXPECT_EQ(ray(0, &entity, &end), 1);
    EXPECT_EQ(entity, nearer);
    EXPECT_NEAR(end.y, 40.0f, 0.01f);
    EXPECT_EQ(ray(nearer, &entity, &end), 1);
    EXPECT_EQ(entity, far);
    world.entities.at(far).position.x = 30.0f;
    EXPECT_EQ(ray(nearer, &entity, &end), 0);
    EXPECT_EQ(entity, 0);
    EXPECT_EQ(world.shapeTestHits.size(), 3u);
}

TEST(OpsText, DrawnTextsAndLinesBelongToTheirFrame) {
    sim::World world = MakeWorld();
    auto draw = [&](const char* text, bool styled = true) {
        if (styled) {
            Call(world, "SetTextScale", {F(0.55f), F(0.55f)});
            Call(world, "SetTextCentre", {B(true)});
        }
        Call(world, "BeginTextEntry", {P("STRING")});
        Call(world, "AddTextComponentString", {P(text)});
        Call(world, "DrawText", {F(0.5f), F(0.5f), I(0)});
    };
    sim::BeginFrame(world);
    draw("Enabling Korvane");
    Call(world, "DrawLine", {F(0), F(0), F(0), F(1), F(1), F(1), I(10), I(20), I(30), I(255)});
    ASSERT_EQ(world.textsThisFrame.size(), 1u);
    EXPECT_EQ(world.textsThisFrame[0].text, "Enabling Korvane");
    EXPECT_FLOAT_EQ(world.textsThisFrame[0].style.scaleX, 0.55f);
    EXPECT_TRUE(world.textsThisFrame[0].style.centre);
    ASSERT_EQ(world.linesThisFrame.size(), 1u);
    EXPECT_EQ(world.linesThisFrame[0].g, 20);

    // Still there after the frame's step; gone when a new frame begins.
    sim::StepWorld(world);
    EXPECT_EQ(world.textsThisFrame.size(), 1u);
    sim::BeginFrame(world);
    EXPECT_TRUE(world.textsThisFrame.empty());
    EXPECT_TRUE(world.linesThisFrame.empty());
    draw("Enabling Korvane");
    draw("Your INI file is poorly configured", false);
    EXPECT_EQ(world.textsThisFrame.size(), 2u);
    EXPECT_FALSE(world.textsThisFrame[1].style.centre) << "the style is for one text";
    EXPECT_EQ(world.stats.statusTexts["Enabling Korvane"], 2);
    EXPECT_EQ(world.stats.statusTexts["Your INI file is poorly configured"], 1);
    // Without BeginFrame, drawing in a later frame starts afresh.
    sim::StepWorld(world);
    draw("x");
    EXPECT_EQ(world.textsThisFrame.size(), 1u);
}

TEST(OpsRandom, TimerAFollowsFrameTimeAndDrawsUseTheGenerator) {
    sim::World world = MakeWorld();
    world.frameTimeMs = 1000.0f / 60.0f;
    Call(world, "SetTimerA", {I(0)});
    std::vector<int> timer;
    for (int i = 0; i < 7; ++i) {
        timer.push_back(RetInt(Call(world, "GetTimerA", {})));
        sim::StepWorld(world);
    }
    EXPECT_EQ(timer, (std::vector<int>{0, 16, 33, 50, 66, 83, 100}));
    Call(world, "SetTimerA", {I(500)});
    EXPECT_EQ(RetInt(Call(world, "GetTimerA", {})), 500);

    for (int i = 0; i < 200; ++i) {
        const int r = RetInt(Call(world, "GetRandomIntInRange", {I(0), I(3)}));
        ASSERT_TRUE(r >= 0 && r < 3);
    }
    EXPECT_EQ(RetInt(Call(world, "GetRandomIntInRange", {I(1), I(1)})), 1);
}

TEST(OpsWorld, PopulationSwitchesAreRecorded) {
    sim::World world = MakeWorld();
    Call(world, "SetCreateRandomCops", {B(true)});
    Call(world, "SetAllLowPriorityVehicleGeneratorsActive", {B(true)});
    Call(world, "SetVehiclePopulationBudget", {I(3)});
    Call(world, "SetPedDensityMultiplierThisFrame", {F(0.5f)});
    Call(world, "RemoveScenarioBlockingAreas", {});
    EXPECT_EQ(RetInt(Call(world, "ApplyPlayerAreaOption",
                          {I(world.playerPed), I(150), I(1), I(1), I(1)})),
              0);
    Call(world, "ApplyPassStartOption", {I(1)});
    EXPECT_TRUE(world.createRandomCops);
    EXPECT_TRUE(world.lowPriorityGeneratorsActive);
    EXPECT_EQ(world.population.vehicleBudget, 3);
    EXPECT_FLOAT_EQ(world.population.pedDensity, 0.5f);
    EXPECT_EQ(world.population.scenarioBlockingAreasRemoved, 1);
    EXPECT_EQ(world.population.passStartOption, 1);
}

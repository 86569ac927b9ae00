// The world as data: name hashing, the model catalogue, entities and their
// pools, seats, visibility, the seeded generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <stdexcept>
#include <vector>

#include "sim/core/det_math.h"
#include "support/world_ops.h"

using namespace simtest;
using sim::EntityKind;
using sim::HashName;
using sim::Vec;
using sim::VehicleType;

TEST(WorldHash, MatchesTheGamesPublishedHashes) {
    struct Case {
        const char* name;
        uint32_t hash;
    };
    const Case cases[] = {
        {"adder", 0xB779A091u},
        {"ADDER", 0xB779A091u},
        {"police", 0x79FBB0C5u},
        {"lazer", 0xB39B0AE6u},
        {"Buzzard", 0x2F03547Bu},
        {"player_zero", 0x0D7114C9u},
        {"GADGET_PARACHUTE", 0xFBAB5776u},
        {"WEAPON_PISTOL", 0x1B06D571u},
        {"WEAPON_PUMPSHOTGUN", 0x1D073A89u},
        {"", 0u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HashName(c.name), c.hash) << c.name;
    }
}

TEST(WorldCatalogue, KnowsTheModelsWithTheirFacts) {
    sim::World world = MakeWorld();
    EXPECT_EQ(world.vehicleModels.size(), 687u);
    EXPECT_EQ(world.knownModelHashes.size(), 921u);

    struct Case {
        const char* name;
        VehicleType type;
        int seats;
        bool weapons;
        bool police;
        const char* display;
    };
    const Case cases[] = {
        {"adder", VehicleType::Car, 2, false, false, "Adder"},
        {"lazer", VehicleType::Plane, 1, true, false, "P-996 LAZER"},
        {"buzzard", VehicleType::Heli, 4, true, false, "Buzzard Attack Chopper"},
        {"police", VehicleType::Car, 4, false, true, "Police Cruiser"},
        {"policeb", VehicleType::Bike, 1, false, true, "Police Bike"},
        {"ambulance", VehicleType::Car, 4, false, false, "Ambulance"},
        {"blazer", VehicleType::Quadbike, 1, false, false, "Blazer"},
        {"apc", VehicleType::AmphibiousAutomobile, 4, true, false, "APC"},
    };
    for (const Case& c : cases) {
        const sim::VehicleModel* model = sim::FindVehicleModel(world, HashName(c.name));
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_EQ(model->type, c.type) << c.name;
        EXPECT_EQ(model->seats, c.seats) << c.name;
        EXPECT_EQ(model->hasWeapons, c.weapons) << c.name;
        EXPECT_EQ(model->police, c.police) << c.name;
        EXPECT_EQ(model->displayName, c.display) << c.name;
    }
    // Known by name only: a vehicle model without facts.
    EXPECT_TRUE(world.knownModelHashes.count(HashName("aleutian")));
    EXPECT_EQ(sim::FindVehicleModel(world, HashName("aleutian")), nullptr);
    // Peds are models but not vehicles; weapons and groups are neither.
    EXPECT_TRUE(sim::IsPedModel(world, HashName("a_m_y_business_01")));
    EXPECT_FALSE(world.knownModelHashes.count(HashName("a_m_y_business_01")));
    for (const char* name : {"GADGET_PARACHUTE", "COUGAR", "notacar"}) {
        EXPECT_FALSE(sim::IsPedModel(world, HashName(name))) << name;
        EXPECT_FALSE(world.knownModelHashes.count(HashName(name))) << name;
    }
    EXPECT_EQ(sim::NameOfHash(world, HashName("COUGAR")), "COUGAR");
    EXPECT_STREQ(sim::VehicleTypeName(VehicleType::Heli), "HELI");
    EXPECT_STREQ(sim::VehicleTypeName(VehicleType::AmphibiousQuadbike), "AMPHIBIOUS_QUADBIKE");
}

TEST(WorldEntities, PoolsRefuseCreationWhenFullAndHandlesIncrease) {
    sim::World world = MakeWorld();
    world.pedPoolLimit = 3;  // the player and two more
    world.vehiclePoolLimit = 2;
    const int32_t a = AddPed(world, Vec{1, 0, 0});
    const int32_t b = AddPed(world, Vec{2, 0, 0});
    EXPECT_GT(a, world.playerPed);
    EXPECT_GT(b, a);
    EXPECT_EQ(AddPed(world, Vec{3, 0, 0}), 0);
    const int32_t car1 = AddCar(world, "asea", Vec{0, 10, 0});
    const int32_t car2 = AddCar(world, "lazer", Vec{0, 20, 0});
    EXPECT_GT(car1, b);
    EXPECT_GT(car2, car1);
    EXPECT_EQ(AddCar(world, "asea", Vec{0, 30, 0}), 0);
    EXPECT_EQ(sim::CountEntities(world, EntityKind::Vehicle), 2);

    // A freed place can be taken again, under a new handle.
    sim::RemoveEntity(world, a);
    EXPECT_EQ(sim::FindEntity(world, a), nullptr);
    const int32_t c = AddPed(world, Vec{4, 0, 0});
    EXPECT_GT(c, car2);
    EXPECT_EQ(sim::FindEntity(world, 0), nullptr);
    EXPECT_EQ(sim::FindEntity(world, 999999), nullptr);
}

// The entity table answers like the ordered map it replaced: lookups, visits
// in handle order, addresses that stay put while others come and go, and
// handles outside the directly indexed range.
TEST(WorldEntities, TableFindsByHandleVisitsInOrderAndKeepsAddresses) {
    sim::HandleTable<int> table;
    for (int32_t handle : {1000, 1003, 1001, 5, -7, 1 << 30, 0}) {
        table.Insert(handle, handle / 2);
    }
    int* kept = table.Find(1001);
    ASSERT_NE(kept, nullptr);
    for (int32_t handle = 2000; handle < 2600; ++handle) {
        table.Insert(handle, 1);  // grows the index and the order many times
    }
    EXPECT_EQ(table.erase(1000), 1u);
    EXPECT_EQ(table.erase(1000), 0u);
    EXPECT_EQ(table.Find(1001), kept) << "an entry keeps its address";
    EXPECT_EQ(*kept, 500);

    std::vector<int32_t> order;
    for (const auto& [handle, value] : table) {
        order.push_back(handle);
    }
    ASSERT_EQ(order.size(), table.size());
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(order.front(), -7);
    EXPECT_EQ(order.back(), 1 << 30);
    EXPECT_EQ(std::count(order.begin(), order.end(), 1000), 0);

    for (int32_t handle : {-7, 0, 5, 1003, 1 << 30}) {
        ASSERT_NE(table.Find(handle), nullptr) << handle;
        EXPECT_EQ(*table.Find(handle), handle / 2) << handle;
        EXPECT_EQ(table.count(handle), 1u) << handle;
        EXPECT_EQ(table.find(handle)->first, handle) << handle;
    }
    for (int32_t handle : {-8, 4, 1002, 1 << 29, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(table.Find(handle), nullptr) << handle;
        EXPECT_TRUE(table.find(handle) == table.end()) << handle;
        EXPECT_THROW(table.at(handle), std::out_of_range) << handle;
    }
    table[4] = 9;
    EXPECT_EQ(table.at(4), 9) << "operator[] inserts";

    sim::HandleTable<int> copy = table;
    table.at(4) = 10;
    EXPECT_EQ(copy.at(4), 9) << "a copy owns its entries";
    EXPECT_EQ(copy.size(), table.size());
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.Find(1001), nullptr);
}

TEST(WorldEntities, VehiclesGetSeatsPlatesAndPoliceFromTheirModel) {
    sim::World world = MakeWorld();
    const sim::Entity& bus = world.entities.at(AddCar(world, "pbus", Vec{}));
    const sim::Entity& cop = world.entities.at(AddCar(world, "police3", Vec{}));
    const sim::Entity& other = world.entities.at(AddCar(world, "aleutian", Vec{}));
    EXPECT_EQ(bus.occupants.size(), 11u);
    EXPECT_TRUE(bus.police);
    EXPECT_EQ(cop.occupants.size(), 4u);
    EXPECT_EQ(other.occupants.size(), 2u);
    EXPECT_FALSE(other.police);
    EXPECT_EQ(bus.plate.size(), 8u);
    EXPECT_NE(bus.plate, cop.plate);
}

TEST(WorldEntities, SeatingAndRemovalKeepSeatsAndOccupantsInStep) {
    sim::World world = MakeWorld();
    const int32_t car = AddCar(world, "asea", Vec{5, 5, 0});
    const int32_t other = AddCar(world, "asea", Vec{50, 5, 0});
    const int32_t driver = AddPed(world, Vec{});
    const int32_t rider = AddPed(world, Vec{});

    EXPECT_TRUE(sim::SeatPed(world, driver, car, -1));
    EXPECT_FALSE(sim::SeatPed(world, rider, car, -1)) << "driver's seat taken";
    EXPECT_FALSE(sim::SeatPed(world, rider, car, 3)) << "a four-seater has passenger seats 0 to 2";
    EXPECT_TRUE(sim::SeatPed(world, rider, car, -2)) << "any passenger seat";
    EXPECT_EQ(world.entities.at(rider).seat, 0);
    EXPECT_EQ(world.entities.at(car).occupants[1], rider);

    // Moving to another vehicle frees the old seat.
    EXPECT_TRUE(sim::SeatPed(world, rider, other, 1));
    EXPECT_EQ(world.entities.at(car).occupants[1], 0);

    // A removed ped leaves its seat; a removed vehicle leaves its crew on foot where it was.
    sim::RemoveEntity(world, rider);
    EXPECT_EQ(world.entities.at(other).occupants[2], 0);
    world.entities.at(car).velocity = Vec{0, 7, 0};
    sim::RemoveEntity(world, car);
    const sim::Entity& left = world.entities.at(driver);
    EXPECT_EQ(left.vehicle, 0);
    EXPECT_FLOAT_EQ(left.position.x, 5.0f);
    EXPECT_FLOAT_EQ(left.velocity.y, 7.0f);
}

TEST(WorldVisibility, CameraSeesWithinDistanceAndHalfAngle) {
    sim::World world = MakeWorld();
    world.camera.position = Vec{0, 0, 0};
    world.camera.rotation = Vec{0, 0, 0};  // looking north
    world.camera.viewDistance = 150.0f;
    world.camera.halfAngleDegrees = 50.0f;
    struct Case {
        Vec point;
        bool visible;
    };
    const Case cases[] = {
        {{0, 100, 0}, true},    // ahead
        {{0, 160, 0}, false},   // too far
        {{0, -30, 0}, false},   // behind
        {{100, 10, 0}, false},  // far to the side
        {{60, 60, 0}, true},    // 45 degrees
        {{90, 60, 0}, false},   // 56 degrees
        {{0, 0, 0}, true},      // at the camera
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sim::IsPointVisible(world, c.point, 0.0f), c.visible)
            << c.point.x << "," << c.point.y;
    }
    // A sphere is seen when any of it is in view.
    EXPECT_TRUE(sim::IsPointVisible(world, Vec{0, 155, 0}, 10.0f));
    // Turning the camera west brings the side into view.
    world.camera.rotation.z = 90.0f;
    EXPECT_TRUE(sim::IsPointVisible(world, Vec{-100, 10, 0}, 0.0f));
    EXPECT_FALSE(sim::IsPointVisible(world, Vec{0, 100, 0}, 0.0f));

    sim::Entity& car = world.entities.at(AddCar(world, "asea", Vec{-50, 0, 0}));
    EXPECT_TRUE(sim::IsEntityVisible(world, car));
    car.onScreenOverride = 0;
    EXPECT_FALSE(sim::IsEntityVisible(world, car));
    car.position = Vec{500, 500, 0};
    car.onScreenOverride = 1;
    EXPECT_TRUE(sim::IsEntityVisible(world, car));
}

// Visibility settles most points with the platform's cosine and computes the
// exact one only near the cone's edge; the answer must always be the exact
// formula's, also for points placed right on the edge.
TEST(WorldVisibility, AnswersExactlyAsTheFormulaIncludingAtTheEdge) {
    sim::World world = MakeWorld();
    const auto exact = [&](Vec point, float radius) {
        const sim::Camera& cam = world.camera;
        const double dx = point.x - cam.position.x;
        const double dy = point.y - cam.position.y;
        const double dz = point.z - cam.position.z;
        const double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (dist - radius > cam.viewDistance) {
            return false;
        }
        if (dist <= radius) {
            return true;
        }
        const Vec forward = sim::HeadingDirection(cam.rotation.z);
        const double flat = std::sqrt(dx * dx + dy * dy);
        if (flat <= radius) {
            return true;
        }
        const double dot =
            static_cast<double>(forward.x) * dx + static_cast<double>(forward.y) * dy;
        const double half =
            std::min(180.0, cam.halfAngleDegrees + 57.29577951308232 * (radius / flat));
        return dot >= flat * sim::CosDegrees(half);
    };
    sim::SeedWorld(world, 11);
    int checked = 0;
    for (float halfAngle : {50.0f, 10.0f, 89.0f, 120.0f, -100.0f}) {
        for (float yaw : {0.0f, 90.0f, 33.3f, -147.0f, 271.5f}) {
            world.camera.position = Vec{3, -4, 1};
            world.camera.rotation = Vec{0, 0, yaw};
            world.camera.halfAngleDegrees = halfAngle;
            for (int i = 0; i < 400; ++i) {
                const float radius = static_cast<float>(sim::RandomInRange(world, 0, 4));
                Vec point{static_cast<float>(sim::RandomInRange(world, -160, 160)),
                          static_cast<float>(sim::RandomInRange(world, -160, 160)),
                          static_cast<float>(sim::RandomInRange(world, -5, 5))};
                if (i % 2 == 1) {
                    // On the edge of the cone: the forward direction turned by the half-angle.
                    const double turn = yaw + (i % 4 == 1 ? halfAngle : -halfAngle);
                    const Vec dir = sim::HeadingDirection(static_cast<float>(turn));
                    const float along = static_cast<float>(10 + i % 130);
                    point = Vec{3 + dir.x * along, -4 + dir.y * along, 1};
                }
                ASSERT_EQ(sim::IsPointVisible(world, point, radius), exact(point, radius))
                    << "half " << halfAngle << " yaw " << yaw << " point " << point.x << ","
                    << point.y << "," << point.z << " radius " << radius;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 10000);
}

TEST(WorldRandom, DrawsStayInRangeAndFollowTheSeed) {
    sim::World world = MakeWorld();
    sim::SeedWorld(world, 7);
    std::set<int32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int32_t r = sim::RandomInRange(world, 3, 9);
        ASSERT_GE(r, 3);
        ASSERT_LT(r, 9);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 6u) << "every value of a small range comes up";
    EXPECT_EQ(sim::RandomInRange(world, 5, 5), 5);
    EXPECT_EQ(sim::RandomInRange(world, 5, -3), 5);
    for (int i = 0; i < 100; ++i) {
        const int32_t r = sim::RandomInRange(world, INT_MIN, INT_MAX);
        ASSERT_LT(r, INT_MAX);
    }
    bool negative = false;
    bool positive = false;
    for (int i = 0; i < 100; ++i) {
        const int32_t r = sim::RandomInRange(world, -1000000000, 1000000000);
        negative = negative || r < 0;
        positive = positive || r > 0;
    }
    EXPECT_TRUE(negative && positive);

    // The same seed gives the same draws; the world's own draws do not disturb them.
    sim::World a = MakeWorld();
    sim::World b = MakeWorld();
    sim::SeedWorld(a, 99);
    sim::SeedWorld(b, 99);
    sim::WorldRandomInRange(b, 0, 100);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(sim::RandomInRange(a, 0, 1000), sim::RandomInRange(b, 0, 1000));
    }
    sim::SeedWorld(b, 100);
    int same = 0;
    for (int i = 0; i < 50; ++i) {
        same += sim::RandomInRange(a, 0, 1000) == sim::RandomInRange(b, 0, 1000);
    }
    EXPECT_LT(same, 10);
}

TEST(WorldMath, DegreesTrigMatchesTheLibraryAndStreetsAreExact) {
    const double kPi = 3.14159265358979323846;
    for (double d = -720.0; d <= 720.0; d += 7.3) {
        EXPECT_NEAR(sim::SinDegrees(d), std::sin(d * kPi / 180.0), 1e-12) << d;
        EXPECT_NEAR(sim::CosDegrees(d), std::cos(d * kPi / 180.0), 1e-12) << d;
    }
    struct Case {
        float heading;
        float x, y;
    };
    const Case cases[] = {{0, 0, 1},   {90, -1, 0}, {180, 0, -1},
                          {270, 1, 0}, {-90, 1, 0}, {360, 0, 1}};
    for (const Case& c : cases) {
        const Vec d = sim::HeadingDirection(c.heading);
        EXPECT_EQ(d.x, c.x) << c.heading;
        EXPECT_EQ(d.y, c.y) << c.heading;
    }
}

TEST(WorldKeys, KeyEventsApplyOnTheirFrameOnly) {
    sim::World world = MakeWorld();
    world.keyEvents = {{2, 99, true}, {4, 99, false}, {4, 1, true}};
    sim::ApplyKeyEvents(world, 1);
    EXPECT_TRUE(world.keysDown.empty());
    sim::ApplyKeyEvents(world, 2);
    sim::ApplyKeyEvents(world, 2);
    EXPECT_EQ(world.keysDown, (std::set<int>{99}));
    sim::ApplyKeyEvents(world, 4);
    EXPECT_EQ(world.keysDown, (std::set<int>{1}));
}

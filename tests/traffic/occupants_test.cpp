// Occupants: filling the seats of old traffic, making sure a new vehicle has
// a driver, crews for new vehicles by the driver's type, and arming police.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/plugin_state.h"
#include "tracking/law_crews.h"
#include "traffic/nearby_scan.h"
#include "traffic/occupants.h"
#include "traffic/plates.h"
#include "traffic/replacement.h"
#include "traffic/road_nodes.h"
#include "traffic/spawn_draws.h"
#include "traffic/traffic_fixture.h"
#include "traffic/vehicle_checks.h"

namespace {

class OccupantsTest : public TrafficFixture {
protected:
    // The weapons a ped carries, by name.
    bool Carries(int32_t ped, const char* weapon, bool equipped) {
        for (const sim::WeaponRecord& w : E(ped).weapons) {
            if (w.hash == Hash(weapon)) {
                return w.ammo == 300 && w.equipped == equipped;
            }
        }
        return false;
    }
    bool CarriesAnything(int32_t ped) { return !E(ped).weapons.empty(); }
    int32_t AddDriver(int32_t vehicle, int pedType, const char* model) {
        const int32_t ped = sim::CreatePed(world, Hash(model), pedType, E(vehicle).position);
        sim::SeatPed(world, ped, vehicle, -1);
        return ped;
    }
};

struct FillOldCase {
    const char* name;
    const char* model;
    float speed;
    int aboard;
    const char* plate;
    float distance;
    bool hotkeyHeld;
    int newPassengers;
    const char* plateAfter;
    int seatDraws;
};
KORVANE_CASE_PRINTS_ITS_NAME(FillOldCase)

class FillOldSeatsTest : public OccupantsTest, public ::testing::WithParamInterface<FillOldCase> {};

TEST_P(FillOldSeatsTest, FillsFreeSeatsOfMovingTrafficOnce) {
    const FillOldCase& c = GetParam();
    const int32_t vehicle = AddTraffic(c.model, c.distance, c.speed);
    AddPassengers(vehicle, c.aboard);
    E(vehicle).plate = c.plate;
    TakeAsCandidate(vehicle);
    if (c.hotkeyHeld) {
        HoldHotkey();
    }
    const std::vector<int32_t> before = Passengers(vehicle);
    Run([vehicle] { FillOldVehicleSeats(vehicle); });

    const std::vector<int32_t> after = Passengers(vehicle);
    EXPECT_EQ(after.size() - before.size(), static_cast<size_t>(c.newPassengers));
    EXPECT_EQ(Plugin.TrackedPeds.size(), static_cast<size_t>(c.newPassengers));
    for (EntityHandle ped : Plugin.TrackedPeds) {
        EXPECT_EQ(E(ped).vehicle, vehicle);
    }
    EXPECT_EQ(E(vehicle).plate, c.plateAfter);
    EXPECT_EQ(Draws(1, 2).size(), static_cast<size_t>(c.seatDraws));
    EXPECT_EQ(Waits(), std::vector<int>(c.hotkeyHeld ? 0 : c.newPassengers, 50));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillOldSeatsTest,
    ::testing::Values(
        FillOldCase{"TwoSeatCarAt10", "ninef", 10.0f, 0, "12ABC345", 60.0f, false, 1, "64GA1714",
                    0},
        FillOldCase{"FourSeatsThreeAboard", "blista", 10.0f, 3, "12ABC345", 60.0f, false, 0,
                    "64GA1714", 0},
        FillOldCase{"ExactlySevenMetresASecond", "blista", 7.0f, 0, "12ABC345", 60.0f, false, 0,
                    "12ABC345", 0},
        FillOldCase{"StandingStill", "blista", 0.0f, 0, "12ABC345", 60.0f, false, 0, "12ABC345", 0},
        FillOldCase{"FourSeatsEmpty", "blista", 10.0f, 0, "12ABC345", 60.0f, false, 3, "64GA1714",
                    0},
        FillOldCase{"NearThePlayerADrawDecides", "blista", 10.0f, 0, "12ABC345", 40.0f, false, 3,
                    "64GA1714", 3},
        FillOldCase{"HotkeyHeldNoPauses", "blista", 10.0f, 1, "12ABC345", 60.0f, true, 2,
                    "64GA1714", 0},
        FillOldCase{"OneSeatBikeIsStillMarked", "policeb", 10.0f, 0, "12ABC345", 60.0f, false, 0,
                    "64GA1714", 0},
        FillOldCase{"AlreadyFilled", "blista", 10.0f, 0, "64GA1714", 60.0f, false, 0, "64GA1714",
                    0},
        FillOldCase{"Transformed", "blista", 10.0f, 0, "K41482D2", 60.0f, false, 0, "K41482D2", 0}),
    CaseName());

TEST_F(OccupantsTest, FilledPassengerNotInTheVehicleIsDeleted) {
    const int32_t vehicle = AddTraffic("ninef", 60.0f);
    TakeAsCandidate(vehicle);
    // No ped can be made: the warp has nobody to seat.
    world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped);
    Run([vehicle] { FillOldVehicleSeats(vehicle); });
    EXPECT_TRUE(Passengers(vehicle).empty());
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_EQ(Count("DeletePed"), 1);
    EXPECT_EQ(E(vehicle).plate, "64GA1714");
}

struct EnsureDriverCase {
    const char* name;
    bool driverSeated;  // the driver passed in sits at the wheel
    bool staleHandle;   // the handle passed in names no live ped
    bool someoneElseDrives;
    bool poolFull;
    bool hotkeyHeld;
    bool created;
    bool kept;
    std::vector<int> waits;
};
KORVANE_CASE_PRINTS_ITS_NAME(EnsureDriverCase)

class EnsureDriverTest : public OccupantsTest,
                         public ::testing::WithParamInterface<EnsureDriverCase> {};

TEST_P(EnsureDriverTest, GivesADriverlessVehicleADriver) {
    const EnsureDriverCase& c = GetParam();
    const int32_t vehicle = AddVehicle("issi2", sim::Vec{0, -80, 0});
    int32_t driver = 0;
    if (c.driverSeated) {
        driver = AddDriver(vehicle, 4, "a_m_y_business_01");
    } else if (c.someoneElseDrives) {
        AddDriver(vehicle, 4, "a_m_y_business_01");
    }
    if (c.staleHandle) {
        driver = AddPed(sim::Vec{0, -80, 0});
        sim::RemoveEntity(world, driver);
    }
    if (c.poolFull) {
        world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped);
    }
    if (c.hotkeyHeld) {
        HoldHotkey();
    }
    const int32_t passedIn = driver;
    int32_t result = -1;
    Run([&] { result = EnsureDriver(vehicle, passedIn); });

    EXPECT_EQ(Count("CreateRandomPedAsDriver"), c.created ? 1 : 0);
    if (!c.created) {
        EXPECT_EQ(result, passedIn);
    } else if (c.kept) {
        EXPECT_NE(result, 0);
        EXPECT_EQ(E(vehicle).occupants.at(0), result);
        EXPECT_EQ(Plugin.TrackedPeds, (std::vector<EntityHandle>{result}));
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Plugin.TrackedPeds.empty());
        EXPECT_EQ(Count("DeletePed"), 1);
    }
    const bool staleReleased = Count("SetEntityNoLongerNeeded") == 1 && Count("DeleteEntity") == 1;
    EXPECT_EQ(staleReleased, c.staleHandle);
    EXPECT_EQ(Waits(), c.waits);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnsureDriverTest,
    ::testing::Values(
        EnsureDriverCase{"DriverInPlace", true, false, false, false, false, false, false, {}},
        EnsureDriverCase{"NoDriver", false, false, false, false, false, true, true, {10}},
        EnsureDriverCase{"StaleDriverHandle", false, true, false, false, false, true, true, {10}},
        EnsureDriverCase{
            "SomeoneElseAtTheWheel", false, false, true, false, false, false, false, {}},
        EnsureDriverCase{"NoPedCanBeMade", false, false, false, true, false, true, false, {10}},
        EnsureDriverCase{"HotkeyHeldNoPause", false, false, false, false, true, true, true, {}}),
    CaseName());

struct CrewCase {
    const char* name;
    int driverType;
    bool crewOfDriversKind;
    bool armed;
};
KORVANE_CASE_PRINTS_ITS_NAME(CrewCase)

class CrewTest : public OccupantsTest, public ::testing::WithParamInterface<CrewCase> {};

TEST_P(CrewTest, CrewMatchesTheDriverAndPoliceAreArmed) {
    const CrewCase& c = GetParam();
    const int32_t vehicle = AddVehicle("police", sim::Vec{0, -80, 0});
    const int32_t driver = AddDriver(vehicle, c.driverType, "s_m_y_cop_01");
    TakeAsCandidate(vehicle);
    Run([vehicle, driver] { FillNewVehicleSeats(vehicle, driver); });

    const std::vector<int32_t> crew = Passengers(vehicle);
    ASSERT_EQ(crew.size(), 3u);
    EXPECT_EQ(Plugin.TrackedPeds, crew);
    EXPECT_EQ(Count("CreatePedInsideVehicle"), c.crewOfDriversKind ? 3 : 0);
    EXPECT_EQ(Count("CreateRandomPed"), c.crewOfDriversKind ? 0 : 3);
    const std::vector<int> shotgunDraws = Draws(0, 10);
    EXPECT_EQ(shotgunDraws.size(), c.armed ? 3u : 0u);
    for (size_t k = 0; k < crew.size(); ++k) {
        const int32_t ped = crew[k];
        if (c.crewOfDriversKind) {
            EXPECT_EQ(E(ped).pedType, c.driverType);
            EXPECT_EQ(E(ped).model, Hash("s_m_y_cop_01"));
        }
        EXPECT_GT(E(ped).componentVariations, 0);
        EXPECT_GT(E(ped).propsRandomised, 0);
        if (c.armed) {
            EXPECT_TRUE(Carries(ped, "WEAPON_NIGHTSTICK", false));
            EXPECT_TRUE(Carries(ped, "WEAPON_PISTOL", false));
            EXPECT_EQ(Carries(ped, "WEAPON_PUMPSHOTGUN", true), shotgunDraws[k] == 0);
        } else {
            EXPECT_FALSE(CarriesAnything(ped));
        }
    }
    EXPECT_EQ(Waits(), std::vector<int>(3, 50));
}

INSTANTIATE_TEST_SUITE_P(
    Types, CrewTest,
    ::testing::Values(CrewCase{"Civilian4", 4, false, false},
                      CrewCase{"Civilian5", 5, false, false}, CrewCase{"Police6", 6, true, true},
                      CrewCase{"Type17", 17, true, false}, CrewCase{"Type20", 20, true, false},
                      CrewCase{"Swat27", 27, true, true}, CrewCase{"Army29", 29, true, true},
                      CrewCase{"Type28", 28, false, false},
                      CrewCase{"AboveTheSets30", 30, false, false},
                      CrewCase{"Negative", -1, false, false}),
    CaseName());

TEST_F(OccupantsTest, PoliceCrewGetsTheShotgunOneTimeInTen) {
    int withShotgun = 0;
    int without = 0;
    for (int round = 0; round < 8; ++round) {
        const int32_t bus = AddVehicle("pbus", sim::Vec{0, -80.0f - 20 * round, 0});
        const int32_t driver = AddDriver(bus, 6, "s_m_y_cop_01");
        TakeAsCandidate(bus);
        sim::ClearMemoryTrace();
        HoldHotkey();  // no pauses
        Run([bus, driver] { FillNewVehicleSeats(bus, driver); });
        const std::vector<int32_t> crew = Passengers(bus);
        const std::vector<int> draws = Draws(0, 10);
        ASSERT_EQ(crew.size(), 10u);
        ASSERT_EQ(draws.size(), 10u);
        for (size_t k = 0; k < crew.size(); ++k) {
            const bool shotgun = Carries(crew[k], "WEAPON_PUMPSHOTGUN", true);
            EXPECT_EQ(shotgun, draws[k] == 0);
            (shotgun ? withShotgun : without) += 1;
        }
    }
    EXPECT_GT(withShotgun, 0);
    EXPECT_GT(without, withShotgun);
}

struct VisibleCrewCase {
    const char* name;
    int onScreen;
    float distance;
    size_t crew;
};
KORVANE_CASE_PRINTS_ITS_NAME(VisibleCrewCase)

class VisibleCrewTest : public OccupantsTest,
                        public ::testing::WithParamInterface<VisibleCrewCase> {};

TEST_P(VisibleCrewTest, NoCrewAppearsInAVehicleSeenClose) {
    const VisibleCrewCase& c = GetParam();
    const int32_t vehicle = AddVehicle("blista", sim::Vec{0, -80, 0});
    const int32_t driver = AddDriver(vehicle, 4, "a_m_y_business_01");
    E(vehicle).onScreenOverride = c.onScreen;
    Plugin.CandidateState.CandidateDistance = c.distance;
    Run([vehicle, driver] { FillNewVehicleSeats(vehicle, driver); });
    EXPECT_EQ(Passengers(vehicle).size(), c.crew);
}

INSTANTIATE_TEST_SUITE_P(Cases, VisibleCrewTest,
                         ::testing::Values(VisibleCrewCase{"OnScreenAt20m", 1, 20.0f, 0},
                                           VisibleCrewCase{"OnScreenAt5m", 1, 5.0f, 0},
                                           VisibleCrewCase{"OnScreenBeyond20m", 1, 20.5f, 3},
                                           VisibleCrewCase{"OffScreenClose", 0, 5.0f, 3}),
                         CaseName());

TEST_F(OccupantsTest, NoCrewWhenTheHostRefusesRandomPeds) {
    const int32_t vehicle = AddVehicle("blista", sim::Vec{0, -80, 0});
    const int32_t driver = AddDriver(vehicle, 6, "s_m_y_cop_01");
    world.pedPoolLimit = sim::CountEntities(world, sim::EntityKind::Ped);
    Run([vehicle, driver] { FillNewVehicleSeats(vehicle, driver); });
    EXPECT_TRUE(Passengers(vehicle).empty());
    EXPECT_EQ(Count("CanCreateRandomPed"), 3);
    EXPECT_EQ(Count("GetPedType"), 0);
}

TEST_F(OccupantsTest, FullVehicleGetsNoCrew) {
    const int32_t vehicle = AddVehicle("blista", sim::Vec{0, -80, 0});
    const int32_t driver = AddDriver(vehicle, 6, "s_m_y_cop_01");
    AddPassengers(vehicle, 3);
    Run([vehicle, driver] { FillNewVehicleSeats(vehicle, driver); });
    EXPECT_EQ(Count("IsVehicleSeatFree"), 0);
    EXPECT_EQ(Passengers(vehicle).size(), 3u);
}

TEST_F(OccupantsTest, CrewMemberThatNeverAppearsIsWaitedFor150Frames) {
    Plugin.Settings.DebugMessages = 1;
    const int32_t vehicle = AddVehicle("ninef", sim::Vec{0, -80, 0});
    const int32_t driver = AddDriver(vehicle, 17, "s_m_y_cop_01");
    // The driver's model is no ped model: the host makes nobody.
    E(driver).model = Hash("ninef");
    Run([vehicle, driver] { FillNewVehicleSeats(vehicle, driver); });
    std::vector<int> expected(150, 0);
    expected.push_back(50);
    EXPECT_EQ(Waits(), expected);
    EXPECT_EQ(Count("DrawLine"), 150);
    EXPECT_EQ(Count("DeletePed"), 1);
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
}

TEST_F(OccupantsTest, PoliceDriverOfAReplacementCarriesAllThreeWeapons) {
    UseOnlyModel("police");
    HoldHotkey();
    const int32_t old = AddTraffic("blista", 80.0f);
    Plugin.TrackedVehicles = {old};
    TakeAsCandidate(old);
    Run([old] { ReplaceVehicle(old, 0, Hash("blista")); });
    const int32_t car = Plugin.TrackedVehicles.at(0);
    ASSERT_TRUE(Exists(car));
    const int32_t driver = E(car).occupants.at(0);
    ASSERT_TRUE(IsPoliceType(E(driver).pedType));
    EXPECT_TRUE(Carries(driver, "WEAPON_NIGHTSTICK", false));
    EXPECT_TRUE(Carries(driver, "WEAPON_PISTOL", false));
    EXPECT_TRUE(Carries(driver, "WEAPON_PUMPSHOTGUN", true));
    // Only the three crew members draw for the shotgun.
    EXPECT_EQ(Draws(0, 10).size(), Passengers(car).size());
    EXPECT_EQ(Passengers(car).size(), 3u);
}

TEST_F(OccupantsTest, ArmLawCrewGivesWeaponsInOrder) {
    const int32_t ped = AddPed(sim::Vec{0, -10, 0}, 6);
    Run([ped] { ArmLawCrew(ped, true); });
    const std::vector<sim::TraceEntry> given = CallsTo("GiveDelayedWeaponToPed");
    ASSERT_EQ(given.size(), 3u);
    EXPECT_EQ(given[0].args, (nlohmann::json{ped, Hash("WEAPON_NIGHTSTICK"), 300, 0}));
    EXPECT_EQ(given[1].args, (nlohmann::json{ped, Hash("WEAPON_PISTOL"), 300, 0}));
    EXPECT_EQ(given[2].args, (nlohmann::json{ped, Hash("WEAPON_PUMPSHOTGUN"), 300, 1}));
    EXPECT_EQ(Count("GetRandomIntInRange"), 0);
}

TEST(PedTypeSets, CrewAndPoliceMasks) {
    for (int t = -2; t <= 33; ++t) {
        const bool crew = t == 6 || t == 17 || t == 20 || t == 27 || t == 29;
        const bool police = t == 6 || t == 27 || t == 29;
        EXPECT_EQ(IsCrewPedType(t), crew) << t;
        EXPECT_EQ(IsPoliceType(t), police) << t;
    }
}

}  // namespace

// Chaos mode, fault by fault: each kind switched on alone at full rate, with
// the operations called through the host's dispatcher as the plug-in calls
// them, and the world stepped as the frame loop steps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "sim/chaos/chaos.h"
#include "sim/runtime/host_runtime.h"
#include "support/world_ops.h"
#include "support/process.h"
#include "support/temp_dir.h"

using namespace simtest;
using sim::ChaosKind;
using sim::HashName;

namespace {

class ChaosTest : public ::testing::Test {
protected:
    void SetUp() override {
        world = MakeWorld();
        sim::AttachWorld(&world);
        sim::KeepTraceInMemory(true);
    }
    void TearDown() override { sim::AttachWorld(nullptr); }

    // Only `kind`, at `rate`.
    void Chaos(ChaosKind kind, double rate = 1.0) {
        world.chaos.rate = rate;
        world.chaos.kinds = 1u << static_cast<unsigned>(kind);
        sim::InstallChaos(world);
    }
    int64_t Count(ChaosKind kind) const { return world.chaos.counts[static_cast<int>(kind)]; }

    // Calls the operation the way the plug-in does: nativeInit, a push per
    // slot, nativeCall.
    const uint64_t* Native(const std::string& op, const std::vector<uint64_t>& slots) {
        for (const sim::OpSpec& spec : sim::OpTable()) {
            if (op == spec.name) {
                nativeInit(spec.hash);
                for (uint64_t slot : slots) {
                    nativePush64(slot);
                }
                return nativeCall();
            }
        }
        ADD_FAILURE() << "no operation " << op;
        static const uint64_t none[3] = {};
        return none;
    }
    int32_t NativeInt(const std::string& op, const std::vector<uint64_t>& slots) {
        return static_cast<int32_t>(static_cast<uint32_t>(Native(op, slots)[0]));
    }
    const nlohmann::json& LastRet() const { return sim::MemoryTrace().back().ret; }

    sim::World world;
};

TEST_F(ChaosTest, CreationsFailAsIfThePoolWereFull) {
    Chaos(ChaosKind::PoolFull);
    const uint32_t asea = HashName("asea");
    world.loadedModels.insert(asea);
    const int32_t car = AddCar(world, "asea", sim::Vec{10, 0, 0});
    const size_t before = world.entities.size();
    EXPECT_EQ(NativeInt("CreateVehicle", {asea, F(0), F(0), F(0), F(0), 0, 0, 0}), 0);
    EXPECT_EQ(NativeInt("CreateRandomPed", {F(0), F(0), F(0)}), 0);
    EXPECT_EQ(NativeInt("CreateRandomPedAsDriver", {I(car), 1}), 0);
    EXPECT_EQ(
        NativeInt("CreatePedInsideVehicle", {I(car), 4, HashName("a_m_y_business_01"), I(0), 1, 1}),
        0);
    EXPECT_EQ(NativeInt("CanCreateRandomPed", {0}), 0);
    EXPECT_EQ(world.entities.size(), before) << "nothing was made";
    EXPECT_EQ(Count(ChaosKind::PoolFull), 5);
}

TEST_F(ChaosTest, TextQueriesAnswerWithANullAddress) {
    Chaos(ChaosKind::NullText);
    const int32_t car = AddCar(world, "asea", sim::Vec{10, 0, 0});
    EXPECT_EQ(Native("GetVehicleNumberPlateText", {I(car)})[0], 0u);
    EXPECT_TRUE(LastRet().is_null());
    EXPECT_EQ(Native("GetDisplayNameFromVehicleModel", {HashName("asea")})[0], 0u);
    EXPECT_EQ(Count(ChaosKind::NullText), 2);
}

TEST_F(ChaosTest, CountsComeOutOfRangeButNothingIsWrittenPastTheBuffer) {
    Chaos(ChaosKind::CountOutOfRange);
    for (int i = 0; i < 5; ++i) {
        AddCar(world, "asea", sim::Vec{10.0f + 5.0f * i, 0, 0});
        AddPed(world, sim::Vec{0, 10.0f + i, 0});
    }
    std::set<int32_t> seen;
    for (int round = 0; round < 40; ++round) {
        // Capacity 3, then a guard slot the host must leave alone.
        int32_t buffer[2 * 5] = {3};
        buffer[8] = 77;
        const int32_t count = NativeInt("GetPedNearbyVehicles", {I(world.playerPed), P(buffer)});
        EXPECT_TRUE(count < 0 || count > 3) << count;
        EXPECT_EQ(buffer[8], 77);
        seen.insert(count);

        int peds[5] = {0, 0, 0, 0, 77};
        const int reported = worldGetAllPeds(peds, 4);
        EXPECT_TRUE(reported < 0 || reported > 4) << reported;
        EXPECT_EQ(peds[4], 77);
        seen.insert(reported);
    }
    EXPECT_TRUE(seen.count(-1) && seen.count(INT_MIN) && seen.count(INT_MAX) && seen.count(4) &&
                seen.count(5))
        << "negative, one past the capacity, and the extremes";
    EXPECT_EQ(Count(ChaosKind::CountOutOfRange), 80);
}

TEST_F(ChaosTest, ControlOnceTakenIsNeverGrantedAgain) {
    Chaos(ChaosKind::ControlNeverGranted);
    const int32_t ped = AddPed(world, sim::Vec{5, 5, 0});
    EXPECT_EQ(NativeInt("HasControlOfEntity", {I(ped)}), 0);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(NativeInt("RequestControlOfEntity", {I(ped)}), 0);
    }
    EXPECT_EQ(NativeInt("HasControlOfEntity", {I(ped)}), 0);
    EXPECT_EQ(Count(ChaosKind::ControlNeverGranted), 1);
}

TEST_F(ChaosTest, SomeRayHitsComeBackWithoutTheirEntity) {
    Chaos(ChaosKind::RayWithoutEntity);
    const int32_t car = AddCar(world, "asea", sim::Vec{0, 50, 0});
    int withEntity = 0;
    int withoutEntity = 0;
    for (int i = 0; i < 40; ++i) {
        const int32_t ray = NativeInt("StartShapeTestRay", {F(0), F(0), F(0), F(0), F(100), F(0),
                                                            I(-1), I(world.playerPed), I(7)});
        int32_t hit = 0;
        int32_t entity = -5;
        char end[24];
        char normal[24];
        ASSERT_EQ(NativeInt("GetShapeTestResult", {I(ray), P(&hit), P(end), P(normal), P(&entity)}),
                  2);
        ASSERT_EQ(hit, 1);
        EXPECT_TRUE(entity == car || entity == 0) << entity;
        (entity == 0 ? withoutEntity : withEntity)++;
    }
    EXPECT_GT(withoutEntity, 0);
    EXPECT_GT(withEntity, withoutEntity) << "one hit in four";
    EXPECT_EQ(Count(ChaosKind::RayWithoutEntity), withoutEntity);
}

TEST_F(ChaosTest, RoadNodesFoundLieOffTheRoad) {
    world.roadNodes.push_back(sim::RoadNode{sim::Vec{0, 20, 0}, 0.0f, 2});
    world.roadAreas.push_back(sim::RoadArea{-6, -100, 6, 100});
    Chaos(ChaosKind::NodeOffRoad);
    char node[24];
    float heading = 0;
    int32_t lanes = 0;
    ASSERT_EQ(
        NativeInt("GetNthClosestVehicleNodeWithHeading",
                  {F(0), F(0), F(0), I(1), P(node), P(&heading), P(&lanes), I(9), F(3), F(2.5f)}),
        1);
    const sim::Vec at = ReadVec3(node);
    EXPECT_EQ(NativeInt("IsPointOnRoad", {F(at.x), F(at.y), F(at.z), I(0)}), 0);
    EXPECT_EQ(Count(ChaosKind::NodeOffRoad), 1);
}

TEST_F(ChaosTest, WalkablePointQueriesFindNothingAndWriteNothing) {
    Chaos(ChaosKind::NoSafePoint);
    char out[24];
    std::memset(out, 0x5A, sizeof out);
    EXPECT_EQ(NativeInt("GetSafeCoordForPed", {F(1), F(2), F(0), 1, P(out), I(0)}), 0);
    for (char c : out) {
        EXPECT_EQ(c, 0x5A);
    }
}

TEST_F(ChaosTest, RandomDriversComeOfAnyPedType) {
    Chaos(ChaosKind::OddDriverType);
    std::set<int> types;
    for (int i = 0; i < 60; ++i) {
        const int32_t car = AddCar(world, "asea", sim::Vec{10.0f * i, 30, 0});
        const int32_t driver = NativeInt("CreateRandomPedAsDriver", {I(car), 1});
        ASSERT_NE(driver, 0);
        types.insert(world.entities.at(driver).pedType);
    }
    EXPECT_GE(*types.begin(), 0);
    EXPECT_LE(*types.rbegin(), 29);
    EXPECT_GT(types.size(), 10u) << "not only the civilians' 4 and 5";
}

TEST_F(ChaosTest, AModelNeverLoadsUntilTheStreamerGivesUp) {
    Chaos(ChaosKind::ModelNeverLoads);
    world.streamingGiveUpFrames = 50;
    const uint32_t asea = HashName("asea");
    Native("RequestModel", {asea});
    for (int frame = 0; frame < 49; ++frame) {
        sim::StepWorld(world);
    }
    EXPECT_EQ(NativeInt("HasModelLoaded", {asea}), 0);
    for (int frame = 0; frame < 3; ++frame) {
        sim::StepWorld(world);
    }
    EXPECT_TRUE(world.streaming.empty());
    EXPECT_EQ(world.neverLoadingModels.count(asea), 0u) << "a later request may load it";
    EXPECT_EQ(Count(ChaosKind::ModelNeverLoads), 1);
}

TEST_F(ChaosTest, TheWorldDeletesWhatThePluginHoldsAtAYield) {
    // The player drives a car; the plug-in made a vehicle and a ped.
    const int32_t playerCar = AddCar(world, "tailgater", sim::Vec{0, 0, 0});
    sim::SeatPed(world, world.playerPed, playerCar, -1);
    world.playerLastVehicle = playerCar;
    const uint32_t asea = HashName("asea");
    world.loadedModels.insert(asea);
    const int32_t made = NativeInt("CreateVehicle", {asea, F(30), F(0), F(0), F(0), 0, 0, 0});
    ASSERT_NE(made, 0);
    Chaos(ChaosKind::HeldEntityDeleted);
    for (int frame = 0; frame < 60; ++frame) {
        sim::StepWorld(world);
    }
    EXPECT_EQ(sim::FindEntity(world, made), nullptr);
    const auto& details = world.chaos.details[static_cast<int>(ChaosKind::HeldEntityDeleted)];
    ASSERT_TRUE(details.count("vehicles"));
    ASSERT_TRUE(details.count("the player's car")) << "one deletion in ten";
    EXPECT_EQ(sim::FindEntity(world, playerCar), nullptr);
    const sim::Entity& player = world.entities.at(world.playerPed);
    EXPECT_NE(player.vehicle, 0) << "the player takes a new car at once";
    EXPECT_EQ(world.playerLastVehicle, player.vehicle);
    EXPECT_EQ(world.entities.at(player.vehicle).model, HashName("tailgater"));
}

TEST_F(ChaosTest, NewEntitiesTakeTheHandlesOfRemovedOnes) {
    const int32_t first = AddPed(world, sim::Vec{1, 1, 0});
    sim::RemoveEntity(world, first);
    EXPECT_NE(AddPed(world, sim::Vec{1, 1, 0}), first) << "without chaos handles only grow";

    Chaos(ChaosKind::HandleReused, 0.1);  // reuse ten times as likely: always
    const int32_t gone = AddPed(world, sim::Vec{2, 2, 0});
    sim::RemoveEntity(world, gone);
    const int32_t car = AddCar(world, "asea", sim::Vec{3, 3, 0});
    EXPECT_EQ(car, gone);
    EXPECT_EQ(world.entities.at(car).kind, sim::EntityKind::Vehicle);
    EXPECT_EQ(Count(ChaosKind::HandleReused), 1);
}

TEST_F(ChaosTest, TheMouseButtonsAreHeldForAMoment) {
    Chaos(ChaosKind::MousePick);
    int held = 0;
    int longest = 0;
    int run = 0;
    for (int frame = 0; frame < 400; ++frame) {
        sim::StepWorld(world);
        const bool both = world.keysDown.count(0x01) && world.keysDown.count(0x04);
        EXPECT_EQ(both, world.keysDown.count(0x01) == 1) << "the two together";
        run = both ? run + 1 : 0;
        longest = std::max(longest, run);
        held += both;
    }
    EXPECT_GT(Count(ChaosKind::MousePick), 3);
    EXPECT_GT(held, 0);
    EXPECT_LE(longest, 3);
}

TEST_F(ChaosTest, QueriesOnGoneHandlesAreCountedAndAPlateIsNoText) {
    Chaos(ChaosKind::PoolFull, 1e-9);  // chaos on, next to no faults
    const int32_t car = AddCar(world, "asea", sim::Vec{10, 0, 0});
    sim::RemoveEntity(world, car);
    EXPECT_EQ(NativeInt("EntityExists", {I(car)}), 0);
    EXPECT_EQ(Native("GetVehicleNumberPlateText", {I(car)})[0], 0u);
    EXPECT_EQ(NativeInt("EntityExists", {I(world.playerPed)}), 1);
    EXPECT_EQ(Count(ChaosKind::GoneHandleQuery), 2);
}

TEST_F(ChaosTest, DeletingTheCarThePlayerSitsInIsCountedAsHarm) {
    Chaos(ChaosKind::PoolFull, 1e-9);
    const int32_t playerCar = AddCar(world, "tailgater", sim::Vec{0, 0, 0});
    sim::SeatPed(world, world.playerPed, playerCar, -1);
    world.playerLastVehicle = playerCar;
    int32_t other = AddCar(world, "asea", sim::Vec{20, 0, 0});
    Native("DeleteVehicle", {P(&other)});
    EXPECT_EQ(world.chaos.playerCarDeletedByScript, 0);
    int32_t held = playerCar;
    Native("DeleteEntity", {P(&held)});
    EXPECT_EQ(world.chaos.playerCarDeletedByScript, 1);
    std::ostringstream summary;
    sim::PrintChaosSummary(world, summary);
    EXPECT_NE(summary.str().find("Player's car deleted     1 times by the plug-in"),
              std::string::npos)
        << summary.str();
}

TEST_F(ChaosTest, TrackedEntriesWhoseEntityIsGoneAreCountedAtTheirMost) {
    Chaos(ChaosKind::PoolFull, 1e-9);
    const int32_t kept = AddCar(world, "asea", sim::Vec{10, 0, 0});
    const int32_t gone = AddCar(world, "asea", sim::Vec{20, 0, 0});
    const int32_t ped = AddPed(world, sim::Vec{5, 0, 0});
    sim::RemoveEntity(world, gone);
    sim::RemoveEntity(world, ped);
    const int32_t vehicles[] = {kept, gone};
    const int32_t peds[] = {ped, world.playerPed, 987654};
    sim::NoteGoneTrackedEntries(world, {peds, 3, vehicles, 2});
    sim::NoteGoneTrackedEntries(world, {peds, 1, vehicles, 1});  // fewer later: the most stays
    EXPECT_EQ(world.chaos.mostGoneTrackedPeds, 2);
    EXPECT_EQ(world.chaos.mostGoneTrackedVehicles, 1);
    std::ostringstream summary;
    sim::PrintChaosSummary(world, summary);
    EXPECT_NE(summary.str().find("at most 2 peds and 1 vehicles at once"), std::string::npos)
        << summary.str();
}

// Classifies each rewrite by the file it leaves, and checks it against the
// kind chaos counted.
TEST_F(ChaosTest, TheSettingsFileIsRewrittenInEveryWay) {
    TempWorkingDirectory dir;
    const std::string original =
        ReadWholeFile(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini");
    dir.Write("Korvane.ini", original);
    Chaos(ChaosKind::SettingsRewritten);
    std::map<std::string, int64_t> seen;
    const auto& counted = world.chaos.details[static_cast<int>(ChaosKind::SettingsRewritten)];
    for (int frame = 0; frame < 6000 && seen.size() < 6; ++frame) {
        const std::map<std::string, int64_t> before = counted;
        sim::StepWorld(world);
        if (counted == before) {
            continue;
        }
        std::string variant;
        for (const auto& [name, n] : counted) {
            if (!before.count(name) || before.at(name) != n) {
                variant = name;
            }
        }
        const std::string now = ReadWholeFile((dir.Path() / "Korvane.ini").string());
        if (variant == "restored") {
            EXPECT_EQ(now, original);
        } else if (variant == "cut short") {
            EXPECT_LT(now.size(), original.size());
            EXPECT_EQ(original.compare(0, now.size(), now), 0);
        } else if (variant == "scribbled over") {
            EXPECT_EQ(now.size(), original.size());
        } else if (variant == "garbage") {
            EXPECT_LT(now.size(), 4096u);
        } else if (variant == "byte-order mark") {
            EXPECT_EQ(now, "\xEF\xBB\xBF" + original);
        } else if (variant == "10 MB") {
            EXPECT_GT(now.size(), 10u * 1024u * 1024u);
            EXPECT_EQ(now.find(';'), original.find(';')) << "the small list is intact";
        } else {
            ADD_FAILURE() << "unknown rewrite " << variant;
        }
        seen[variant] = 1;
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST_F(ChaosTest, OffMeansOff) {
    const uint64_t seedState = world.chaos.rngState;
    sim::InstallChaos(world);  // rate 0: nothing wrapped
    const int32_t car = AddCar(world, "asea", sim::Vec{10, 0, 0});
    sim::RemoveEntity(world, car);
    EXPECT_NE(AddCar(world, "asea", sim::Vec{10, 0, 0}), car);
    EXPECT_NE(Native("GetVehicleNumberPlateText", {I(car)})[0], 0u) << "an empty text";
    for (int frame = 0; frame < 100; ++frame) {
        sim::StepWorld(world);
    }
    EXPECT_EQ(world.chaos.rngState, seedState) << "no draw at all";
    std::ostringstream summary;
    sim::PrintChaosSummary(world, summary);
    EXPECT_EQ(summary.str(), "");
}

}  // namespace

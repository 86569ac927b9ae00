// The replay recorder watching a world frame by frame: what the script's
// turn made or took away is the plug-in's doing, told apart by where it
// happened; what the world's step did is the world's own.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "sim/report/replay_recorder.h"
#include "sim/world/world.h"
#include "support/world_ops.h"

namespace {

using sim::ReplayEnd;
using sim::ReplayEventKind;
using sim::ReplayOrigin;
using sim::Vec;
using simtest::B;
using simtest::Call;
using simtest::F;
using simtest::I;
using simtest::P;
using simtest::RetInt;

const Vec Node{20.0f, 0.0f, 0.0f};

class ReplayRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::LoadModelCatalogue(world);
        world.playerPed = sim::CreatePed(world, sim::HashName("player_zero"), 0, Vec{});
        world.roadNodes.push_back(sim::RoadNode{Node, 0.0f, 2});
    }

    // A vehicle the plug-in creates, as CreateVehicle makes it.
    int32_t Create(const char* model, Vec at) {
        const uint32_t hash = sim::HashName(model);
        world.loadedModels.insert(hash);
        return RetInt(
            Call(world, "CreateVehicle",
                 {hash, F(at.x), F(at.y), F(at.z), F(0.0f), B(false), B(false), B(false)}));
    }
    int32_t Crew(int32_t vehicle, int seat, const char* model = "s_m_y_cop_01", int type = 6) {
        return RetInt(
            Call(world, "CreatePedInsideVehicle",
                 {I(vehicle), I(type), sim::HashName(model), I(seat), B(false), B(false)}));
    }
    void Arm(int32_t ped) {
        Call(world, "GiveDelayedWeaponToPed",
             {I(ped), sim::HashName("WEAPON_NIGHTSTICK"), I(1), B(false)});
    }
    void Delete(int32_t handle, const char* op = "DeleteVehicle") {
        int32_t slot = handle;
        Call(world, op, {P(&slot)});
    }
    // One frame: the script's turn, then the world's step.
    void Frame(const std::function<void()>& turn = [] {}) {
        sim::BeginFrame(world);
        turn();
        recorder.AfterScriptTurn(world);
        sim::StepWorld(world);
        recorder.AfterFrame(world);
    }

    const sim::ReplayEntity& Of(int32_t handle) const {
        for (const sim::ReplayEntity& e : recorder.Entities()) {
            if (e.handle == handle) {
                return e;
            }
        }
        ADD_FAILURE() << "never recorded: " << handle;
        return recorder.Entities().front();
    }
    int IdOf(int32_t handle) const {
        return static_cast<int>(&Of(handle) - recorder.Entities().data());
    }
    std::vector<sim::ReplayEvent> Events(ReplayEventKind kind) const {
        std::vector<sim::ReplayEvent> found;
        for (const sim::ReplayEvent& e : recorder.Events()) {
            if (e.kind == kind) {
                found.push_back(e);
            }
        }
        return found;
    }
    // The sample's four numbers for an entity; empty when not drawn.
    std::vector<int32_t> Drawn(const sim::ReplaySample& sample, int32_t handle) const {
        const int id = IdOf(handle);
        for (size_t i = 0; i + 3 < sample.items.size(); i += 4) {
            if (sample.items[i] == id) {
                return {sample.items.begin() + static_cast<long>(i),
                        sample.items.begin() + static_cast<long>(i) + 4};
            }
        }
        return {};
    }

    sim::World world;
    sim::ReplayRecorder recorder;
};

TEST_F(ReplayRecorderTest, TellsReplacementsFromRoadNodeSpawnsAndFindsTheReplacedVehicle) {
    const int32_t old = sim::CreateVehicleEntity(world, sim::HashName("asea"), Vec{0, 50, 0}, 0);
    const int32_t other =
        sim::CreateVehicleEntity(world, sim::HashName("emperor"), Vec{0, 150, 0}, 0);
    recorder.Start(world);
    Frame();
    int32_t spawned = 0;
    int32_t replacement = 0;
    Frame([&] {
        spawned = Create("blista", Node);
        // Made where the old one stood when chosen; it drove on since.
        replacement = Create("blista", Vec{3, 46, 0});
        Delete(other);
        Delete(old);
    });
    const int frame = world.frame - 1;

    ASSERT_EQ(Events(ReplayEventKind::RoadNodeSpawn).size(), 1u);
    EXPECT_EQ(Events(ReplayEventKind::RoadNodeSpawn)[0].entity, IdOf(spawned));
    ASSERT_EQ(Events(ReplayEventKind::Replacement).size(), 1u);
    const sim::ReplayEvent made = Events(ReplayEventKind::Replacement)[0];
    EXPECT_EQ(made.frame, frame);
    EXPECT_EQ(made.entity, IdOf(replacement));
    EXPECT_EQ(made.other, IdOf(old)) << "the nearest vehicle deleted on that turn";
    EXPECT_EQ(Events(ReplayEventKind::Deleted).size(), 2u);

    EXPECT_EQ(Of(spawned).origin, ReplayOrigin::RoadNode);
    EXPECT_EQ(Of(replacement).origin, ReplayOrigin::Replaced);
    EXPECT_EQ(Of(old).origin, ReplayOrigin::World);
    EXPECT_EQ(Of(old).end, ReplayEnd::Deleted);
    EXPECT_EQ(Of(old).lastFrame, frame);
    EXPECT_EQ(Of(world.playerPed).origin, ReplayOrigin::Player);
    // The world's counters agree.
    EXPECT_EQ(world.stats.replacementsByType.at("CAR"), 1);
    EXPECT_EQ(world.stats.nodeSpawnsByType.at("CAR"), 1);
    EXPECT_EQ(world.stats.vehiclesDeleted, 2);
}

TEST_F(ReplayRecorderTest, CrewsTakeTheirVehiclesOriginAndArmingThemIsAnEvent) {
    const int32_t traffic =
        sim::CreateVehicleEntity(world, sim::HashName("asea"), Vec{0, 80, 0}, 0);
    recorder.Start(world);
    int32_t patrol = 0;
    int32_t driver = 0;
    int32_t passenger = 0;
    Frame([&] {
        patrol = Create("police", Node);
        driver = Crew(patrol, -1);
        Arm(driver);
        passenger = Crew(traffic, 0, "a_m_y_business_01", 4);
    });
    int32_t second = 0;
    Frame([&] {
        second = Crew(patrol, 0);
        Arm(second);
    });

    EXPECT_EQ(Of(driver).origin, ReplayOrigin::RoadNode);
    EXPECT_EQ(Of(passenger).origin, ReplayOrigin::Korvane) << "a passenger of the world's car";
    const std::vector<sim::ReplayEvent> armed = Events(ReplayEventKind::CrewArmed);
    ASSERT_EQ(armed.size(), 2u);
    EXPECT_EQ(armed[0].entity, IdOf(driver));
    EXPECT_EQ(armed[0].other, IdOf(patrol));
    EXPECT_EQ(armed[1].entity, IdOf(second));
    EXPECT_EQ(Of(driver).armedFrame, 0);
    EXPECT_EQ(Of(second).armedFrame, 1);

    // A seated crew is drawn with its vehicle: counted, and the vehicle
    // marked as carrying police.
    while (world.frame < 30) {
        Frame();
    }
    const sim::ReplaySample& sample = recorder.Samples().back();
    ASSERT_EQ(sample.frame, 30);
    EXPECT_TRUE(Drawn(sample, driver).empty());
    const std::vector<int32_t> car = Drawn(sample, patrol);
    ASSERT_EQ(car.size(), 4u);
    EXPECT_EQ(car[3] & sim::FlagPolice, sim::FlagPolice);
    EXPECT_EQ(car[3] >> sim::ReplayOccupantShift, 2);
    const std::vector<int32_t> other = Drawn(sample, traffic);
    ASSERT_EQ(other.size(), 4u);
    EXPECT_EQ(other[3], 1 << sim::ReplayOccupantShift) << "one passenger, no police";
}

TEST_F(ReplayRecorderTest, TheWorldsCleanUpIsNoDeletion) {
    const int32_t far = sim::CreateVehicleEntity(world, sim::HashName("asea"), Vec{0, 900, 0}, 0);
    world.entities.at(far).ambient = true;
    const int32_t deleted =
        sim::CreatePed(world, sim::HashName("a_m_y_business_01"), 4, Vec{5, 5, 0});
    recorder.Start(world);
    Frame([&] { Delete(deleted, "DeletePed"); });

    EXPECT_EQ(Of(far).end, ReplayEnd::CleanedUp);
    EXPECT_EQ(Of(far).lastFrame, 0);
    EXPECT_EQ(Of(deleted).end, ReplayEnd::Deleted);
    const std::vector<sim::ReplayEvent> gone = Events(ReplayEventKind::Deleted);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].entity, IdOf(deleted));
    EXPECT_EQ(world.stats.entitiesCleanedUp, 1);
}

TEST_F(ReplayRecorderTest, SamplesEveryHalfSecondOfGameTimeAndTheLastFrame) {
    sim::CreatePed(world, sim::HashName("a_m_y_business_01"), 4, Vec{12.4f, -7.6f, 0});
    recorder.Start(world);
    for (int i = 0; i < 61; ++i) {
        Frame();
    }
    recorder.Finish(world);
    std::vector<int> frames;
    for (const sim::ReplaySample& s : recorder.Samples()) {
        frames.push_back(s.frame);
    }
    EXPECT_EQ(recorder.SampleEvery(), 30);
    EXPECT_EQ(frames, (std::vector<int>{0, 30, 60, 61}));
    // The player and the ped, at whole metres.
    const sim::ReplaySample& first = recorder.Samples().front();
    ASSERT_EQ(first.items.size(), 8u);
    EXPECT_EQ(first.items[5], 12);
    EXPECT_EQ(first.items[6], -8);
}

}  // namespace

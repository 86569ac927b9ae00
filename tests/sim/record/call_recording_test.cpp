// Recording the plug-in's host calls and answering a pass again from the
// recording: the benchmarks' way of measuring the plug-in without the world.
#include <gtest/gtest.h>

#include <vector>

#include "host/host_api.h"
#include "host/natives.h"
#include "loop/tick_loop.h"
#include "sim/record/call_recording.h"
#include "state/plugin_state.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace {

class CallRecordingTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        // Peds near the player, one far off screen that the pass deletes
        // through its list slot, and a vehicle.
        world.camera.viewDistance = 50.0f;
        Plugin.TrackedPeds = {AddPed(sim::Vec{5, 5, 0}), AddPed(sim::Vec{900, 900, 0}),
                              AddPed(sim::Vec{-4, 2, 0})};
        Plugin.TrackedVehicles = {AddVehicle("blista", sim::Vec{10, 0, 0})};
        Plugin.CycleCounter = 7;  // no settings read on this pass
        far = Plugin.TrackedPeds[1];
    }
    void TearDown() override {
        sim::StopCallTap();
        HostFixture::TearDown();
    }

    // One pass on the script fiber against the world, recorded.
    sim::CallRecording RecordOnePass() {
        sim::CallRecording recording;
        sim::StartRecording(&recording);
        sim::RunOnScriptFiber([] { TickPass(); }, 5);
        sim::StopCallTap();
        EXPECT_EQ(sim::HostErrorText(), "");
        return recording;
    }

    int32_t far = 0;
    TempWorkingDirectory dir;
};

TEST_F(CallRecordingTest, AReplayedPassMakesTheSameCallsAndLeavesTheSameState) {
    const PluginState before = Plugin;
    sim::CallRecording recording = RecordOnePass();
    const PluginState after = Plugin;
    ASSERT_GT(recording.calls.size(), 30u);
    EXPECT_EQ(recording.calls.back().kind, sim::RecordedCall::Kind::Wait) << "the pass's yield";
    ASSERT_EQ(sim::FindEntity(world, far), nullptr) << "the pass deleted the far ped";
    ASSERT_EQ(after.TrackedPeds.size(), 2u);

    // Off the fiber and without the world: the recording answers every call.
    Plugin = before;
    const int callsBefore = world.stats.nativeCalls;
    const size_t entitiesBefore = world.entities.size();
    sim::StartReplay(recording, true);
    TickPass();
    EXPECT_FALSE(sim::ReplayWentAstray()) << sim::ReplayMismatch();
    EXPECT_EQ(sim::ReplayPosition(), recording.calls.size());
    sim::StopCallTap();
    EXPECT_EQ(world.stats.nativeCalls, callsBefore) << "the world answered nothing";
    EXPECT_EQ(world.entities.size(), entitiesBefore);
    EXPECT_EQ(Plugin.TrackedPeds, after.TrackedPeds) << "the recorded delete cleared the slot";
    EXPECT_EQ(Plugin.TrackedVehicles, after.TrackedVehicles);
    EXPECT_EQ(Plugin.CycleCounter, after.CycleCounter);
    EXPECT_FLOAT_EQ(Plugin.PlayerPosition.x, after.PlayerPosition.x);

    // The same replay again, rewound, as the timed benchmark loops do.
    Plugin = before;
    sim::StartReplay(recording, false);
    TickPass();
    sim::RewindReplay();
    Plugin = before;
    TickPass();
    EXPECT_FALSE(sim::ReplayWentAstray()) << sim::ReplayMismatch();
    EXPECT_EQ(Plugin.TrackedPeds, after.TrackedPeds);
}

TEST_F(CallRecordingTest, AReplayOfAnotherPassGoesAstrayAndAnswersZeros) {
    const PluginState before = Plugin;
    sim::CallRecording recording = RecordOnePass();

    // A plug-in that tracks other peds makes other calls than recorded.
    Plugin = before;
    Plugin.TrackedPeds.erase(Plugin.TrackedPeds.begin());
    sim::StartReplay(recording, true);
    TickPass();
    EXPECT_TRUE(sim::ReplayWentAstray());
    EXPECT_NE(sim::ReplayMismatch(), "");
    sim::StopCallTap();

    // Past the recording's end every call is answered with zeros.
    sim::CallRecording empty;
    sim::StartReplay(empty, false);
    EXPECT_EQ(game::GetPlayerPed(), 0);
    EXPECT_FALSE(game::EntityExists(player));
    EXPECT_TRUE(sim::ReplayWentAstray());
}

TEST_F(CallRecordingTest, ScriptCodeIsTheFiberOutsideHostCalls) {
    EXPECT_FALSE(sim::ScriptCodeRunning()) << "the test itself is no script";
    std::vector<bool> seen;
    sim::RunOnScriptFiber(
        [&seen] {
            seen.push_back(sim::ScriptCodeRunning());
            seen.push_back(sim::InsideHostCall());
            scriptWait(0);
            seen.push_back(sim::ScriptCodeRunning());
        },
        5);
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
    EXPECT_FALSE(sim::InsideHostCall());
}

}  // namespace

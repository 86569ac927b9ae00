// The script fiber and the frame loop: how long waits last, running and
// tearing down scripts, and host errors stopping a run for good.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/natives.h"
#include "support/host_fixture.h"

namespace {

class ScriptFiberTest : public HostFixture {};

TEST(WaitFramesTest, LastsAtLeastOneFrameAndRoundsUp) {
    struct Case {
        uint32_t ms;
        float frameTimeMs;
        int frames;
    };
    const float Fps60 = 1000.0f / 60.0f;
    const Case cases[] = {
        {0, Fps60, 1},   {1, Fps60, 1},     {16, Fps60, 1},    {17, Fps60, 2},
        {50, Fps60, 3},  {1000, Fps60, 60}, {1001, Fps60, 61}, {100, 50.0f, 2},
        {101, 50.0f, 3}, {0, 50.0f, 1},     {49, 50.0f, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sim::WaitFrames(c.ms, c.frameTimeMs), c.frames)
            << c.ms << " ms at " << c.frameTimeMs << " ms a frame";
    }
}

TEST_F(ScriptFiberTest, ScriptResumesOnTheFrameItsWaitEnds) {
    const std::vector<uint32_t> waits = {0, 10, 17, 50, 1000, 0};
    std::vector<int> resumedOn;
    int startedOn = -1;
    int startFrame = world.frame;
    sim::RunOnScriptFiber(
        [&] {
            startedOn = world.frame;
            for (uint32_t ms : waits) {
                scriptWait(ms);
                resumedOn.push_back(world.frame);
            }
        },
        2000);
    ASSERT_EQ(sim::HostErrorText(), "");
    EXPECT_EQ(startedOn, startFrame) << "the script starts on the first frame run";
    // 1, 1, 2, 3, 60 and 1 frames after each other.
    std::vector<int> expected = {startFrame + 1, startFrame + 2,  startFrame + 4,
                                 startFrame + 7, startFrame + 67, startFrame + 68};
    EXPECT_EQ(resumedOn, expected);

    std::vector<sim::TraceEntry> trace = CallsTo("scriptWait");
    ASSERT_EQ(trace.size(), waits.size());
    for (size_t i = 0; i < waits.size(); ++i) {
        EXPECT_EQ(trace[i].args, nlohmann::json::array({waits[i]}));
        EXPECT_EQ(trace[i].frame, i == 0 ? startFrame : resumedOn[i - 1]);
        EXPECT_EQ(trace[i].hash, 0u);
    }
}

TEST_F(ScriptFiberTest, FramesRunUntilTheScriptReturns) {
    int passes = 0;
    int frames = sim::RunOnScriptFiber(
        [&] {
            for (; passes < 5; ++passes) {
                scriptWait(0);
            }
        },
        100);
    EXPECT_EQ(passes, 5);
    EXPECT_EQ(frames, 6) << "five waits, then the frame on which it returns";
    EXPECT_FALSE(sim::ScriptRunning());

    int counted = 0;
    frames = sim::RunOnScriptFiber(
        [&] {
            for (;;) {
                ++counted;
                scriptWait(0);
            }
        },
        7);
    EXPECT_EQ(frames, 7) << "a script that never returns runs to the limit";
    EXPECT_EQ(counted, 7);
}

TEST_F(ScriptFiberTest, StartedScriptRunsFrameByFrameAndReportsItsEnd) {
    std::vector<int> log;
    sim::StartScript([&] {
        log.push_back(1);
        scriptWait(0);
        log.push_back(2);
    });
    EXPECT_TRUE(log.empty()) << "nothing runs before the first frame";
    EXPECT_TRUE(sim::RunFrame());
    EXPECT_EQ(log, std::vector<int>({1}));
    EXPECT_TRUE(sim::ScriptRunning());
    EXPECT_FALSE(sim::ScriptFinished());
    EXPECT_TRUE(sim::RunFrame());
    EXPECT_EQ(log, std::vector<int>({1, 2}));
    EXPECT_TRUE(sim::ScriptFinished());
    EXPECT_TRUE(sim::RunFrame()) << "frames go on after the script has returned";
    EXPECT_EQ(log.size(), 2u);
}

// Sets a flag when the script's frames are unwound.
struct UnwindWitness {
    bool* unwound;
    ~UnwindWitness() { *unwound = true; }
};

TEST_F(ScriptFiberTest, TeardownUnwindsAScriptThatNeverReturns) {
    bool unwound = false;
    int passes = 0;
    sim::StartScript([&] {
        UnwindWitness witness{&unwound};
        // Heap memory owned by the script's frames: leak-checked builds
        // report it unless the teardown unwinds them.
        auto owned = std::make_unique<std::vector<int>>(1000, 7);
        std::string text(500, 'x');
        for (;;) {
            ++passes;
            scriptWait(0);
        }
    });
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sim::RunFrame());
    }
    EXPECT_EQ(passes, 3);
    EXPECT_FALSE(unwound);
    sim::StopScript();
    EXPECT_TRUE(unwound);
    EXPECT_EQ(passes, 3) << "the teardown runs no more of the script";
    EXPECT_FALSE(sim::ScriptRunning());
    EXPECT_EQ(sim::HostErrorText(), "");
    EXPECT_TRUE(sim::RunFrame()) << "frames run on without a script";
}

TEST_F(ScriptFiberTest, NativeCallsWorkWithoutAFiber) {
    EXPECT_EQ(game::GetPlayerPed(), player);
    EXPECT_EQ(sim::HostErrorText(), "");
    ASSERT_EQ(Ops(), std::vector<std::string>({"GetPlayerPed"}));
    EXPECT_EQ(CallsTo("GetPlayerPed")[0].ret, player);
}

TEST_F(ScriptFiberTest, WaitOutsideTheFiberIsAHostError) {
    scriptWait(0);
    EXPECT_NE(sim::HostErrorText().find("scriptWait(0) called outside the script fiber"),
              std::string::npos)
        << sim::HostErrorText();
    EXPECT_FALSE(sim::RunFrame());
}

// A call that no host accepts, made by the script.
struct BadCall {
    const char* what;
    uint64_t hash;
    int slots;
    const char* reported;  // must appear in the host error
};

TEST_F(ScriptFiberTest, BadCallsStopTheScriptForGood) {
    const BadCall cases[] = {
        {"unknown hash", 0x0123456789ABCDEFULL, 1,
         "unknown native hash 0x0123456789ABCDEF (1 argument slots pushed)"},
        {"too many slots", NativeHash(NativeOp::GetPlayerPed), 1,
         "GetPlayerPed (0xD80958FC74E988A6) takes 0 argument slots, but the script pushed 1"},
        {"too few slots", NativeHash(NativeOp::CreateVehicle), 7,
         "CreateVehicle (0xAF35D0D2583051B0) takes 8 argument slots, but the script pushed 7"},
    };
    for (const BadCall& c : cases) {
        SCOPED_TRACE(c.what);
        sim::AttachWorld(&world);
        int frameOfError = world.frame + 1;
        bool resumed = false;
        int nativeCallsBefore = world.stats.nativeCalls;
        sim::StartScript([&] {
            scriptWait(0);
            nativeInit(c.hash);
            for (int i = 0; i < c.slots; ++i) {
                nativePush64(0);
            }
            nativeCall();
            resumed = true;
        });
        EXPECT_TRUE(sim::RunFrame());
        EXPECT_FALSE(sim::RunFrame()) << "the frame of the bad call fails the run";
        EXPECT_NE(sim::HostErrorText().find(c.reported), std::string::npos) << sim::HostErrorText();
        EXPECT_NE(sim::HostErrorText().find("on frame " + std::to_string(frameOfError)),
                  std::string::npos)
            << sim::HostErrorText();
        for (int i = 0; i < 5; ++i) {
            EXPECT_FALSE(sim::RunFrame());
        }
        EXPECT_FALSE(resumed) << "the script never continues after the bad call";
        EXPECT_EQ(world.stats.nativeCalls, nativeCallsBefore);
        sim::StopScript();
        EXPECT_FALSE(resumed) << "nor during its teardown";
    }
}

TEST_F(ScriptFiberTest, AttachingAWorldClearsTheHostsState) {
    scriptWait(0);
    scriptRegister(&world, [] {});
    ASSERT_NE(sim::HostErrorText(), "");
    ASSERT_NE(sim::RegisteredScriptMain(), nullptr);
    sim::AttachWorld(&world);
    EXPECT_EQ(sim::HostErrorText(), "");
    EXPECT_EQ(sim::RegisteredScriptMain(), nullptr);
    EXPECT_TRUE(sim::MemoryTrace().empty());
    EXPECT_TRUE(sim::RunFrame());
}

}  // namespace

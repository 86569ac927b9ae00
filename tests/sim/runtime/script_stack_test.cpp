// The script fiber as the real host gives it: a small stack with a guard page
// below it, whose deepest use the host measures, and restarts that drop the
// fiber without unwinding it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "sim/runtime/fiber.h"
#include "support/host_fixture.h"

namespace {

class ScriptStackTest : public HostFixture {};

// Writes `bytes` of its own stack, so that the use cannot be optimised away.
__attribute__((noinline)) int UseStack(size_t bytes) {
    volatile char block[16384];
    const size_t n = bytes < sizeof block ? bytes : sizeof block;
    for (size_t i = 0; i < n; ++i) {
        block[i] = static_cast<char>(i);
    }
    return block[n / 2];
}

__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return depth <= 0 ? frame[0] : Recurse(depth - 1) + frame[0];
}

TEST_F(ScriptStackTest, TheDeepestUseIsMeasuredFromTheStacksPattern) {
    EXPECT_EQ(sim::DeepestScriptStack(), 0u) << "no fiber yet";
    sim::RunOnScriptFiber([] { UseStack(1000); }, 10);
    const unsigned long shallow = sim::DeepestScriptStack();
    EXPECT_GE(shallow, 1000u);
    sim::RunOnScriptFiber([] { UseStack(12000); }, 10);
    const unsigned long deep = sim::DeepestScriptStack();
    EXPECT_GE(deep, 12000u);
    EXPECT_LT(deep, sim::DefaultScriptStackBytes);
    sim::RunOnScriptFiber([] { UseStack(100); }, 10);
    EXPECT_EQ(sim::DeepestScriptStack(), deep) << "the most of any fiber is kept";
    sim::AttachWorld(&world);
    EXPECT_EQ(sim::DeepestScriptStack(), 0u) << "a new run measures afresh";
}

TEST_F(ScriptStackTest, AnOverflowHitsTheGuardPage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int depth = static_cast<int>(sim::DefaultScriptStackBytes / 1024) * 2;
    EXPECT_DEATH(sim::RunOnScriptFiber([depth] { Recurse(depth); }, 10), "");
    // Well within the stack, the same recursion is fine.
    int result = -1;
    sim::RunOnScriptFiber([&result] { result = Recurse(8); }, 10);
    EXPECT_EQ(result, 36) << "8 + 7 + ... + 0";
}

TEST_F(ScriptStackTest, ARestartDropsTheFiberWithoutUnwindingAndStartsTheScriptAgain) {
    struct Marker {
        bool* unwound;
        ~Marker() { *unwound = true; }
    };
    static bool unwound = false;
    static int starts = 0;
    unwound = false;
    starts = 0;
    sim::StartScript([] {
        ++starts;
        Marker marker{&unwound};
        for (;;) {
            scriptWait(1000);
        }
    });
    ASSERT_TRUE(sim::RunFrame());
    ASSERT_TRUE(sim::RunFrame());
    EXPECT_EQ(starts, 1);
    const int frame = world.frame;
    sim::ClearMemoryTrace();
    sim::RestartScript();
    EXPECT_FALSE(unwound) << "nothing on the dropped fiber is unwound";
    EXPECT_FALSE(sim::InsideHostCall()) << "the wait it was in is left for good";
    ASSERT_TRUE(sim::RunFrame());
    EXPECT_EQ(starts, 2) << "the script starts again on the frame of the restart";
    ASSERT_GE(sim::MemoryTrace().size(), 2u);
    EXPECT_EQ(sim::MemoryTrace()[0].op, "scriptRestart");
    EXPECT_EQ(sim::MemoryTrace()[0].frame, frame);
    EXPECT_EQ(sim::MemoryTrace()[1].op, "scriptWait");
    EXPECT_EQ(world.stats.scriptRestarts, std::vector<int>{frame});
    sim::StopScript();
    EXPECT_TRUE(unwound) << "a teardown still unwinds";
}

TEST_F(ScriptStackTest, ScheduledRestartsComeOnTheirFramesOnly) {
    static int starts = 0;
    starts = 0;
    sim::AddScriptRestart(world, world.frame + 3);
    sim::AddScriptRestart(world, world.frame + 3);  // once, however often asked
    sim::AddScriptRestart(world, world.frame + 5);
    const int first = world.frame;
    sim::StartScript([] {
        ++starts;
        for (;;) {
            scriptWait(0);
        }
    });
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(sim::RunFrame());
    }
    EXPECT_EQ(starts, 3);
    EXPECT_EQ(world.stats.scriptRestarts, (std::vector<int>{first + 3, first + 5}));
    EXPECT_EQ(CallsTo("scriptRestart").size(), 2u);
}

}  // namespace

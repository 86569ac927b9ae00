// The tick loop against the substitute host: order of a pass, the hotkey, the
// cycle counter, task ticks, the population block, the debug pick, the aim
// point, control requests and the status step.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "config/hotkey.h"
#include "display/debug_lines.h"
#include "display/status_text.h"
#include "loop/debug_pick.h"
#include "loop/script_entry.h"
#include "loop/tick_loop.h"
#include "state/plugin_state.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "traffic/misreporting_host.h"

namespace {

const int Numpad3 = 0x63;

class TickLoopTest : public HostFixture {
protected:
    // Runs `passes` passes of the loop on the script fiber.
    void RunPasses(int passes) {
        sim::RunOnScriptFiber(
            [passes] {
                for (int i = 0; i < passes; ++i) {
                    TickPass();
                }
            },
            passes * 400 + 10);
        ASSERT_EQ(sim::HostErrorText(), "");
    }
    // Holds key `key` down from frame `from` (relative to now) to frame `to`.
    void PressKey(int key, int from, int to) {
        world.keyEvents.push_back({world.frame + from, key, true});
        world.keyEvents.push_back({world.frame + to, key, false});
    }
    // The status texts drawn in the trace, in order.
    std::vector<std::string> DrawnTexts() const {
        std::vector<std::string> texts;
        for (const sim::TraceEntry& e : CallsTo("AddTextComponentString")) {
            texts.push_back(e.args[0].get<std::string>());
        }
        return texts;
    }
    // How many times `op` was called with first argument `value`.
    int CountCalls(const std::string& op, int value) const {
        int n = 0;
        for (const sim::TraceEntry& e : CallsTo(op)) {
            if (!e.args.empty() && e.args[0] == value) {
                ++n;
            }
        }
        return n;
    }
    TempWorkingDirectory dir;
};

TEST_F(TickLoopTest, PassWhileOffReadsPlayerPollsKeysAndYields) {
    RunPasses(1);
    std::vector<std::string> expected = {
        "GetAsyncKeyState",      "ApplyPassStartOption", "GetPlayerPed", "GetEntityPosition",
        "GetPlayersLastVehicle", "GetAsyncKeyState",     "scriptWait"};
    EXPECT_EQ(Ops(), expected);
    EXPECT_EQ(CallsTo("GetAsyncKeyState")[0].args[0], 1);
    EXPECT_EQ(CallsTo("GetAsyncKeyState")[1].args[0], Numpad3);
    EXPECT_EQ(CallsTo("scriptWait")[0].args[0], 0);
    EXPECT_EQ(Plugin.PlayerPed, player);
    EXPECT_EQ(Plugin.CycleCounter, 1);
    EXPECT_FALSE(Plugin.Enabled);
}

TEST_F(TickLoopTest, HoldingTheHotkeyDrawsEachPassAndTheReleaseSwitches) {
    PressKey(Numpad3, 0, 5);  // down for passes 1 to 5, seen up on pass 6
    RunPasses(5);
    EXPECT_FALSE(Plugin.Enabled);
    EXPECT_EQ(Plugin.CycleCounter, 5);
    EXPECT_EQ(DrawnTexts(), std::vector<std::string>(5, "Enabling Korvane"));

    sim::ClearMemoryTrace();
    RunPasses(1);
    EXPECT_TRUE(Plugin.Enabled);
    EXPECT_EQ(Plugin.StatusText, "");
    EXPECT_EQ(Plugin.CycleCounter, 1) << "the release restarts the counter and skips the advance";
    EXPECT_EQ(CallsTo("SetAllLowPriorityVehicleGeneratorsActive").size(), 1u);

    // Switching off shows the other message and makes no game call of its own.
    PressKey(Numpad3, 0, 2);
    sim::ClearMemoryTrace();
    RunPasses(3);
    EXPECT_FALSE(Plugin.Enabled);
    EXPECT_EQ(DrawnTexts(), std::vector<std::string>(2, "Disabling Korvane"));
    EXPECT_TRUE(CallsTo("SetAllLowPriorityVehicleGeneratorsActive").empty());
}

TEST_F(TickLoopTest, CounterWrapsAndReadsTheFilesOnTheirPasses) {
    dir.Write("palvenorhub.ini", "PALVENOR BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [71]\n");
    dir.Write("Korvane.ini", "KORVANE BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [72]\n");
    Plugin.CycleCounter = 999;
    RunPasses(1);
    EXPECT_EQ(Plugin.CycleCounter, 1000);
    EXPECT_EQ(Plugin.Settings.Hotkey, Numpad3) << "999 reads no file";
    RunPasses(1);
    EXPECT_EQ(Plugin.CycleCounter, 0);
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x71) << "1000 reads the sibling file";
    RunPasses(1);
    EXPECT_EQ(Plugin.CycleCounter, 1);
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x72) << "0 reads the settings file";
    RunPasses(249);
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x72);
    RunPasses(1);
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x71) << "250 reads the sibling file";
}

TEST_F(TickLoopTest, TaskTicksFollowTheirRatesAndShareOnePopulationBlock) {
    Plugin.Enabled = true;
    Plugin.CycleCounter = 1;
    std::vector<int> vehicleTicks;
    std::vector<int> pedTicks;
    std::vector<int> populationBlocks;
    for (int pass = 1; pass <= 148; ++pass) {
        sim::ClearMemoryTrace();
        RunPasses(1);
        if (!CallsTo("GetPedNearbyVehicles").empty()) {
            vehicleTicks.push_back(pass);
        }
        if (!CallsTo("worldGetAllPeds").empty()) {
            pedTicks.push_back(pass);
        }
        if (CountCalls("SetCreateRandomCops", 1) > 0) {
            populationBlocks.push_back(pass);
            EXPECT_EQ(CountCalls("SetCreateRandomCops", 1), 1) << "pass " << pass;
            EXPECT_EQ(CountCalls("SetCreateRandomCops", 0), 1) << "pass " << pass;
        }
        EXPECT_EQ(CallsTo("SetVehicleModelIsSuppressed").size(), 3u);
    }
    EXPECT_EQ(vehicleTicks, (std::vector<int>{37, 74, 111, 148}));
    EXPECT_EQ(pedTicks, (std::vector<int>{74, 148}));
    EXPECT_EQ(populationBlocks, (std::vector<int>{37, 74, 111, 148}));
}

TEST_F(TickLoopTest, TaskCountersKeepTheirValuesWhileOff) {
    Plugin.Enabled = true;
    RunPasses(30);
    Plugin.Enabled = false;
    RunPasses(50);
    EXPECT_EQ(Plugin.VehicleTaskCounter, 30);
    EXPECT_EQ(Plugin.PedTaskCounter, 30);
}

TEST_F(TickLoopTest, PopulationBlockCallsInOrderWithItsValues) {
    Plugin.PlayerPed = player;
    sim::RunOnScriptFiber([] { ApplyPopulationSettings(); }, 5);
    std::vector<std::string> expected = {"SetCreateRandomCops",
                                         "RemoveScenarioBlockingAreas",
                                         "SetAllVehicleGeneratorsActive",
                                         "ApplyPlayerAreaOption",
                                         "SetScenarioPedDensityMultiplierThisFrame",
                                         "SetPedDensityMultiplierThisFrame",
                                         "SetVehiclePopulationBudget",
                                         "SetPedPopulationBudget",
                                         "SetVehicleDensityMultiplierThisFrame",
                                         "SetRandomVehicleDensityMultiplierThisFrame"};
    EXPECT_EQ(Ops(), expected);
    EXPECT_EQ(CallsTo("ApplyPlayerAreaOption")[0].args,
              nlohmann::json::parse("[" + std::to_string(player) + ",150,1,1,1]"));
    EXPECT_EQ(CallsTo("SetVehiclePopulationBudget")[0].args, nlohmann::json::parse("[3]"));
    EXPECT_EQ(CallsTo("SetScenarioPedDensityMultiplierThisFrame")[0].args,
              nlohmann::json::parse("[1.0,1.0]"));
}

TEST_F(TickLoopTest, DebugPickAppendsWhatTheRayHitsEvenWhileOff) {
    // The camera looks north along +y; a ped stands in its line of sight.
    world.camera.position = sim::Vec{50, -20, 1};
    world.camera.rotation = sim::Vec{0, 0, 0};
    int32_t ped = AddPed(sim::Vec{50, 10, 1});
    PressKey(1, 0, 3);
    PressKey(4, 0, 3);
    RunPasses(3);
    ASSERT_FALSE(Plugin.Enabled);
    EXPECT_EQ(Plugin.TrackedPeds, std::vector<EntityHandle>{ped})
        << "appended on every pass, left once by the normalisation";
    EXPECT_EQ(CallsTo("StartShapeTestRay").size(), 3u);
    EXPECT_EQ(CallsTo("StartShapeTestRay")[0].args[6], -1);
    EXPECT_EQ(CallsTo("StartShapeTestRay")[0].args[8], 7);
}

// A ray can hit the world itself (a wall, the ground), as the game reports it:
// such a hit names no entity, so the pick asks for no control and the pass
// does not wait 100 frames for it.
TEST_F(TickLoopTest, DebugPickOfTheWorldItselfAsksForNoControl) {
    world.camera.position = sim::Vec{50, -20, 1};
    world.camera.rotation = sim::Vec{0, 0, 0};
    AddPed(sim::Vec{50, 10, 1});
    MisreportingHost host("GetShapeTestResult",
                          [](sim::NativeCall& call) { *call.Ptr<int32_t>(4) = 0; });
    PressKey(1, 0, 3);
    PressKey(4, 0, 3);
    RunPasses(3);
    EXPECT_EQ(CallsTo("StartShapeTestRay").size(), 3u) << "a ray on every pass";
    EXPECT_TRUE(CallsTo("HasControlOfEntity").empty());
    EXPECT_TRUE(CallsTo("RequestControlOfEntity").empty());
    EXPECT_EQ(CallsTo("scriptWait").size(), 3u) << "each pass only ends with its yield";
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
}

TEST_F(TickLoopTest, OneMouseButtonAloneCastsNoRay) {
    PressKey(1, 0, 3);
    RunPasses(2);
    EXPECT_TRUE(CallsTo("StartShapeTestRay").empty());
}

TEST_F(TickLoopTest, CameraAimPointIs3000UnitsAlongTheView) {
    struct Case {
        float pitch, yaw;
    };
    for (Case c : {Case{0, 0}, Case{0, 90}, Case{30, -45}, Case{-89, 180}}) {
        world.camera.position = sim::Vec{10, 20, 30};
        world.camera.rotation = sim::Vec{c.pitch, 0, c.yaw};
        Vec3 aim = CameraAimPoint();
        double p = c.pitch * 0.017453292, y = c.yaw * 0.017453292;
        EXPECT_NEAR(aim.x, 10 - std::sin(y) * std::fabs(std::cos(p)) * 3000, 0.05);
        EXPECT_NEAR(aim.y, 20 + std::cos(y) * std::fabs(std::cos(p)) * 3000, 0.05);
        EXPECT_NEAR(aim.z, 30 + std::sin(p) * 3000, 0.05);
    }
    std::vector<std::string> expected = {"GetGameplayCamRotation", "GetGameplayCamPosition"};
    std::vector<std::string> ops = Ops();
    std::vector<std::string> first(ops.begin(), ops.begin() + 2);
    EXPECT_EQ(first, expected);
    EXPECT_EQ(CallsTo("GetGameplayCamRotation")[0].args[0], 2);
}

TEST_F(TickLoopTest, TakeControlGivesUpAfter100RequestsAndStopsEarlyOnControl) {
    struct Case {
        int delay;
        size_t requests;
    };
    for (Case c : {Case{1000, 100}, Case{3, 3}, Case{0, 0}}) {
        int32_t car = AddVehicle("asea", sim::Vec{5, 5, 0});
        E(car).scriptControlled = c.delay == 0;
        E(car).controlDelayFrames = c.delay;
        sim::ClearMemoryTrace();
        EntityHandle result = 0;
        sim::RunOnScriptFiber([&] { result = TakeControlOfEntity(car); }, 500);
        EXPECT_EQ(result, car);
        EXPECT_EQ(CallsTo("RequestControlOfEntity").size(), c.requests) << "delay " << c.delay;
        EXPECT_EQ(CallsTo("scriptWait").size(), c.requests) << "delay " << c.delay;
    }
}

TEST_F(TickLoopTest, DrawStatusTextIssuesTheTenTextCallsInOrder) {
    SetStatusText("hello");
    DrawStatusText();
    std::vector<std::string> expected = {"SetTextFont", "SetTextScale",   "SetTextColour",
                                         "SetTextWrap", "SetTextCentre",  "SetTextDropShadow",
                                         "SetTextEdge", "BeginTextEntry", "AddTextComponentString",
                                         "DrawText"};
    EXPECT_EQ(Ops(), expected);
    const std::vector<sim::TraceEntry>& t = sim::MemoryTrace();
    EXPECT_EQ(t[0].args, nlohmann::json::parse("[0]"));
    EXPECT_EQ(t[1].args, nlohmann::json::parse("[0.55,0.55]"));
    EXPECT_EQ(t[2].args, nlohmann::json::parse("[255,255,255,255]"));
    EXPECT_EQ(t[3].args, nlohmann::json::parse("[0.0,1.0]"));
    EXPECT_EQ(t[5].args, nlohmann::json::parse("[0,0,0,0,0]"));
    EXPECT_EQ(t[6].args, nlohmann::json::parse("[1,0,0,0,205]"));
    EXPECT_EQ(t[7].args, nlohmann::json::parse("[\"STRING\"]"));
    EXPECT_EQ(t[8].args, nlohmann::json::parse("[\"hello\"]"));
    ASSERT_EQ(world.textsThisFrame.size(), 1u);
    EXPECT_EQ(world.textsThisFrame[0].text, "hello");
}

TEST_F(TickLoopTest, StatusStepClearsOrWarnsByTheCheckValue) {
    struct Case {
        int iniCheck;
        uint8_t debug;
        std::vector<std::string> drawn;
        std::string after;
    };
    const std::string warning = "Your INI file is poorly configured";
    std::vector<Case> cases = {
        {1234, 1, {"last message"}, ""},
        {1234, 0, {}, ""},
        {0, 1, {"last message", warning}, warning},
        {0, 0, {warning}, warning},
    };
    for (const Case& c : cases) {
        Plugin.Settings.IniCheck = c.iniCheck;
        Plugin.Settings.DebugMessages = c.debug;
        SetStatusText("last message");
        sim::ClearMemoryTrace();
        RunStatusStep();
        EXPECT_EQ(DrawnTexts(), c.drawn) << c.iniCheck << "/" << int(c.debug);
        EXPECT_EQ(Plugin.StatusText, c.after);
    }
}

TEST_F(TickLoopTest, SetStatusTextBuildsTheMessageInPlace) {
    SetStatusText("ASEA", " --> ", "banshee");
    EXPECT_EQ(Plugin.StatusText, "ASEA --> banshee");
    const char* room = Plugin.StatusText.data();
    SetStatusText("banshee", "\nSUCCESS!");
    EXPECT_EQ(Plugin.StatusText, "banshee\nSUCCESS!");
    EXPECT_EQ(Plugin.StatusText.data(), room)
        << "a message no longer than before needs no new room";
    SetStatusText("SPAWNING AT NEW NODE\n", "");
    EXPECT_EQ(Plugin.StatusText, "SPAWNING AT NEW NODE\n");
}

TEST_F(TickLoopTest, DebugLinesDrawFromThePlayerInARandomColour) {
    int32_t car = AddVehicle("asea", sim::Vec{5, 6, 0.5f});
    Plugin.PlayerPed = player;
    DrawDebugLineToEntity(car);
    DrawDebugLineToPoint(MakeVec3(1, 2, 3));
    std::vector<std::string> expected = {"GetRandomIntInRange",
                                         "GetRandomIntInRange",
                                         "GetRandomIntInRange",
                                         "GetEntityPosition",
                                         "GetEntityPosition",
                                         "DrawLine",
                                         "GetRandomIntInRange",
                                         "GetRandomIntInRange",
                                         "GetRandomIntInRange",
                                         "GetEntityPosition",
                                         "DrawLine"};
    EXPECT_EQ(Ops(), expected);
    EXPECT_EQ(CallsTo("GetRandomIntInRange")[0].args, nlohmann::json::parse("[0,255]"));
    EXPECT_EQ(CallsTo("GetEntityPosition")[1].args[0], car);
    nlohmann::json line = CallsTo("DrawLine")[1].args;
    EXPECT_EQ(line[3], 1.0);
    EXPECT_EQ(line[5], 3.0);
    EXPECT_EQ(line[9], 255);
}

}  // namespace

// What the plug-in does when the real host restarts or fails it: a second
// ScriptMain (a game reload) starts from the load-time state, and a refused
// allocation ends only its pass, leaving the records as they were.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "loop/script_entry.h"
#include "loop/tick_loop.h"
#include "sim/runtime/script_allocations.h"
#include "state/plugin_state.h"
#include "support/case_names.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace {

const int Numpad3 = 0x63;

class ScriptRestartTest : public HostFixture {
protected:
    // Runs frames of the script that is started; fails the test on a host error.
    void RunFrames(int frames) {
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(sim::RunFrame()) << sim::HostErrorText();
        }
    }
    TempWorkingDirectory dir;
};

TEST_F(ScriptRestartTest, ASecondScriptMainStartsFromTheLoadTimeState) {
    dir.Write("Korvane.ini", "KORVANE BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [71]\n");
    Plugin.Module = &world;  // as the entry point left it
    // Switched on with F2 from the file, with a tracked vehicle and a status
    // text, in the middle of a cycle.
    world.keyEvents = {{2, 0x71, true}, {4, 0x71, false}};
    const int32_t car = AddVehicle("asea", sim::Vec{5, 5, 0});
    sim::StartScript(ScriptMain);
    RunFrames(8);
    Plugin.TrackedVehicles.push_back(car);
    Plugin.StatusText = "left over from the old world";
    Plugin.Settings.SpawnOdds = 99;
    ASSERT_TRUE(Plugin.Enabled);
    ASSERT_EQ(Plugin.Settings.Hotkey, 0x71);
    ASSERT_NE(Plugin.CycleCounter, 0);

    sim::ClearMemoryTrace();
    sim::RestartScript();
    RunFrames(1);
    // The pass ran from a fresh start: it read the file again on cycle 0.
    EXPECT_FALSE(Plugin.Enabled);
    EXPECT_EQ(Plugin.CycleCounter, 1);
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x71) << "the first pass reads the file";
    EXPECT_TRUE(Plugin.TrackedVehicles.empty());
    EXPECT_TRUE(Plugin.TrackedPeds.empty());
    EXPECT_EQ(Plugin.StatusText, "");
    EXPECT_EQ(Plugin.PedTaskCounter, 0);
    EXPECT_EQ(Plugin.VehicleTaskCounter, 0);
    EXPECT_EQ(Plugin.Module, &world) << "the module handle is the host's, kept";
    EXPECT_STREQ(Plugin.FullModelList[0], "asea") << "built-in lists again";
    EXPECT_EQ(Plugin.Settings.SpawnOdds, 6) << "defaults again where the file says nothing";
    const std::vector<std::string> ops = Ops();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front(), "scriptRestart");
    EXPECT_EQ(CallsTo("scriptRestart").size(), 1u);
    EXPECT_TRUE(CallsTo("SetVehicleNoLongerNeeded").empty()) << "old handles are forgotten";
}

// An allocating place of the plug-in, the state that makes the first
// allocation of a pass happen there, and what shows that it did or did not.
struct AllocationCase {
    const char* name;
    std::function<void(sim::World&, TempWorkingDirectory&)> setUp;
    std::function<bool()> grown;  // the place's allocation went through
};
KORVANE_CASE_PRINTS_ITS_NAME(AllocationCase)

class RefusedAllocationTest : public ScriptRestartTest,
                              public ::testing::WithParamInterface<AllocationCase> {};

TEST_P(RefusedAllocationTest, EndsThePassAndTheNextPassGoesOn) {
    const AllocationCase& c = GetParam();
    // Nothing left over from earlier cases: every place starts without room.
    Plugin.FileText.clear();
    Plugin.FileText.shrink_to_fit();
    Plugin.StatusText.clear();
    Plugin.StatusText.shrink_to_fit();
    Plugin.TrackedPeds = std::vector<EntityHandle>();
    Plugin.TrackedVehicles = std::vector<EntityHandle>();
    Plugin.Settings.IniCheck = 1234;
    Plugin.CycleCounter = 1;
    c.setUp(world, dir);
    const PluginState before = Plugin;

    sim::RefuseScriptAllocations(1);
    sim::StartScript(TickLoop);
    RunFrames(1);
    EXPECT_EQ(sim::ScriptAllocationsRefused(), 1);
    EXPECT_FALSE(c.grown()) << "the refused step left its record as it was";
    EXPECT_EQ(Plugin.TrackedPeds, before.TrackedPeds);
    EXPECT_EQ(Plugin.TrackedVehicles, before.TrackedVehicles);
    EXPECT_EQ(Plugin.StatusText, before.StatusText);
    EXPECT_EQ(Plugin.Settings.Hotkey, before.Settings.Hotkey);
    EXPECT_EQ(CallsTo("scriptWait").size(), 1u) << "the pass ended with a yield";

    RunFrames(2);
    EXPECT_TRUE(c.grown()) << "the loop went on and the next pass did it";
    EXPECT_GE(CallsTo("GetPlayerPed").size(), 2u);
    EXPECT_EQ(sim::HostErrorText(), "");
}

int32_t Car(sim::World& w, const char* model, sim::Vec at) {
    return sim::CreateVehicleEntity(w, sim::HashName(model), at, 0.0f);
}
int32_t Walker(sim::World& w, sim::Vec at) {
    return sim::CreatePed(w, sim::HashName("a_m_y_business_01"), 4, at);
}

const AllocationCase AllocationCases[] = {
    {"SettingsFileText",
     [](sim::World&, TempWorkingDirectory& d) {
         d.Write("Korvane.ini", "KORVANE BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [71]\n");
         Plugin.CycleCounter = 0;
     },
     [] { return Plugin.Settings.Hotkey == 0x71; }},
    {"SiblingFileText",
     [](sim::World&, TempWorkingDirectory& d) {
         d.Write("palvenorhub.ini", "PALVENOR BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [72]\n");
         Plugin.CycleCounter = 250;
     },
     [] { return Plugin.Settings.Hotkey == 0x72; }},
    {"StatusText",
     [](sim::World& w, TempWorkingDirectory&) {
         w.keyEvents = {{w.frame, Numpad3, true}};
     },
     [] { return Plugin.StatusText == "Enabling Korvane"; }},
    {"TrackedVehicles",
     [](sim::World& w, TempWorkingDirectory&) {
         Plugin.Enabled = true;
         Plugin.Settings.VehicleTaskRate = 1;
         Plugin.TrackedVehicles = {Car(w, "asea", sim::Vec{10, 0, 0})};
         Plugin.TrackedVehicles.shrink_to_fit();
         Car(w, "blista", sim::Vec{-10, 0, 0});
     },
     [] { return Plugin.TrackedVehicles.size() == 2; }},
    {"TrackedPeds",
     [](sim::World& w, TempWorkingDirectory&) {
         Plugin.Enabled = true;
         Plugin.Settings.PedTaskRate = 1;
         Plugin.Settings.VehicleTaskRate = 1000;
         Plugin.Settings.AutoPedSpawner = 0;
         Plugin.TrackedPeds = {Walker(w, sim::Vec{3, 0, 0})};
         Plugin.TrackedPeds.shrink_to_fit();
         Walker(w, sim::Vec{-3, 0, 0});
     },
     [] { return Plugin.TrackedPeds.size() >= 2; }},
};
INSTANTIATE_TEST_SUITE_P(EachPlace, RefusedAllocationTest, ::testing::ValuesIn(AllocationCases));

}  // namespace

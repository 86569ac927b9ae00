// The tick loop: one pass after another, each ending with a yield.
#include "loop/tick_loop.h"

#include "config/hotkey.h"
#include "config/settings.h"
#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "loop/debug_pick.h"
#include "state/plugin_state.h"
#include "tracking/ped_adoption.h"
#include "tracking/tracked_lists.h"
#include "traffic/nearby_scan.h"

namespace {

const char* const SuppressedVehicleModels[] = {"taco", "utillitruck2", "utillitruck3"};

}  // namespace

void TickLoop() {
    for (;;) {
        // An exception out of ScriptMain would be a crash in the game. The
        // only one the plug-in can meet is a refused allocation (a list, the
        // status text or a settings file growing); it ends the pass, and the
        // records stay as they were before the step that could not grow.
        try {
            TickPass();
        } catch (...) {
            scriptWait(0);
        }
    }
}

void ApplyPopulationSettings() {
    game::SetCreateRandomCops(true);
    game::RemoveScenarioBlockingAreas();
    game::SetAllVehicleGeneratorsActive();
    game::ApplyPlayerAreaOption(Plugin.PlayerPed, 150, 1, 1, 1);
    game::SetScenarioPedDensityMultiplierThisFrame(1.0f, 1.0f);
    game::SetPedDensityMultiplierThisFrame(1.0f);
    game::SetVehiclePopulationBudget(3);
    game::SetPedPopulationBudget(3);
    game::SetVehicleDensityMultiplierThisFrame(1.0f);
    game::SetRandomVehicleDensityMultiplierThisFrame(1.0f);
}

namespace {

void ReadPlayer() {
    game::ApplyPassStartOption();
    Plugin.PlayerPed = game::GetPlayerPed();
    Plugin.PlayerPosition = game::GetEntityPosition(Plugin.PlayerPed);
    Plugin.PlayerLastVehicle = game::GetPlayersLastVehicle();
}

void ReadFilesDue() {
    if (Plugin.CycleCounter == 0) {
        ReadSettings();
    } else if (Plugin.CycleCounter % SiblingFilePeriod == 0) {
        ReadSiblingHotkey();
    }
}

// Returns true when the hotkey's release was handled on this pass, which
// restarts the counter instead of advancing it.
bool PollHotkey() {
    if (IsHotkeyHeld()) {
        Plugin.HotkeyWasHeld = true;
        SetStatusText(Plugin.Enabled ? "Disabling Korvane" : "Enabling Korvane");
        DrawStatusText();
        return false;
    }
    if (!Plugin.HotkeyWasHeld) {
        return false;
    }
    Plugin.HotkeyWasHeld = false;
    SetStatusText("");
    if (!Plugin.Enabled) {
        game::SetAllLowPriorityVehicleGeneratorsActive();
    }
    Plugin.Enabled = !Plugin.Enabled;
    Plugin.CycleCounter = 1;
    return true;
}

void AdvanceCycleCounter() {
    if (Plugin.CycleCounter < CycleCounterLimit) {
        Plugin.CycleCounter += 1;
    } else {
        Plugin.CycleCounter = 0;
    }
}

void RunListUpkeep() {
    NormaliseTrackedLists(Plugin.TrackedPeds);
    NormaliseTrackedLists(Plugin.TrackedVehicles);
    UpkeepTrackedPeds();
    UpkeepTrackedVehicles();
}

void RunTaskPhases() {
    Plugin.PedTaskCounter += 1;
    Plugin.VehicleTaskCounter += 1;
    if (Plugin.PedTaskCounter >= Plugin.Settings.PedTaskRate) {
        Plugin.PedTaskDue = true;
        Plugin.PedTaskCounter = 0;
    }
    if (Plugin.VehicleTaskCounter >= Plugin.Settings.VehicleTaskRate) {
        Plugin.VehicleTaskDue = true;
        Plugin.VehicleTaskCounter = 0;
    }
    for (const char* name : SuppressedVehicleModels) {
        game::SetVehicleModelIsSuppressed(game::GetHashKey(name));
    }
    if (!Plugin.VehicleTaskDue && !Plugin.PedTaskDue) {
        return;
    }
    ApplyPopulationSettings();
    RunStatusStep();
    if (Plugin.VehicleTaskDue) {
        ScanNearbyVehicles();
    }
    if (Plugin.PedTaskDue) {
        AdoptAmbientPeds();
    }
    Plugin.VehicleTaskDue = false;
    Plugin.PedTaskDue = false;
    game::SetCreateRandomCops(false);
}

}  // namespace

void TickPass() {
    DebugPick();
    ReadPlayer();
    ReadFilesDue();
    if (!PollHotkey()) {
        AdvanceCycleCounter();
    }
    RunListUpkeep();
    if (Plugin.Enabled) {
        RunTaskPhases();
    }
    scriptWait(0);
}

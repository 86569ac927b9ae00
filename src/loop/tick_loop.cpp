// The entry from the host and the tick loop.
//
// Index:
// [SECTION] Entry
// [SECTION] Keys, camera and control
// [SECTION] One pass
#include "loop/tick_loop.h"

#include <cmath>

#include "config/model_lists.h"
#include "config/settings.h"
#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "tracking/tracked_lists.h"
#include "traffic/vehicle_phase.h"

namespace {

const float DegreesToRadians = 0.017453292f;
const float PickRayLength = 3000.0f;
const int LeftMouseButton = 1;
const int MiddleMouseButton = 4;
const char* const SuppressedVehicleModels[] = {"taco", "utillitruck2", "utillitruck3"};

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Entry
//-----------------------------------------------------------------------------

int LibraryEntryPoint(void* module, unsigned long reason) {
    const unsigned long ProcessDetach = 0;
    const unsigned long ProcessAttach = 1;
    if (reason == ProcessAttach) {
        ResetToLoadState();
        Plugin.Module = module;
        scriptRegister(module, ScriptMain);
    } else if (reason == ProcessDetach) {
        scriptUnregister(module);
    }
    return 1;
}

void ScriptMain() {
    FillBuiltInModelLists();
    TickLoop();
}

void TickLoop() {
    for (;;) {
        TickPass();
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Keys, camera and control
//-----------------------------------------------------------------------------

bool IsHotkeyHeld() {
    return IsKeyDown(Plugin.Settings.Hotkey);
}

Vec3 CameraAimPoint() {
    Vec3 rotation = GetGameplayCamRotation(2);
    Vec3 position = GetGameplayCamPosition();
    float pitch = rotation.x * DegreesToRadians;
    float yaw = rotation.z * DegreesToRadians;
    float c = std::fabs(std::cos(pitch));
    return MakeVec3(position.x - std::sin(yaw) * c * PickRayLength,
                    position.y + std::cos(yaw) * c * PickRayLength,
                    position.z + std::sin(pitch) * PickRayLength);
}

EntityHandle TakeControlOfEntity(EntityHandle entity) {
    for (int attempt = 0; attempt < ControlAttempts; ++attempt) {
        if (HasControlOfEntity(entity)) {
            break;
        }
        RequestControlOfEntity(entity);
        scriptWait(0);
    }
    return entity;
}

//-----------------------------------------------------------------------------
// [SECTION] One pass
//-----------------------------------------------------------------------------

// With the left and middle mouse buttons both down, the entity under the
// camera's aim joins the tracked lists. Works whether the plug-in is on or off.
void DebugPick() {
    if (!IsKeyDown(LeftMouseButton) || !IsKeyDown(MiddleMouseButton)) {
        return;
    }
    Vec3 start = GetGameplayCamPosition();
    Vec3 end = CameraAimPoint();
    int32_t ray = StartShapeTestRay(start.x, start.y, start.z, end.x, end.y, end.z, -1, 0, 7);
    int32_t hit = 0;
    Vec3 endPosition;
    Vec3 surfaceNormal;
    EntityHandle entity = 0;
    GetShapeTestResult(ray, &hit, &endPosition, &surfaceNormal, &entity);
    if (hit == 0) {
        return;
    }
    entity = TakeControlOfEntity(entity);
    if (IsEntityAPed(entity)) {
        Plugin.TrackedPeds.push_back(entity);
    } else if (IsEntityAVehicle(entity)) {
        Plugin.TrackedVehicles.push_back(entity);
    }
}

void ApplyPopulationSettings() {
    SetCreateRandomCops(true);
    RemoveScenarioBlockingAreas();
    SetAllVehicleGeneratorsActive();
    ApplyPlayerAreaOption(Plugin.PlayerPed, 150, 1, 1, 1);
    SetScenarioPedDensityMultiplierThisFrame(1.0f, 1.0f);
    SetPedDensityMultiplierThisFrame(1.0f);
    SetVehiclePopulationBudget(3);
    SetPedPopulationBudget(3);
    SetVehicleDensityMultiplierThisFrame(1.0f);
    SetRandomVehicleDensityMultiplierThisFrame(1.0f);
}

namespace {

void ReadPlayer() {
    ApplyPassStartOption();
    Plugin.PlayerPed = GetPlayerPed();
    Plugin.PlayerPosition = GetEntityPosition(Plugin.PlayerPed);
    Plugin.PlayerLastVehicle = GetPlayersLastVehicle();
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
        SetAllLowPriorityVehicleGeneratorsActive();
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
        SetVehicleModelIsSuppressed(GetHashKey(name));
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
    SetCreateRandomCops(false);
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

// Replacing one accepted candidate in place and in motion with a vehicle
// drawn from the model lists.
#include <string>

#include "display/status_text.h"
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "tracking/tracked_lists.h"
#include "traffic/traffic_common.h"
#include "traffic/vehicle_phase.h"

namespace {

const int PoliceDrawOdds = 15;
const float PlaneLaunchFactor = 50.0f;
const float HeliSpawnHeight = 15.0f;
const float CarWanderSpeed = 120.0f;
const int CarWanderStyle = 5;
const int StreamingRequestLimit = 3;

// Mission 4 flies to the point; the numbers are the flight's speed, radius,
// free heading and height band.
const int FlyToPointMission = 4;
const float MissionSpeed = 30.0f;
const float MissionRadius = 50.0f;
const float AnyHeading = -1.0f;
const int MissionMaxHeight = 100;
const int MissionMinHeight = 40;

const char* ListEntry(const char* const* list, int size, int32_t index) {
    // A host draw out of the table is read as its first entry.
    const char* name = index >= 0 && index < size ? list[index] : list[0];
    return name ? name : "";
}

void GiveDriverItsTask(EntityHandle driver, EntityHandle vehicle, bool plane, bool heli) {
    Vec3& position = Plugin.CandidateState.CandidatePosition;
    if (plane) {
        ResetPedTasks(driver);
        JoinPilotGroup(driver);
        position = GetEntityPosition(GetVehiclePedIsUsing(driver));
        TaskPlaneMission(driver, vehicle, 0, 0, position.x, position.y, position.z,
                         FlyToPointMission, MissionSpeed, MissionRadius, AnyHeading,
                         static_cast<float>(MissionMaxHeight),
                         static_cast<float>(MissionMinHeight));
        SetPedKeepTask(driver);
    } else if (heli) {
        JoinPilotGroup(driver);
        SetHeliBladesFullSpeed(vehicle);
        TaskHeliMission(driver, vehicle, 0, 0, position.x, position.y, position.z,
                        FlyToPointMission, MissionSpeed, MissionRadius, AnyHeading,
                        MissionMaxHeight, MissionMinHeight, -1.0f, -1);
        TaskHeliChase(driver, Plugin.PlayerPed);
    } else {
        TaskVehicleDriveWander(driver, vehicle, CarWanderSpeed, CarWanderStyle);
    }
}

}  // namespace

// The end bound of a draw is exclusive: the table sizes let every entry,
// the last one too, be drawn.
const char* PickModelName() {
    if (Plugin.Settings.PolicePatrols == 1 && GetRandomIntInRange(0, PoliceDrawOdds) == 0) {
        return ListEntry(Plugin.PoliceModelList, PoliceModelListSize,
                         GetRandomIntInRange(0, PoliceModelListSize));
    }
    if (Plugin.Settings.UseFullList) {
        return ListEntry(Plugin.FullModelList, FullModelListSize,
                         GetRandomIntInRange(0, FullModelListSize));
    }
    return ListEntry(Plugin.SmallModelList, SmallModelListSize,
                     GetRandomIntInRange(0, SmallModelListSize));
}

void ReplaceVehicle(EntityHandle vehicle, int slot, ModelHash model) {
    const std::string name = PickModelName();
    const ModelHash newModel = GetHashKey(name.c_str());
    // Seats are filled before any check, so an abandoned replacement still
    // leaves the old vehicle with passengers.
    if (Plugin.Settings.PedsInCars) {
        FillOldVehicleSeats(vehicle);
    }
    if (newModel == model || !IsModelAVehicle(newModel)) {
        return;
    }
    if (GetNumberOfStreamingRequests() >= StreamingRequestLimit) {
        return;
    }
    std::string message = std::string(GetDisplayNameFromVehicleModel(model)) + " --> " + name;
    SetStatusText(message);
    RequestModel(newModel);
    if (!WaitForModelLoad(newModel, vehicle, nullptr)) {
        return;
    }

    const CandidateRecord candidate = Plugin.CandidateState;
    const Vec3& at = candidate.CandidatePosition;
    const bool plane = IsThisModelAPlane(newModel);
    const bool heli = !plane && IsThisModelAHeli(newModel);
    EntityHandle newVehicle = 0;
    EntityHandle driver = 0;
    if (plane) {
        newVehicle = CreateVehicle(newModel, at.x, at.y, at.z + Plugin.Settings.MinAirplaneHeight,
                                   candidate.SpawnHeading, false, false);
        driver = CreateRandomPedAsDriver(newVehicle);
        const Vec3& v = candidate.CandidateVelocity;
        SetEntityVelocity(newVehicle, PlaneLaunchFactor * v.x, PlaneLaunchFactor * v.y,
                          PlaneLaunchFactor * v.z);
        ControlLandingGear(newVehicle);
    } else if (heli) {
        newVehicle = CreateVehicle(newModel, at.x, at.y, at.z + HeliSpawnHeight,
                                   candidate.SpawnHeading, false, false);
        driver = CreateRandomPedAsDriver(newVehicle);
        ControlLandingGear(newVehicle);
    } else {
        newVehicle =
            CreateVehicle(newModel, at.x, at.y, at.z, candidate.SpawnHeading, false, false);
        driver = CreateRandomPedAsDriver(newVehicle);
        const Vec3& v = candidate.CandidateVelocity;
        SetEntityVelocity(newVehicle, v.x, v.y, v.z);
    }
    // The old vehicle goes only once the new one stands usable and marked.
    if (!IsUsableVehicle(newVehicle)) {
        return;
    }
    SetVehicleNumberPlateText(newVehicle, TransformedPlate);
    SetVehicleNumberPlateText(vehicle, TransformedPlate);
    SetModelAsNoLongerNeeded(newModel);
    message = name + "\nSUCCESS!";
    SetStatusText(message);
    SetVehicleNoLongerNeeded(&vehicle);
    DeleteVehicle(&vehicle);

    driver = EnsureDriver(newVehicle, driver);
    FillNewVehicleSeats(newVehicle, driver);
    SetVehicleEngineOn(newVehicle, true, true);
    if (IsPoliceType(GetPedType(driver))) {
        ArmLawCrew(driver, true);
    }
    GiveDriverItsTask(driver, newVehicle, plane, heli);

    if (IsVehicleSeatFree(newVehicle, -1)) {
        // Nobody to drive it: the slot keeps the deleted old handle for the
        // list upkeep to drop.
        SetVehicleNoLongerNeeded(&newVehicle);
        DeleteVehicle(&newVehicle);
        return;
    }
    if (IsRoadVehicle(newVehicle)) {
        SetVehicleOnGroundProperly(newVehicle);
    }
    SetPedNoLongerNeeded(&driver);
    // Planes stay held by the plug-in; the rest go back to the game's care.
    if (!IsThisModelAPlane(GetEntityModel(newVehicle))) {
        SetVehicleNoLongerNeeded(&newVehicle);
    }
    if (slot >= 0 && static_cast<size_t>(slot) < Plugin.TrackedVehicles.size()) {
        Plugin.TrackedVehicles[slot] = newVehicle;
    }
    PauseAfterSpawn();
}

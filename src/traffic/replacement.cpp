#include "traffic/replacement.h"

#include "display/status_text.h"
#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/entity_checks.h"
#include "tracking/law_crews.h"
#include "tracking/ped_tasks.h"
#include "traffic/model_wait.h"
#include "traffic/occupants.h"
#include "traffic/pauses.h"
#include "traffic/placement.h"
#include "traffic/plates.h"
#include "traffic/spawn_draws.h"
#include "traffic/vehicle_checks.h"

namespace {

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

void GiveDriverItsTask(EntityHandle driver, EntityHandle vehicle, PlacedKind kind) {
    Vec3& position = Plugin.CandidateState.CandidatePosition;
    if (kind == PlacedKind::Plane) {
        ResetPedTasks(driver);
        JoinPilotGroup(driver);
        position = game::GetEntityPosition(game::GetVehiclePedIsUsing(driver));
        game::TaskPlaneMission(driver, vehicle, 0, 0, position.x, position.y, position.z,
                               FlyToPointMission, MissionSpeed, MissionRadius, AnyHeading,
                               static_cast<float>(MissionMaxHeight),
                               static_cast<float>(MissionMinHeight));
        game::SetPedKeepTask(driver);
    } else if (kind == PlacedKind::Heli) {
        JoinPilotGroup(driver);
        game::SetHeliBladesFullSpeed(vehicle);
        game::TaskHeliMission(driver, vehicle, 0, 0, position.x, position.y, position.z,
                              FlyToPointMission, MissionSpeed, MissionRadius, AnyHeading,
                              MissionMaxHeight, MissionMinHeight, -1.0f, -1);
        game::TaskHeliChase(driver, Plugin.PlayerPed);
    } else {
        game::TaskVehicleDriveWander(driver, vehicle, CarWanderSpeed, CarWanderStyle);
    }
}

}  // namespace

void ReplaceVehicle(EntityHandle vehicle, int slot, ModelHash model) {
    // A pointer into the model list, which only the settings read changes, at
    // the start of a pass: it stays good across the waits below and owns no
    // memory a dropped script fiber could lose.
    const char* const name = PickModelName();
    const ModelHash newModel = game::GetHashKey(name);
    // Seats are filled before any check, so an abandoned replacement still
    // leaves the old vehicle with passengers.
    if (Plugin.Settings.PedsInCars) {
        FillOldVehicleSeats(vehicle);
    }
    if (newModel == model || !game::IsModelAVehicle(newModel)) {
        return;
    }
    if (game::GetNumberOfStreamingRequests() >= StreamingRequestLimit) {
        return;
    }
    SetStatusText(game::GetDisplayNameFromVehicleModel(model), " --> ", name);
    game::RequestModel(newModel);
    if (!WaitForModelLoad(newModel, vehicle, nullptr)) {
        return;
    }

    const CandidateRecord candidate = Plugin.CandidateState;
    const PlacedVehicle placed =
        PlaceNewVehicle(newModel, candidate.CandidatePosition, candidate.SpawnHeading,
                        candidate.CandidateVelocity, true);
    EntityHandle newVehicle = placed.Vehicle;
    EntityHandle driver = placed.Driver;
    // The old vehicle goes only once the new one stands usable and marked.
    if (!IsUsableVehicle(newVehicle)) {
        return;
    }
    game::SetVehicleNumberPlateText(newVehicle, TransformedPlate);
    game::SetVehicleNumberPlateText(vehicle, TransformedPlate);
    game::SetModelAsNoLongerNeeded(newModel);
    SetStatusText(name, "\nSUCCESS!");
    game::SetVehicleNoLongerNeeded(&vehicle);
    game::DeleteVehicle(&vehicle);

    driver = EnsureDriver(newVehicle, driver);
    FillNewVehicleSeats(newVehicle, driver);
    game::SetVehicleEngineOn(newVehicle, true, true);
    if (IsPoliceType(game::GetPedType(driver))) {
        ArmLawCrew(driver, true);
    }
    GiveDriverItsTask(driver, newVehicle, placed.Kind);

    if (game::IsVehicleSeatFree(newVehicle, -1)) {
        // Nobody to drive it: the slot keeps the deleted old handle for the
        // list upkeep to drop.
        game::SetVehicleNoLongerNeeded(&newVehicle);
        game::DeleteVehicle(&newVehicle);
        return;
    }
    if (IsRoadVehicle(newVehicle)) {
        game::SetVehicleOnGroundProperly(newVehicle);
    }
    game::SetPedNoLongerNeeded(&driver);
    // Planes stay held by the plug-in; the rest go back to the game's care.
    // The model is asked of the host again, of the vehicle as it is now.
    if (!game::IsThisModelAPlane(game::GetEntityModel(newVehicle))) {
        game::SetVehicleNoLongerNeeded(&newVehicle);
    }
    if (slot >= 0 && static_cast<size_t>(slot) < Plugin.TrackedVehicles.size()) {
        Plugin.TrackedVehicles[slot] = newVehicle;
    }
    PauseAfterSpawn();
}

#include "traffic/occupants.h"

#include "display/debug_lines.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "state/plugin_state.h"
#include "tracking/law_crews.h"
#include "traffic/pauses.h"
#include "traffic/plates.h"

namespace {

// Only moving traffic is filled.
const float FillSpeed = 7.0f;
// Far from the player a seat is filled when the host can create a ped;
// otherwise a draw decides.
const float FreePedDistance = 45.0f;
// A replacement the player can see this close gets no crew appearing in it.
const float VisibleCrewDistance = 20.0f;
const int PedAppearWaitFrames = 150;
const unsigned SeatPauseMs = 50;
const unsigned DriverPauseMs = 10;

// Passenger seats of the vehicle's model, or 0 when it is already as full as
// that.
int FreePassengerSeats(EntityHandle vehicle) {
    const int seats = game::GetVehicleModelNumberOfSeats(game::GetEntityModel(vehicle)) - 1;
    const int passengers = game::GetVehicleNumberOfPassengers(vehicle);
    return passengers < seats && seats > 0 ? seats : 0;
}

// A created ped that is not in a vehicle is not kept.
void KeepIfSeated(EntityHandle* ped) {
    if (game::IsPedInAnyVehicle(*ped)) {
        Plugin.TrackedPeds.push_back(*ped);
    } else {
        game::DeletePed(ped);
    }
}

void WaitForPedToAppear(EntityHandle ped, EntityHandle vehicle) {
    for (int waits = 0; !game::EntityExists(ped) && waits < PedAppearWaitFrames; ++waits) {
        if (Plugin.Settings.DebugMessages) {
            DrawDebugLineToEntity(vehicle);
        }
        scriptWait(0);
    }
}

}  // namespace

void FillOldVehicleSeats(EntityHandle vehicle) {
    const char* plate = game::GetVehicleNumberPlateText(vehicle);
    if (PlateTextIs(plate, FilledPlate) || PlateTextIs(plate, TransformedPlate)) {
        return;
    }
    if (!(game::GetEntitySpeed(vehicle) > FillSpeed)) {
        return;
    }
    const int seats = FreePassengerSeats(vehicle);
    for (int seat = 0; seat < seats; ++seat) {
        if (!game::IsVehicleSeatFree(vehicle, seat)) {
            continue;
        }
        const bool hostAllows =
            game::CanCreateRandomPed() && Plugin.CandidateState.CandidateDistance > FreePedDistance;
        if (!hostAllows && game::GetRandomIntInRange(1, 2) != 1) {
            continue;
        }
        const Vec3 at = Plugin.CandidateState.CandidatePosition;
        EntityHandle ped = game::CreateRandomPed(at.x, at.y, at.z);
        game::ClearPedTasks(ped);
        game::TaskWarpPedIntoVehicle(ped, vehicle, seat);
        game::SetPedNoLongerNeeded(&ped);
        ShortPauseUnlessHotkeyHeld(SeatPauseMs);
        KeepIfSeated(&ped);
    }
    // Marked whenever it was fast enough, so a vehicle is filled at most once.
    game::SetVehicleNumberPlateText(vehicle, FilledPlate);
}

EntityHandle EnsureDriver(EntityHandle vehicle, EntityHandle driver) {
    if (game::EntityExists(driver) || !game::IsVehicleSeatFree(vehicle, -1)) {
        return driver;
    }
    if (driver != 0) {
        game::SetEntityNoLongerNeeded(&driver);
        game::DeleteEntity(&driver);
    }
    driver = game::CreateRandomPedAsDriver(vehicle);
    ShortPauseUnlessHotkeyHeld(DriverPauseMs);
    if (game::IsPedOnSpecificVehicle(driver, vehicle)) {
        Plugin.TrackedPeds.push_back(driver);
    } else {
        game::SetPedNoLongerNeeded(&driver);
        game::DeletePed(&driver);
    }
    return driver;
}

void FillNewVehicleSeats(EntityHandle vehicle, EntityHandle driver) {
    const int seats = FreePassengerSeats(vehicle);
    for (int seat = 0; seat < seats; ++seat) {
        if (!game::IsVehicleSeatFree(vehicle, seat) || !game::CanCreateRandomPed()) {
            continue;
        }
        if (game::IsEntityOnScreen(vehicle) &&
            !(Plugin.CandidateState.CandidateDistance > VisibleCrewDistance)) {
            continue;
        }
        // Asked for every seat: the driver may have changed since the last.
        const int pedType = game::GetPedType(driver);
        EntityHandle ped = 0;
        if (IsCrewPedType(pedType)) {
            // A crew of the driver's own kind: a patrol, a gang, a squad.
            const ModelHash driverModel = game::GetEntityModel(driver);
            ped = game::CreatePedInsideVehicle(vehicle, pedType, driverModel, seat, true, true);
        } else {
            const Vec3 at = Plugin.CandidateState.CandidatePosition;
            ped = game::CreateRandomPed(at.x, at.y, at.z);
            game::TaskWarpPedIntoVehicle(ped, vehicle, seat);
        }
        WaitForPedToAppear(ped, vehicle);
        game::SetPedRandomComponentVariation(ped);
        game::SetPedRandomProps(ped);
        if (IsPoliceType(pedType)) {
            ArmLawCrew(ped, false);
        }
        ShortPauseUnlessHotkeyHeld(SeatPauseMs);
        KeepIfSeated(&ped);
        game::SetPedNoLongerNeeded(&ped);
    }
}

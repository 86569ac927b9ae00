// Drivers, passengers and armed police crews for old and new vehicles.
#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "traffic/traffic_common.h"
#include "traffic/vehicle_phase.h"

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
const int ShotgunDrawOdds = 10;

bool InTypeMask(unsigned mask, int pedType) {
    return pedType >= 0 && pedType <= 29 && ((mask >> pedType) & 1u) != 0;
}

// Passenger seats of the vehicle's model, or 0 when it is already as full as
// that.
int FreePassengerSeats(EntityHandle vehicle) {
    const int seats = GetVehicleModelNumberOfSeats(GetEntityModel(vehicle)) - 1;
    const int passengers = GetVehicleNumberOfPassengers(vehicle);
    return passengers < seats && seats > 0 ? seats : 0;
}

// A created ped that is not in a vehicle is not kept.
void KeepIfSeated(EntityHandle* ped) {
    if (IsPedInAnyVehicle(*ped)) {
        Plugin.TrackedPeds.push_back(*ped);
    } else {
        DeletePed(ped);
    }
}

void WaitForPedToAppear(EntityHandle ped, EntityHandle vehicle) {
    for (int waits = 0; !EntityExists(ped) && waits < PedAppearWaitFrames; ++waits) {
        if (Plugin.Settings.DebugMessages) {
            DrawDebugLineToEntity(vehicle);
        }
        scriptWait(0);
    }
}

}  // namespace

bool IsCrewPedType(int pedType) {
    return InTypeMask(CrewPedTypes, pedType);
}

bool IsPoliceType(int pedType) {
    return InTypeMask(PoliceTypeMask, pedType);
}

void FillOldVehicleSeats(EntityHandle vehicle) {
    const char* plate = GetVehicleNumberPlateText(vehicle);
    if (PlateTextIs(plate, FilledPlate) || PlateTextIs(plate, TransformedPlate)) {
        return;
    }
    if (!(GetEntitySpeed(vehicle) > FillSpeed)) {
        return;
    }
    const int seats = FreePassengerSeats(vehicle);
    for (int seat = 0; seat < seats; ++seat) {
        if (!IsVehicleSeatFree(vehicle, seat)) {
            continue;
        }
        const bool hostAllows =
            CanCreateRandomPed() && Plugin.CandidateState.CandidateDistance > FreePedDistance;
        if (!hostAllows && GetRandomIntInRange(1, 2) != 1) {
            continue;
        }
        const Vec3 at = Plugin.CandidateState.CandidatePosition;
        EntityHandle ped = CreateRandomPed(at.x, at.y, at.z);
        ClearPedTasks(ped);
        TaskWarpPedIntoVehicle(ped, vehicle, seat);
        SetPedNoLongerNeeded(&ped);
        ShortPauseUnlessHotkeyHeld(SeatPauseMs);
        KeepIfSeated(&ped);
    }
    // Marked whenever it was fast enough, so a vehicle is filled at most once.
    SetVehicleNumberPlateText(vehicle, FilledPlate);
}

EntityHandle EnsureDriver(EntityHandle vehicle, EntityHandle driver) {
    if (EntityExists(driver) || !IsVehicleSeatFree(vehicle, -1)) {
        return driver;
    }
    if (driver != 0) {
        SetEntityNoLongerNeeded(&driver);
        DeleteEntity(&driver);
    }
    driver = CreateRandomPedAsDriver(vehicle);
    ShortPauseUnlessHotkeyHeld(DriverPauseMs);
    if (IsPedOnSpecificVehicle(driver, vehicle)) {
        Plugin.TrackedPeds.push_back(driver);
    } else {
        SetPedNoLongerNeeded(&driver);
        DeletePed(&driver);
    }
    return driver;
}

void FillNewVehicleSeats(EntityHandle vehicle, EntityHandle driver) {
    const int seats = FreePassengerSeats(vehicle);
    for (int seat = 0; seat < seats; ++seat) {
        if (!IsVehicleSeatFree(vehicle, seat) || !CanCreateRandomPed()) {
            continue;
        }
        if (IsEntityOnScreen(vehicle) &&
            !(Plugin.CandidateState.CandidateDistance > VisibleCrewDistance)) {
            continue;
        }
        const int pedType = GetPedType(driver);
        EntityHandle ped = 0;
        if (IsCrewPedType(pedType)) {
            // A crew of the driver's own kind: a patrol, a gang, a squad.
            const ModelHash driverModel = GetEntityModel(driver);
            ped = CreatePedInsideVehicle(vehicle, pedType, driverModel, seat, true, true);
        } else {
            const Vec3 at = Plugin.CandidateState.CandidatePosition;
            ped = CreateRandomPed(at.x, at.y, at.z);
            TaskWarpPedIntoVehicle(ped, vehicle, seat);
        }
        WaitForPedToAppear(ped, vehicle);
        SetPedRandomComponentVariation(ped);
        SetPedRandomProps(ped);
        if (IsPoliceType(pedType)) {
            ArmLawCrew(ped, false);
        }
        ShortPauseUnlessHotkeyHeld(SeatPauseMs);
        KeepIfSeated(&ped);
        SetPedNoLongerNeeded(&ped);
    }
}

void ArmLawCrew(EntityHandle ped, bool shotgunAlways) {
    GiveDelayedWeaponToPed(ped, GetHashKey("WEAPON_NIGHTSTICK"), false);
    GiveDelayedWeaponToPed(ped, GetHashKey("WEAPON_PISTOL"), false);
    if (shotgunAlways || GetRandomIntInRange(0, ShotgunDrawOdds) == 0) {
        GiveDelayedWeaponToPed(ped, GetHashKey("WEAPON_PUMPSHOTGUN"), true);
    }
}

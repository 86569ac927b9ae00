// The vehicle phase: scan, candidate test, replacement, occupants, road-node
// spawning.
#pragma once

#include <string>

#include "host/types.h"

extern const char* const TransformedPlate;  // "K41482D2"
extern const char* const FilledPlate;       // "64GA1714"

// Ped-type sets as bit masks over types 0..29.
const unsigned CrewPedTypes = 0x28120040u;    // 6, 17, 20, 27, 29
const unsigned PoliceTypeMask = 0x28000040u;  // 6, 27, 29
bool IsCrewPedType(int pedType);
bool IsPoliceType(int pedType);

// Scan and candidate test.
void ScanNearbyVehicles();
bool IsRoadVehicle(EntityHandle vehicle);
bool IsVehicleDamaged(EntityHandle vehicle);

// Replacement.
const char* PickModelName();
void ReplaceVehicle(EntityHandle vehicle, int slot, ModelHash model);

// Occupants and crews.
void FillOldVehicleSeats(EntityHandle vehicle);
EntityHandle EnsureDriver(EntityHandle vehicle, EntityHandle driver);
void FillNewVehicleSeats(EntityHandle vehicle, EntityHandle driver);
void ArmLawCrew(EntityHandle ped, bool shotgunAlways);

// Road-node spawning.
void SpawnAtRoadNodes();

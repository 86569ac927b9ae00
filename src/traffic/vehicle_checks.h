// Tests of a vehicle that the scan and the replacement share.
#pragma once

#include "host/types.h"

// A driveable car, bike or quad without a trailer that is not the player's.
bool IsRoadVehicle(EntityHandle vehicle);
// True when any vehicle or ped has damaged it.
bool IsVehicleDamaged(EntityHandle vehicle);

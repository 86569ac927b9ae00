// Which peds are police or crew, and the weapons a police crew carries: used
// when the vehicle phase fills a vehicle and when a police vehicle gets a new
// driver among the adopted peds.
#pragma once

#include "host/types.h"

// Ped-type sets as bit masks over types 0..29.
const unsigned CrewPedTypes = 0x28120040u;    // 6, 17, 20, 27, 29
const unsigned PoliceTypeMask = 0x28000040u;  // 6, 27, 29
bool IsCrewPedType(int pedType);
bool IsPoliceType(int pedType);

// A nightstick and a pistol, and a pump shotgun always or one time in ten.
void ArmLawCrew(EntityHandle ped, bool shotgunAlways);

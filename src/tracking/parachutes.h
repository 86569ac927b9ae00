// Parachutes for falling tracked peds.
#pragma once

#include "host/types.h"

// Below this height above the ground a ped counts as landed.
const float LandedHeight = 2.0f;
// A ped's maximum health doubles as the marker that it has its parachute.
const int ParachuteMarkerHealth = 1297;
const int NormalMaxHealth = 200;
// The behaviour runs on cycle counter values that are multiples of this.
const int ParachuteCheckPeriod = 15;

void ParachuteBehaviour(EntityHandle ped);

// Ambient ped adoption: the game's own peds join the tracked peds.
#pragma once

#include "host/types.h"

const float AdoptionRadius = 100.0f;
const float FleeCheckRadius = 35.0f;

void AdoptAmbientPeds();
// True for a ped that is not usable or not yet tracked.
bool ShouldAdoptPed(EntityHandle ped);

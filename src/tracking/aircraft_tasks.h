// The chase and attack tasks of tracked aircraft, and the random picks from
// the tracked lists that choose their targets.
#pragma once

#include "host/types.h"

// The target for a pilot: an aircraft drawn from the tracked vehicles, else
// the nearest tracked ped, else the player; a picked vehicle gives way to its
// usable driver.
EntityHandle ChooseAttackTarget(EntityHandle pilot);
// The chase task for the pilot's plane or helicopter, and rockets when allowed.
void AttackWithAircraft(EntityHandle pilot, EntityHandle target);
// Up to four draws from the tracked vehicles for an aircraft in clear sight.
EntityHandle PickAircraftFromList(EntityHandle pilot);
// The tracked ped nearest to the player that the ped can see.
EntityHandle PickNearestTrackedPed(EntityHandle ped);
// True when a tracked ped is in combat with the ped.
bool IsPedFoughtByTrackedPed(EntityHandle ped);

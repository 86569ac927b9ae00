// The distance and validity tests that the vehicle phase and the tracked
// behaviour share.
#pragma once

#include "host/types.h"

// Distance from the player ped to the entity, as the host measures it.
float DistanceToPlayer(EntityHandle entity);
// A live, human ped that is not the player.
bool IsUsablePed(EntityHandle ped);
// A live, driveable vehicle that is not the player's last.
bool IsUsableVehicle(EntityHandle vehicle);
// A plane, or a ped in one; a helicopter, or a ped in one.
bool IsPlaneEntity(EntityHandle entity);
bool IsHeliEntity(EntityHandle entity);

// The debug lines drawn while the vehicle phase waits for the game.
#pragma once

#include "host/types.h"

// A randomly coloured line from the player ped to an entity or a point.
void DrawDebugLineToEntity(EntityHandle entity);
void DrawDebugLineToPoint(Vec3 point);

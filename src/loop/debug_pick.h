// The mouse pick, which works whether the plug-in is switched on or off.
#pragma once

#include "host/types.h"

// With the left and middle mouse buttons both down, the entity under the
// camera's aim joins the tracked lists.
void DebugPick();

// The point 3000 units ahead of the gameplay camera.
Vec3 CameraAimPoint();

// Asks the host for control of an entity, up to 100 times with a yield after
// each request; returns the entity unchanged.
EntityHandle TakeControlOfEntity(EntityHandle entity);

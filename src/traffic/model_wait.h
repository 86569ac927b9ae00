// Waiting for a requested model to load.
#pragma once

#include "host/types.h"

// Longest wait for a requested model, in frames.
const int ModelLoadWaitFrames = 500;

// After RequestModel: waits until the model reports loaded, at most
// `ModelLoadWaitFrames` frame waits. With debug messages on, every wait draws
// the status text and a line to `lineEntity`, or to `*linePoint` when given.
// False when the model did not load in time.
bool WaitForModelLoad(ModelHash model, EntityHandle lineEntity, const Vec3* linePoint);

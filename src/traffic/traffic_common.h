// Small pieces the steps of the vehicle phase share: plate markers, the
// one-in-N draw, the model wait and the pause after a spawn.
#pragma once

#include <string>

#include "host/types.h"

// Longest wait for a requested model, in frames.
const int ModelLoadWaitFrames = 500;

// True when the vehicle's plate reads exactly the given 8-character marker.
bool PlateTextIs(const char* plate, const char* marker);

// The one-in-`SpawnOdds` draw: GetRandomIntInRange(1, SpawnOdds + 1) == 1.
// With odds of 1 or less every draw wins.
bool WinsSpawnDraw();

// After RequestModel: waits until the model reports loaded, at most
// `ModelLoadWaitFrames` frame waits. With debug messages on, every wait draws
// the status text and a line to `lineEntity`, or to `*linePoint` when given.
// False when the model did not load in time.
bool WaitForModelLoad(ModelHash model, EntityHandle lineEntity, const Vec3* linePoint);

// The pause after a spawn: `SpawnWaitMs`, skipped while the hotkey is held;
// a negative setting means no pause at all.
void PauseAfterSpawn();

// `scriptWait(ms)` unless the hotkey is held.
void ShortPauseUnlessHotkeyHeld(unsigned ms);

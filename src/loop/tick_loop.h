// The entry from the host, ScriptMain and the endless tick loop.
#pragma once

#include "host/types.h"

// The Windows library entry point (DllMain forwards to it; on Linux the
// substitute host calls DllMain itself): registers ScriptMain on process
// attach (reason 1) and unregisters on detach (reason 0). Returns 1.
int LibraryEntryPoint(void* module, unsigned long reason);

// Runs TickLoop; never returns.
void ScriptMain();

// One pass of the loop, without the final yield's repetition: TickLoop is
// `for (;;) TickPass();`.
void TickPass();
void TickLoop();

// Part of a pass, exposed for tests.
void DebugPick();
void ApplyPopulationSettings();

// True while the key `Settings.Hotkey` is down now.
bool IsHotkeyHeld();

// The point 3000 units ahead of the gameplay camera.
Vec3 CameraAimPoint();

// Asks the host for control of an entity, up to 100 times with a yield after
// each request; returns the entity unchanged.
EntityHandle TakeControlOfEntity(EntityHandle entity);

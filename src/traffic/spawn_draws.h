// The random draws of the vehicle phase: whether to spawn, and which model.
#pragma once

// The one-in-`SpawnOdds` draw: game::GetRandomIntInRange(1, SpawnOdds + 1) == 1.
// With odds of 1 or less every draw wins (the draw is still made).
bool WinsSpawnDraw();

// A model name from the police list one time in 15 when patrols are on,
// else from the full or the small list.
const char* PickModelName();

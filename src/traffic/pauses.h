// The pauses between spawns, which holding the hotkey skips.
#pragma once

// The pause after a spawn: `SpawnWaitMs`, skipped while the hotkey is held;
// a negative setting means no pause at all.
void PauseAfterSpawn();

// `scriptWait(ms)` unless the hotkey is held.
void ShortPauseUnlessHotkeyHeld(unsigned ms);

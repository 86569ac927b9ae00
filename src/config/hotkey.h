// The on/off hotkey as the settings name it.
#pragma once

// True while the key `Settings.Hotkey` is down now. Asks the platform every
// time: a pause that is skipped while the key is held looks again.
bool IsHotkeyHeld();

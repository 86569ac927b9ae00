#include "config/hotkey.h"

#include "host/keys.h"
#include "state/plugin_state.h"

bool IsHotkeyHeld() {
    return IsKeyDown(Plugin.Settings.Hotkey);
}

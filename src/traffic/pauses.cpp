#include "traffic/pauses.h"

#include <cstdint>

#include "config/hotkey.h"
#include "host/host_api.h"
#include "state/plugin_state.h"

void PauseAfterSpawn() {
    if (IsHotkeyHeld()) {
        return;
    }
    // A negative wait would reach the host as an unsigned pause of weeks.
    if (Plugin.Settings.SpawnWaitMs >= 0) {
        scriptWait(static_cast<uint32_t>(Plugin.Settings.SpawnWaitMs));
    }
}

void ShortPauseUnlessHotkeyHeld(unsigned ms) {
    if (!IsHotkeyHeld()) {
        scriptWait(ms);
    }
}

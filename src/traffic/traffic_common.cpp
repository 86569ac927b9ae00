#include "traffic/traffic_common.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "loop/plugin_state.h"
#include "loop/tick_loop.h"
#include "traffic/vehicle_phase.h"

const char* const TransformedPlate = "K41482D2";
const char* const FilledPlate = "64GA1714";

bool PlateTextIs(const char* plate, const char* marker) {
    return std::strncmp(plate, marker, 8) == 0;
}

bool WinsSpawnDraw() {
    const int32_t odds = Plugin.Settings.SpawnOdds;
    // The end bound is exclusive, so one past the odds gives one chance in
    // `odds`; it cannot go past the int32 limit.
    const int32_t end = odds >= std::numeric_limits<int32_t>::max() ? odds : odds + 1;
    const bool drawnOne = GetRandomIntInRange(1, end) == 1;
    return drawnOne || odds <= 1;
}

bool WaitForModelLoad(ModelHash model, EntityHandle lineEntity, const Vec3* linePoint) {
    if (HasModelLoaded(model)) {
        return true;
    }
    int waits = 0;
    for (;;) {
        if (waits >= ModelLoadWaitFrames) {
            break;
        }
        ++waits;
        if (Plugin.Settings.DebugMessages) {
            DrawStatusText();
            if (linePoint) {
                DrawDebugLineToPoint(*linePoint);
            } else {
                DrawDebugLineToEntity(lineEntity);
            }
        }
        scriptWait(0);
        if (HasModelLoaded(model)) {
            break;
        }
    }
    return waits < ModelLoadWaitFrames;
}

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

#include "traffic/model_wait.h"

#include "display/debug_lines.h"
#include "display/status_text.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "state/plugin_state.h"

bool WaitForModelLoad(ModelHash model, EntityHandle lineEntity, const Vec3* linePoint) {
    if (game::HasModelLoaded(model)) {
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
        // Asked again after every yield: the game loads models between frames.
        if (game::HasModelLoaded(model)) {
            break;
        }
    }
    return waits < ModelLoadWaitFrames;
}

// The host shows a drawn line for the current frame only, so a line stays on
// screen only while something draws it on every pass.
#include "display/debug_lines.h"

#include "host/natives.h"
#include "state/plugin_state.h"

// The colour is drawn anew for every line, so a line drawn on consecutive
// passes flickers through random colours.
void DrawDebugLineToEntity(EntityHandle entity) {
    int32_t r = game::GetRandomIntInRange(0, 255);
    int32_t g = game::GetRandomIntInRange(0, 255);
    int32_t b = game::GetRandomIntInRange(0, 255);
    Vec3 from = game::GetEntityPosition(Plugin.PlayerPed);
    Vec3 to = game::GetEntityPosition(entity);
    game::DrawLine(from.x, from.y, from.z, to.x, to.y, to.z, r, g, b, 255);
}

void DrawDebugLineToPoint(Vec3 point) {
    int32_t r = game::GetRandomIntInRange(0, 255);
    int32_t g = game::GetRandomIntInRange(0, 255);
    int32_t b = game::GetRandomIntInRange(0, 255);
    Vec3 from = game::GetEntityPosition(Plugin.PlayerPed);
    game::DrawLine(from.x, from.y, from.z, point.x, point.y, point.z, r, g, b, 255);
}

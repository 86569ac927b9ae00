// The status text and the debug lines.
//
// The host shows a drawn text or line for the current frame only, so a message
// stays on screen only while something draws it on every pass.
#include "display/status_text.h"

#include "host/natives.h"
#include "loop/plugin_state.h"

void SetStatusText(std::string& text) {
    Plugin.StatusText = text;
    text.clear();
}

void SetStatusText(const char* text) {
    Plugin.StatusText = text;
}

void DrawStatusText() {
    SetTextFont(0);
    SetTextScale(0.55f, 0.55f);
    SetTextColour(255, 255, 255, 255);
    SetTextWrap(0.0f, 1.0f);
    SetTextCentre(true);
    SetTextDropShadow(0, 0, 0, 0, 0);
    SetTextEdge(1, 0, 0, 0, 205);
    BeginTextEntry("STRING");
    AddTextComponentString(Plugin.StatusText.c_str());
    DrawText(0.5f, 0.5f);
}

// The colour is drawn anew for every line, so a line drawn on consecutive
// passes flickers through random colours.
void DrawDebugLineToEntity(EntityHandle entity) {
    int32_t r = GetRandomIntInRange(0, 255);
    int32_t g = GetRandomIntInRange(0, 255);
    int32_t b = GetRandomIntInRange(0, 255);
    Vec3 from = GetEntityPosition(Plugin.PlayerPed);
    Vec3 to = GetEntityPosition(entity);
    DrawLine(from.x, from.y, from.z, to.x, to.y, to.z, r, g, b, 255);
}

void DrawDebugLineToPoint(Vec3 point) {
    int32_t r = GetRandomIntInRange(0, 255);
    int32_t g = GetRandomIntInRange(0, 255);
    int32_t b = GetRandomIntInRange(0, 255);
    Vec3 from = GetEntityPosition(Plugin.PlayerPed);
    DrawLine(from.x, from.y, from.z, point.x, point.y, point.z, r, g, b, 255);
}

void RunStatusStep() {
    if (Plugin.Settings.DebugMessages != 0) {
        DrawStatusText();
    }
    if (Plugin.Settings.IniCheck == IniCheckValue) {
        SetStatusText("");
    } else {
        SetStatusText("Your INI file is poorly configured");
        DrawStatusText();
    }
}

// The host shows a drawn text for the current frame only, so a message
// stays on screen only while something draws it on every pass.
#include "display/status_text.h"

#include "host/natives.h"
#include "state/plugin_state.h"

void SetStatusText(const char* text) {
    Plugin.StatusText = text;
}

void SetStatusText(const char* text, const char* more) {
    // In place: a message as long as an earlier one needs no new room.
    Plugin.StatusText = text;
    Plugin.StatusText += more;
}

void SetStatusText(const char* text, const char* more, const char* last) {
    Plugin.StatusText = text;
    Plugin.StatusText += more;
    Plugin.StatusText += last;
}

void DrawStatusText() {
    game::SetTextFont(0);
    game::SetTextScale(0.55f, 0.55f);
    game::SetTextColour(255, 255, 255, 255);
    game::SetTextWrap(0.0f, 1.0f);
    game::SetTextCentre(true);
    game::SetTextDropShadow(0, 0, 0, 0, 0);
    game::SetTextEdge(1, 0, 0, 0, 205);
    game::BeginTextEntry("STRING");
    game::AddTextComponentString(Plugin.StatusText.c_str());
    game::DrawText(0.5f, 0.5f);
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

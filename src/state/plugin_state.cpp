#include "state/plugin_state.h"

PluginState Plugin;

void ResetToLoadState() {
    Plugin = PluginState{};
}

#include "loop/plugin_state.h"

PluginState Plugin;

void ResetToLoadState() {
    Plugin = PluginState{};
}

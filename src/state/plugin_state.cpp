#include "state/plugin_state.h"

PluginState Plugin;

namespace {

// The record as the library loads it, made once. Copying it back, rather than
// building a new record in place, keeps the lists' and strings' room (the
// copies are empty) and puts nothing large on the script fiber's small stack
// when a game reload restarts the script.
const PluginState LoadTimeState;

}  // namespace

void ResetToLoadState() {
    Plugin = LoadTimeState;
}

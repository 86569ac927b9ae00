// The entry from the host: registration on load and ScriptMain.
#include "loop/script_entry.h"

#include "config/model_lists.h"
#include "host/host_api.h"
#include "loop/tick_loop.h"
#include "state/plugin_state.h"

int LibraryEntryPoint(void* module, unsigned long reason) {
    const unsigned long ProcessDetach = 0;
    const unsigned long ProcessAttach = 1;
    if (reason == ProcessAttach) {
        ResetToLoadState();
        Plugin.Module = module;
        scriptRegister(module, ScriptMain);
    } else if (reason == ProcessDetach) {
        scriptUnregister(module);
    }
    return 1;
}

void ScriptMain() {
    // The host runs this again, on a new fiber, after every game reload: the
    // old fiber is dropped where it stood and the old world's entities are
    // gone, so every start is a fresh start, switched off, with empty lists.
    // Only the module handle, which the host keeps across reloads, stays.
    void* const module = Plugin.Module;
    ResetToLoadState();
    Plugin.Module = module;
    FillBuiltInModelLists();
    TickLoop();
}

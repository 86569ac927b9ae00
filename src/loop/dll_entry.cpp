// The library entry point the loader calls on process attach and detach, and
// the read-only export for the substitute host's summary.
#include "loop/dll_entry.h"

#include "loop/script_entry.h"
#include "state/plugin_state.h"

#ifdef _WIN32
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    return LibraryEntryPoint(module, reason);
}
#else
// The substitute host loads the plug-in as a shared library and calls this
// the way the Windows loader calls DllMain.
KORVANE_EXPORT int DllMain(void* module, unsigned long reason, void*) {
    return LibraryEntryPoint(module, reason);
}
#endif

void KorvaneTrackedLists(const int32_t** peds, int32_t* pedCount, const int32_t** vehicles,
                         int32_t* vehicleCount) {
    *peds = Plugin.TrackedPeds.data();
    *pedCount = static_cast<int32_t>(Plugin.TrackedPeds.size());
    *vehicles = Plugin.TrackedVehicles.data();
    *vehicleCount = static_cast<int32_t>(Plugin.TrackedVehicles.size());
}

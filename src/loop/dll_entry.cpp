// The library entry point the loader calls on process attach and detach, and
// one read-only export for the substitute host's summary.
#include <cstdint>

#include "loop/plugin_state.h"
#include "loop/tick_loop.h"

#ifdef _WIN32
#include <windows.h>
#define KORVANE_EXPORT extern "C" __declspec(dllexport)

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    return LibraryEntryPoint(module, reason);
}
#else
#define KORVANE_EXPORT extern "C" __attribute__((visibility("default")))

// The substitute host loads the plug-in as a shared library and calls this
// the way the Windows loader calls DllMain.
KORVANE_EXPORT int DllMain(void* module, unsigned long reason, void*) {
    return LibraryEntryPoint(module, reason);
}
#endif

// The tracked lists as they stand, for a host that wants to report on them
// between frames. The pointers are valid until the script runs again. The
// game's own host never calls it.
KORVANE_EXPORT void KorvaneTrackedLists(const int32_t** peds, int32_t* pedCount,
                                        const int32_t** vehicles, int32_t* vehicleCount) {
    *peds = Plugin.TrackedPeds.data();
    *pedCount = static_cast<int32_t>(Plugin.TrackedPeds.size());
    *vehicles = Plugin.TrackedVehicles.data();
    *vehicleCount = static_cast<int32_t>(Plugin.TrackedVehicles.size());
}

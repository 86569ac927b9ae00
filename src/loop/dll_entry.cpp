// The library entry point the loader calls on process attach and detach.
#include "loop/tick_loop.h"

#ifdef _WIN32
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    return LibraryEntryPoint(module, reason);
}
#else
// The substitute host loads the plug-in as a shared library and calls this
// the way the Windows loader calls DllMain.
extern "C" __attribute__((visibility("default"))) int DllMain(void* module, unsigned long reason,
                                                              void*) {
    return LibraryEntryPoint(module, reason);
}
#endif

// What the library exports: its entry point for the loader, and one
// read-only view for a host that reports on the plug-in.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define KORVANE_EXPORT extern "C" __declspec(dllexport)
#else
// The rest of the library is built with hidden visibility, as a Windows DLL
// exports only what it names.
#define KORVANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The tracked lists as they stand, for a host that wants to report on them
// between frames. The pointers are valid until the script runs again. The
// game's own host never calls it.
KORVANE_EXPORT void KorvaneTrackedLists(const int32_t** peds, int32_t* pedCount,
                                        const int32_t** vehicles, int32_t* vehicleCount);

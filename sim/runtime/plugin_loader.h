// Loading the plug-in the way the game does: a shared library on Linux whose
// DllMain the host calls, LoadLibrary of the .asi on Windows (where the loader
// runs DllMain). Each load starts the plug-in from its load-time state.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct LoadedPlugin {
    void* library = nullptr;  // dlopen handle or HMODULE
    std::string path;
};

// Where the plug-in lies by default: beside the running program, as
// Korvane.so on Linux and Korvane.asi on Windows.
std::string DefaultPluginPath();

// Loads the plug-in and runs its process attach, in which it registers its
// script. On Windows its import of GetAsyncKeyState is then pointed at the
// host's scripted key state, since the plug-in reads keys only from its script.
bool LoadPlugin(const std::string& path, LoadedPlugin* plugin, std::string* error);

// The plug-in's read-only view of its tracked lists, null when it has none.
using TrackedListsExport = void (*)(const int32_t** peds, int32_t* pedCount,
                                    const int32_t** vehicles, int32_t* vehicleCount);
TrackedListsExport FindTrackedListsExport(const LoadedPlugin& plugin);

// What the export shows at this moment; empty lists when there is no export.
struct TrackedListsView {
    const int32_t* peds = nullptr;
    int32_t pedCount = 0;
    const int32_t* vehicles = nullptr;
    int32_t vehicleCount = 0;
};
inline TrackedListsView ReadTrackedLists(TrackedListsExport lists) {
    TrackedListsView view;
    if (lists != nullptr) {
        lists(&view.peds, &view.pedCount, &view.vehicles, &view.vehicleCount);
    }
    return view;
}

// Runs the plug-in's process detach, tears its script down and unloads it.
void UnloadPlugin(LoadedPlugin* plugin);

}  // namespace sim

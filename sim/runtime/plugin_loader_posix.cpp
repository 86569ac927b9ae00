#ifndef _WIN32

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "sim/runtime/host_runtime.h"
#include "sim/runtime/plugin_loader.h"

namespace sim {

namespace {

// The plug-in's entry point, called the way the Windows loader calls it.
using EntryPoint = int (*)(void* module, unsigned long reason, void* reserved);
const unsigned long ProcessDetach = 0;
const unsigned long ProcessAttach = 1;

EntryPoint FindEntryPoint(void* library) {
    return reinterpret_cast<EntryPoint>(dlsym(library, "DllMain"));
}

}  // namespace

std::string DefaultPluginPath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "Korvane.so";
    }
    return (self.parent_path() / "Korvane.so").string();
}

bool LoadPlugin(const std::string& path, LoadedPlugin* plugin, std::string* error) {
    // Every host function must resolve now, not at the plug-in's first call.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        *error = std::string("cannot load the plug-in: ") + dlerror();
        return false;
    }
    EntryPoint entry = FindEntryPoint(library);
    if (entry == nullptr) {
        *error = "the plug-in " + path + " has no DllMain";
        dlclose(library);
        return false;
    }
    plugin->library = library;
    plugin->path = path;
    entry(library, ProcessAttach, nullptr);
    return true;
}

TrackedListsExport FindTrackedListsExport(const LoadedPlugin& plugin) {
    return reinterpret_cast<TrackedListsExport>(dlsym(plugin.library, "KorvaneTrackedLists"));
}

void UnloadPlugin(LoadedPlugin* plugin) {
    if (plugin->library == nullptr) {
        return;
    }
    EntryPoint entry = FindEntryPoint(plugin->library);
    entry(plugin->library, ProcessDetach, nullptr);
    // The script's frames hold the plug-in's code and data: unwind them
    // before the library goes.
    StopScript();
    dlclose(plugin->library);
    plugin->library = nullptr;
}

}  // namespace sim

#endif  // !_WIN32

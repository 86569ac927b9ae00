#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "sim/runtime/host_runtime.h"
#include "sim/runtime/key_state.h"
#include "sim/runtime/plugin_loader.h"

namespace sim {

namespace {

std::string LastErrorText() {
    DWORD code = GetLastError();
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = "error " + std::to_string(code);
    if (text != nullptr) {
        result += ": ";
        result += text;
        LocalFree(text);
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) {
            result.pop_back();
        }
    }
    return result;
}

// Points the module's import of `function` from `dll` at `replacement` by
// rewriting its slot in the import address table. False if the module does
// not import it.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return false;
    }
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) {
            continue;
        }
        DWORD lookup = descriptor->OriginalFirstThunk != 0 ? descriptor->OriginalFirstThunk
                                                           : descriptor->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) {
                continue;
            }
            DWORD oldProtection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &oldProtection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtection,
                           &oldProtection);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string DefaultPluginPath() {
    wchar_t self[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, self, sizeof self / sizeof self[0]);
    if (length == 0) {
        return "Korvane.asi";
    }
    return (std::filesystem::path(self).parent_path() / "Korvane.asi").string();
}

bool LoadPlugin(const std::string& path, LoadedPlugin* plugin, std::string* error) {
    // The loader runs the plug-in's DllMain, which registers its script.
    HMODULE module = LoadLibraryW(std::filesystem::path(path).wstring().c_str());
    if (module == nullptr) {
        *error = "cannot load the plug-in " + path + " (" + LastErrorText() + ")";
        return false;
    }
    plugin->library = module;
    plugin->path = path;
    // There is no keyboard to read here: the plug-in gets the scripted keys.
    if (!PatchImport(module, "USER32.dll", "GetAsyncKeyState",
                     reinterpret_cast<void*>(&HostGetAsyncKeyState))) {
        std::fprintf(stderr,
                     "korvane-sim: warning: %s does not import GetAsyncKeyState from USER32; "
                     "scripted keys cannot reach it\n",
                     path.c_str());
    }
    return true;
}

TrackedListsExport FindTrackedListsExport(const LoadedPlugin& plugin) {
    return reinterpret_cast<TrackedListsExport>(reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(plugin.library), "KorvaneTrackedLists")));
}

void UnloadPlugin(LoadedPlugin* plugin) {
    if (plugin->library == nullptr) {
        return;
    }
    // FreeLibrary runs the plug-in's process detach. The script's fiber is
    // then dropped without running any more of its code.
    FreeLibrary(static_cast<HMODULE>(plugin->library));
    StopScript();
    plugin->library = nullptr;
}

}  // namespace sim

#endif  // _WIN32

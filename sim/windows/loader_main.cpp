// korvane-sim.exe: loads the substitute ScriptHookV.dll from beside itself
// and runs its SimMain, which loads Korvane.asi and drives the frames. The
// plug-in then binds to the host functions of the very DLL loaded here.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using SimMainFunction = int (*)(int argc, char** argv);

std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    }
    return result;
}

std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, self, sizeof self / sizeof self[0]);
    std::wstring path(self, length);
    size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dll = BesideThisProgram(L"ScriptHookV.dll");
    HMODULE host = LoadLibraryW(dll.c_str());
    if (host == nullptr) {
        std::fprintf(stderr, "korvane-sim: cannot load %s (error %lu)\n", Utf8(dll.c_str()).c_str(),
                     GetLastError());
        return 2;
    }
    // Through void*: GetProcAddress's own type says nothing of the function's.
    void* address = reinterpret_cast<void*>(GetProcAddress(host, "SimMain"));
    auto simMain = reinterpret_cast<SimMainFunction>(address);
    if (simMain == nullptr) {
        std::fprintf(stderr, "korvane-sim: ScriptHookV.dll has no SimMain\n");
        return 2;
    }
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    int status = simMain(argc, pointers.data());
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}

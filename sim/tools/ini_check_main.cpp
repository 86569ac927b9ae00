// korvane-ini-check: tells a player what the game will make of a settings
// file. Exit status 0 when the file reads whole and INI Check is 1234, 1
// otherwise.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "sim/checker/ini_check.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The folder the program file sits in.
std::string ProgramFolder() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    DWORD size = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (size == 0 || size == MAX_PATH) {
        return "";
    }
    return std::filesystem::path(buffer).parent_path().string();
#else
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? "" : self.parent_path().string();
#endif
}

// True when Windows made a console just for this program: it was started by
// a double-click or a file dropped on it, and its window closes at its end.
bool StartedOutsideAConsole() {
#ifdef _WIN32
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = checker::RunIniCheck(args, std::cout, std::cerr, ProgramFolder());
    if (StartedOutsideAConsole()) {
        std::cout << "\nPress Enter to close" << std::flush;
        std::string line;
        std::getline(std::cin, line);
    }
    return status;
}

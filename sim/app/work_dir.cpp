#include "sim/app/work_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sim {

namespace {

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace

bool EnterFreshWorkingDirectory(WorkingDirectory* dir, std::string* error) {
    std::error_code ec;
    dir->previous = std::filesystem::current_path(ec);
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        *error = "no temporary directory: " + ec.message();
        return false;
    }
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::filesystem::path candidate =
            base / ("korvane-sim-" + std::to_string(ProcessId()) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate, ec)) {
            dir->path = candidate;
            std::filesystem::current_path(candidate, ec);
            if (ec) {
                *error = "cannot enter " + candidate.string() + ": " + ec.message();
                return false;
            }
            return true;
        }
        if (ec) {
            *error = "cannot create a directory in " + base.string() + ": " + ec.message();
            return false;
        }
    }
    *error = "no free directory name in " + base.string();
    return false;
}

bool PlaceFile(const WorkingDirectory& dir, const std::string& source, const std::string& name,
               std::string* error) {
    std::error_code ec;
    std::filesystem::copy_file(source, dir.path / name,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        *error = "cannot copy " + source + " to the run's " + name + ": " + ec.message();
        return false;
    }
    return true;
}

void LeaveWorkingDirectory(const WorkingDirectory& dir) {
    std::error_code ec;
    if (!dir.previous.empty()) {
        std::filesystem::current_path(dir.previous, ec);
    }
    if (!dir.path.empty()) {
        std::filesystem::remove_all(dir.path, ec);
    }
}

}  // namespace sim

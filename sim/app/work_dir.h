// A fresh, empty working directory for one run: the plug-in opens its
// settings files by relative name, so each run gets its own.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

struct WorkingDirectory {
    std::filesystem::path previous;
    std::filesystem::path path;
};

// Creates a new directory under the system's temporary directory and makes it
// the current one.
bool EnterFreshWorkingDirectory(WorkingDirectory* dir, std::string* error);

// Copies `source` into the working directory as `name`.
bool PlaceFile(const WorkingDirectory& dir, const std::string& source, const std::string& name,
               std::string* error);

// Returns to the previous directory and removes the run's directory.
void LeaveWorkingDirectory(const WorkingDirectory& dir);

}  // namespace sim

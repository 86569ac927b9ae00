// Runs a test inside a fresh temporary working directory, since the plug-in
// opens its settings files by relative name.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempWorkingDirectory {
public:
    TempWorkingDirectory() {
        previous_ = std::filesystem::current_path();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        std::filesystem::current_path(path_);
    }
    ~TempWorkingDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempWorkingDirectory(const TempWorkingDirectory&) = delete;
    TempWorkingDirectory& operator=(const TempWorkingDirectory&) = delete;

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// What every fuzz target shares: a world with the model catalogue attached to
// the substitute host (the readers ask it about model names), a working
// directory of its own for the files the readers open, and the stop on a
// broken invariant.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/runtime/host_runtime.h"
#include "sim/world/world.h"

namespace fuzz_host {

inline std::string& Folder() {
    static std::string folder;
    return folder;
}

inline void RemoveFolder() {
    for (const char* name : {"Korvane.ini", "palvenorhub.ini"}) {
        std::remove((Folder() + "/" + name).c_str());
    }
    rmdir(Folder().c_str());
}

// The files are written for every input: in memory where the system allows.
inline void Start() {
    static sim::World world;
    sim::LoadModelCatalogue(world);
    sim::AttachWorld(&world);
    sim::KeepTraceInMemory(false);
    char inMemory[] = "/dev/shm/korvane-fuzz-XXXXXX";
    char onDisk[] = "/tmp/korvane-fuzz-XXXXXX";
    const char* folder = mkdtemp(inMemory);
    if (folder == nullptr) {
        folder = mkdtemp(onDisk);
    }
    if (folder == nullptr || chdir(folder) != 0) {
        std::perror("korvane fuzz: cannot make a working directory");
        std::exit(1);
    }
    Folder() = folder;
    std::atexit(RemoveFolder);
}

// A broken invariant is a finding: libFuzzer keeps the input that caused it.
inline void Require(const std::string& failure) {
    if (!failure.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", failure.c_str());
        std::abort();
    }
}

}  // namespace fuzz_host

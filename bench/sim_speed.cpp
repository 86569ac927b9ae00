// The simulator as players and tests run it: korvane-sim as a process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/resource.h>

#include "bench/bench.h"

namespace bench {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Counts the lines of a file and its size.
void CountLines(const std::string& path, int64_t* lines, int64_t* bytes) {
    *lines = 0;
    *bytes = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return;
    }
    static char block[1 << 16];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        *bytes += static_cast<int64_t>(got);
        for (size_t i = 0; i < got; ++i) {
            *lines += block[i] == '\n' ? 1 : 0;
        }
    }
    std::fclose(file);
}

// User and system time of the children waited for (the shell and the
// simulator it ran).
double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace

SimRun RunSimulator(const std::string& sim, const std::string& scenario, int frames,
                    const std::string& traceDir) {
    SimRun run;
    std::string command = Quoted(sim) + " --scenario " + Quoted(scenario) + " --frames " +
                          std::to_string(frames) + " --seed 1 --quiet";
    const std::string trace = traceDir.empty() ? "" : traceDir + "/bench-trace.jsonl";
    if (!trace.empty()) {
        command += " --trace " + Quoted(trace);
    }
    command += " > /dev/null";
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto end = std::chrono::steady_clock::now();
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    run.ok = status == 0;
    if (!trace.empty()) {
        CountLines(trace, &run.traceEntries, &run.traceBytes);
        std::error_code ignored;
        std::filesystem::remove(trace, ignored);
    }
    return run;
}

}  // namespace bench

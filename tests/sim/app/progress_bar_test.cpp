// The progress bar of a long run: its line, when it shows, and korvane-sim
// showing it on a terminal only.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/app/progress_bar.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

struct LineCase {
    int done;
    int total;
    double elapsed;
    const char* line;
};

TEST(ProgressLine, TellsFramesPercentRateAndTimeLeft) {
    const LineCase cases[] = {
        {24000, 72000, 3.0,
         "[######..............]  24000/72000 frames  33%  8000 frames/s  0:06 left"},
        {72000, 72000, 9.0,
         "[####################]  72000/72000 frames  100%  8000 frames/s  0:00 left"},
        {0, 72000, 0.0, "[....................]  0/72000 frames  0%  0 frames/s  -:-- left"},
        {1000, 10000000, 1.0,
         "[....................]  1000/10000000 frames  0%  1000 frames/s  2:46:39 left"},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(sim::ProgressLine(c.done, c.total, c.elapsed), c.line);
        EXPECT_LE(sim::ProgressLine(c.done, c.total, c.elapsed).size(), 79u);
    }
}

// Runs a bar over `total` frames taking `secondsPerFrame` each, on a fake
// clock; returns what it wrote.
std::string Bar(int total, double secondsPerFrame, bool enabled) {
    std::FILE* out = std::tmpfile();
    double now = 100.0;
    int done = 0;
    {
        sim::ProgressBar bar(total, enabled, out, [&] { return now + done * secondsPerFrame; });
        for (done = 1; done <= total; ++done) {
            bar.Update(done);
        }
        done = total;
        bar.Finish();
    }
    std::string text(static_cast<size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    return text;
}

TEST(ProgressBar, ShowsOnlyForRunsLongerThanTwoSecondsAndTakesItselfOff) {
    EXPECT_EQ(Bar(3000, 0.0005, true), "") << "a run of 1.5 s";
    const std::string slow = Bar(3000, 0.001, true);  // 3 s
    ASSERT_NE(slow.find("\r["), std::string::npos) << slow;
    EXPECT_NE(slow.find("3000/3000 frames  100%  1000 frames/s  0:00 left"), std::string::npos)
        << "the last frame is shown";
    // It shows once the pace says the run will be long, before two seconds
    // have passed (2000 frames).
    const size_t first = slow.find("]  ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(std::stoi(slow.substr(first + 3)), 2000) << slow;
    EXPECT_EQ(slow.substr(slow.size() - 81), "\r" + std::string(79, ' ') + "\r");
    EXPECT_EQ(Bar(3000, 0.001, false), "") << "with --quiet or no terminal";
}

// Runs korvane-sim with standard error (and output) on a new terminal;
// returns everything it wrote there.
std::string OnTerminal(const std::string& args) {
    int terminal = -1;
    const std::string command =
        std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH + " " + args;
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("KORVANE_PROGRESS_AFTER", "0", 1);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string text;
    char chunk[4096];
    for (;;) {
        pollfd fd{terminal, POLLIN, 0};
        if (poll(&fd, 1, 60000) <= 0) {
            break;
        }
        ssize_t n = read(terminal, chunk, sizeof chunk);
        if (n <= 0) {
            break;  // the other end closed with the program
        }
        text.append(chunk, static_cast<size_t>(n));
    }
    close(terminal);
    int status = 0;
    waitpid(pid, &status, 0);
    return text;
}

TEST(ProgressBar, KorvaneSimShowsItOnATerminalOnly) {
    TempWorkingDirectory dir;
    const std::string town = std::string(KORVANE_SOURCE_DIR) + "/sim/scenarios/town.json";
    const std::string args = "--scenario " + town + " --frames 2000 --seed 1";

    const std::string terminal = OnTerminal(args);
    EXPECT_NE(terminal.find("/2000 frames"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("frames/s"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("Korvane in the simulated world"), std::string::npos) << terminal;

    // (A sanitizer build may say something of its own there.)
    const std::string quiet = OnTerminal(args + " --quiet");
    EXPECT_EQ(quiet.find("frames/s"), std::string::npos) << quiet;
    EXPECT_EQ(quiet.find("Korvane in the simulated world"), std::string::npos) << quiet;

    setenv("KORVANE_PROGRESS_AFTER", "0", 1);
    CommandResult piped =
        RunCommand(std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH + " " + args,
                   (dir.Path() / "out.txt").string(), (dir.Path() / "err.txt").string());
    unsetenv("KORVANE_PROGRESS_AFTER");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err.find("frames/s"), std::string::npos)
        << "standard error is a file, not a terminal: " << piped.err;
    EXPECT_NE(piped.out.find("Korvane in the simulated world"), std::string::npos);
}

}  // namespace

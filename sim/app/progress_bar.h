// The one-line progress bar of a long run: frames done, percent, frames a
// second and the time left, redrawn in place on standard error.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace sim {

// Whether a run should show its progress: not with --quiet, and only when
// standard error is a terminal.
bool ProgressBarWanted(bool quiet);

// How long a run must last before it shows the bar: 2 seconds, or the
// KORVANE_PROGRESS_AFTER environment variable's number of seconds.
double ProgressBarDelaySeconds();

// The bar's line for `done` of `total` frames after `elapsedSeconds`, at most
// 79 characters, e.g.
//   [########............]  24000/72000 frames  33%  7950 frames/s  0:06 left
std::string ProgressLine(int done, int total, double elapsedSeconds);

class ProgressBar {
public:
    using Clock = std::function<double()>;  // seconds since any fixed moment

    // Shows nothing unless `enabled`. The bar appears once the run is seen
    // to last longer than `showAfterSeconds` in all.
    ProgressBar(int total, bool enabled, std::FILE* out = stderr, Clock clock = SteadyClock(),
                double showAfterSeconds = 2.0);

    // After each frame.
    void Update(int done);
    // Takes the bar off the line, leaving the cursor at its start.
    void Finish();

    bool Shown() const { return shown_; }

    static Clock SteadyClock();

private:
    void Draw(int done, double elapsed);

    int total_;
    bool enabled_;
    std::FILE* out_;
    Clock clock_;
    double showAfter_;
    double start_ = 0.0;
    double lastDrawn_ = 0.0;
    bool shown_ = false;
};

}  // namespace sim

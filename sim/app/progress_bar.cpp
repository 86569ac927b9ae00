#include "sim/app/progress_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sim {

namespace {

const int BarWidth = 20;
const size_t LineWidth = 79;
const int FramesBetweenLooks = 32;     // the clock is read this seldom
const double RedrawSeconds = 0.2;      // and the line redrawn at most this often
const double JudgeAfterSeconds = 0.5;  // how long the run is judged from

std::string Duration(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

}  // namespace

bool ProgressBarWanted(bool quiet) {
#ifdef _WIN32
    return !quiet && _isatty(_fileno(stderr)) != 0;
#else
    return !quiet && isatty(fileno(stderr)) != 0;
#endif
}

double ProgressBarDelaySeconds() {
    const char* text = std::getenv("KORVANE_PROGRESS_AFTER");
    if (text == nullptr || *text == '\0') {
        return 2.0;
    }
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return end != text && seconds >= 0.0 ? seconds : 2.0;
}

std::string ProgressLine(int done, int total, double elapsedSeconds) {
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / total, 0.0, 1.0) : 1.0;
    const int filled = static_cast<int>(fraction * BarWidth);
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const std::string left = rate > 0.0 ? Duration((total - done) / rate) : std::string("-:--");
    char text[160];
    std::snprintf(text, sizeof text, "[%s%s]  %d/%d frames  %d%%  %.0f frames/s  %s left",
                  std::string(static_cast<size_t>(filled), '#').c_str(),
                  std::string(static_cast<size_t>(BarWidth - filled), '.').c_str(), done, total,
                  static_cast<int>(fraction * 100.0), rate, left.c_str());
    std::string line = text;
    return line.size() > LineWidth ? line.substr(0, LineWidth) : line;
}

ProgressBar::Clock ProgressBar::SteadyClock() {
    return [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
}

ProgressBar::ProgressBar(int total, bool enabled, std::FILE* out, Clock clock,
                         double showAfterSeconds)
    : total_(total),
      enabled_(enabled && total > 0),
      out_(out),
      clock_(std::move(clock)),
      showAfter_(showAfterSeconds) {
    if (enabled_) {
        start_ = clock_();
    }
}

void ProgressBar::Update(int done) {
    if (!enabled_ || (done % FramesBetweenLooks != 0 && done != total_)) {
        return;
    }
    const double now = clock_();
    const double elapsed = now - start_;
    if (!shown_) {
        // Shown as soon as the run is seen to last longer than the limit: at
        // once past it, or earlier when the pace so far says it will.
        const bool judged = elapsed >= JudgeAfterSeconds && done > 0;
        const bool longRun =
            elapsed >= showAfter_ || (judged && elapsed * total_ / done > showAfter_);
        if (!longRun) {
            return;
        }
        shown_ = true;
    } else if (now - lastDrawn_ < RedrawSeconds && done != total_) {
        return;
    }
    lastDrawn_ = now;
    Draw(done, elapsed);
}

void ProgressBar::Draw(int done, double elapsed) {
    std::string line = ProgressLine(done, total_, elapsed);
    line.resize(LineWidth, ' ');
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
}

void ProgressBar::Finish() {
    if (!shown_) {
        return;
    }
    std::fprintf(out_, "\r%s\r", std::string(LineWidth, ' ').c_str());
    std::fflush(out_);
    shown_ = false;
}

}  // namespace sim

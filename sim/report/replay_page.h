// The replay page: one self-contained HTML file (script, style and the run's
// data inline, nothing fetched) that shows a recorded run in a browser. The
// page itself is sim/replay/replay.html, built into the host; the data goes
// where it holds the placeholder.
#pragma once

#include <string>

#include "sim/report/replay_recorder.h"
#include "sim/report/summary.h"
#include "sim/world/world.h"

namespace sim {

// What the page tells of the run besides the recording.
struct ReplayRunInfo {
    std::string scenarioPath;    // as given on the command line
    std::string iniPath;         // the file placed as Korvane.ini, empty for none
    std::string siblingIniPath;  // the file placed as palvenorhub.ini, empty for none
    std::string summary;         // the summary as korvane-sim prints it
};

// The page's data: one JSON object (see docs/replay.md). Every '<' is
// written as \u003c, so that the text can stand inside a script element.
std::string ReplayDataJson(const ReplayRecorder& recorder, const World& world,
                           const RunReport& report, const ReplayRunInfo& info);

// The page with `dataJson` put in.
std::string ReplayPage(const std::string& dataJson);

// The template the page is made from.
extern const char* const ReplayPageTemplate;

}  // namespace sim

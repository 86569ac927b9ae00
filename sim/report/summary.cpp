#include "sim/report/summary.h"

#include "korvane_version.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "sim/chaos/chaos.h"

namespace sim {

namespace {

const size_t StatusTextsShown = 15;

void Line(std::ostream& out, const char* label, const std::string& value) {
    char head[48];
    std::snprintf(head, sizeof head, "  %-25s", label);
    out << head << value << '\n';
}

// A drawn text may hold line breaks; the summary shows them as \n.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        line += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return line;
}

std::string Count(int n) {
    return std::to_string(n);
}

std::string ByType(const std::map<std::string, int>& byType) {
    int total = 0;
    std::string parts;
    for (const auto& [type, n] : byType) {
        total += n;
        parts += (parts.empty() ? "" : ", ") + type + " " + std::to_string(n);
    }
    return total == 0 ? "0" : std::to_string(total) + " (" + parts + ")";
}

std::string GameTime(const World& world, int frames) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f s of game time",
                  static_cast<double>(frames) * world.frameTimeMs / 1000.0);
    return text;
}

void StatusTexts(const World& world, std::ostream& out) {
    std::vector<std::pair<std::string, int>> texts(world.stats.statusTexts.begin(),
                                                   world.stats.statusTexts.end());
    if (texts.empty()) {
        Line(out, "Status texts drawn", "none");
        return;
    }
    std::stable_sort(texts.begin(), texts.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    out << "  Status texts drawn (times, text):\n";
    for (size_t i = 0; i < texts.size() && i < StatusTextsShown; ++i) {
        char count[32];
        std::snprintf(count, sizeof count, "    %8d  ", texts[i].second);
        out << count << '"' << OneLine(texts[i].first) << "\"\n";
    }
    if (texts.size() > StatusTextsShown) {
        out << "    ... and " << texts.size() - StatusTextsShown << " other texts\n";
    }
}

}  // namespace

void PrintSummary(const World& world, const RunReport& report, std::ostream& out) {
    const WorldStats& stats = world.stats;
    out << "Korvane in the simulated world\n";
    Line(out, "Version", KORVANE_VERSION);
    Line(out, "Scenario", report.scenario + ", seed " + std::to_string(report.seed));
    Line(out, "Frames",
         Count(report.framesRun) + " of " + Count(report.framesRequested) + " (" +
             GameTime(world, report.framesRun) + ")");
    std::string script = !report.registered      ? "never registered"
                         : report.scriptReturned ? "registered; its script returned"
                                                 : "registered; running at the end";
    Line(out, "Plug-in", script);
    Line(out, "Script restarts", Count(static_cast<int>(stats.scriptRestarts.size())));
    Line(out, "Deepest script stack", std::to_string(report.deepestScriptStack) + " bytes");

    out << "What the plug-in did:\n";
    Line(out, "Vehicles created", ByType(stats.vehiclesCreatedByType));
    Line(out, "Replacements", ByType(stats.replacementsByType));
    Line(out, "Road-node spawns", ByType(stats.nodeSpawnsByType));
    Line(out, "Vehicles deleted", Count(stats.vehiclesDeleted));
    Line(out, "Peds created", Count(stats.pedsCreated));
    Line(out, "Peds adopted", Count(stats.pedsAdopted));
    Line(out, "Peds deleted", Count(stats.pedsDeleted));
    Line(out, "Entities released", Count(stats.entitiesReleased));
    Line(out, "Plates written", Count(stats.platesWritten));
    Line(out, "Parachutes given", Count(stats.parachutesGiven));
    Line(out, "Aircraft tasks", Count(stats.aircraftTasks));
    Line(out, "Rockets fired", Count(stats.rocketsFired));
    Line(out, "Largest TrackedPeds", Count(stats.largestTrackedPeds));
    Line(out, "Largest TrackedVehicles", Count(stats.largestTrackedVehicles));
    StatusTexts(world, out);
    Line(out, "Native calls", Count(stats.nativeCalls));

    out << "What the world did:\n";
    Line(out, "Ambient vehicles", Count(stats.ambientVehiclesSpawned) + " spawned");
    Line(out, "Ambient peds", Count(stats.ambientPedsSpawned) + " spawned");
    Line(out, "Cleaned up", Count(stats.entitiesCleanedUp) + " entities far from the player");
    Line(out, "Parachute landings", Count(stats.parachuteLandings));
    Line(out, "Fatal falls", Count(stats.fatalFalls));
    Line(out, "In the world now",
         Count(CountEntities(world, EntityKind::Vehicle)) + " vehicles, " +
             Count(CountEntities(world, EntityKind::Ped)) + " peds");

    PrintChaosSummary(world, out);

    if (!report.hostError.empty()) {
        out << "The run FAILED: " << report.hostError << '\n';
    }
}

}  // namespace sim

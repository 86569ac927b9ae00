#include "sim/app/runner.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "korvane_version.h"
#include "sim/chaos/chaos.h"
#include "sim/runtime/host_runtime.h"
#include "sim/runtime/plugin_loader.h"
#include "sim/app/progress_bar.h"
#include "sim/report/replay_page.h"
#include "sim/report/replay_recorder.h"
#include "sim/scenario/scenario.h"
#include "sim/report/summary.h"
#include "sim/app/work_dir.h"
#include "sim/world/world.h"

namespace sim {

namespace {

const int DefaultFrames = 3600;  // one minute at 60 frames a second

struct Options {
    std::string scenario;
    int frames = -1;
    uint64_t seed = 1;
    std::string ini;
    std::string siblingIni;
    std::string trace;
    std::string plugin;
    std::string html;
    bool quiet = false;
    double chaos = -1.0;  // the scenario's rate when not given
    std::vector<int> restartAt;
};

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

int SetupFailure(const std::string& message) {
    std::fprintf(stderr, "korvane-sim: %s\n", message.c_str());
    return 2;
}

// Notes how large the plug-in's tracked lists have grown, and which peds of
// the world's own it has taken into its care.
void ObserveTrackedLists(World& world, TrackedListsExport lists) {
    if (lists == nullptr) {
        return;
    }
    const TrackedListsView view = ReadTrackedLists(lists);
    WorldStats& stats = world.stats;
    stats.largestTrackedPeds = std::max(stats.largestTrackedPeds, static_cast<int>(view.pedCount));
    stats.largestTrackedVehicles =
        std::max(stats.largestTrackedVehicles, static_cast<int>(view.vehicleCount));
    if (ChaosOn(world)) {
        NoteGoneTrackedEntries(world, view);
    }
    for (int32_t i = 0; i < view.pedCount; ++i) {
        Entity* ped = FindEntity(world, view.peds[i]);
        if (ped != nullptr && !ped->createdByScript && ped->handle != world.playerPed &&
            !ped->adopted) {
            ped->adopted = true;
            ++stats.pedsAdopted;
        }
    }
}

// A game reload as the script sees it: the world of the scenario's start
// again, with handles that go on counting up (so that no old handle names a
// new entity) and time that goes on. The host's and the run's records go on
// too: the frame, the timer, the keys held, chaos, the statistics and the
// restart schedule. After a restart by chaos the player switches Korvane on
// again: the scenario's key schedule plays once more from the restart frame.
void RebuildWorld(World& world, const Options& options, bool byChaos) {
    World fresh;
    LoadModelCatalogue(fresh);
    SeedWorld(fresh, options.seed);
    fresh.nextHandle = world.nextHandle;
    std::string error;
    if (!LoadScenario(options.scenario, fresh, &error)) {
        // Loaded once already; a file changed under the run keeps the world.
        std::fprintf(stderr, "korvane-sim: cannot load the scenario again: %s\n", error.c_str());
        return;
    }
    fresh.frame = world.frame;
    fresh.timerAStartMs = world.timerAStartMs;
    fresh.nextShapeTest = world.nextShapeTest;
    fresh.keysDown = world.keysDown;
    fresh.scriptRestartFrames = world.scriptRestartFrames;
    fresh.chaos = std::move(world.chaos);
    fresh.chaos.freedHandles.clear();
    fresh.chaos.playerNeedsCar = false;
    fresh.stats = std::move(world.stats);
    fresh.scenario = world.scenario;
    if (byChaos) {
        std::vector<KeyEvent> again = fresh.keyEvents;
        for (KeyEvent& event : again) {
            event.frame += world.frame;
        }
        fresh.keyEvents.insert(fresh.keyEvents.end(), again.begin(), again.end());
        std::stable_sort(fresh.keyEvents.begin(), fresh.keyEvents.end(),
                         [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
    }
    world = std::move(fresh);
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Runs the frames with the plug-in loaded; fills the report. `afterFrame`
// is told the number of frames run after each.
void RunFrames(RunReport& report, World& world, TrackedListsExport lists,
               const std::function<void(int)>& afterFrame) {
    if (RegisteredScriptMain() == nullptr) {
        report.hostError = "the plug-in registered no script";
        std::fprintf(stderr, "korvane-sim: %s\n", report.hostError.c_str());
        return;
    }
    report.registered = true;
    StartScript(RegisteredScriptMain());
    while (report.framesRun < report.framesRequested) {
        ++report.framesRun;
        if (!RunFrame()) {
            break;
        }
        ObserveTrackedLists(world, lists);
        afterFrame(report.framesRun);
    }
    report.scriptReturned = ScriptFinished();
}

int Run(const Options& options) {
    World world;
    LoadModelCatalogue(world);
    SeedWorld(world, options.seed);
    std::string error;
    if (!LoadScenario(options.scenario, world, &error)) {
        return SetupFailure("cannot load the scenario " + options.scenario + ": " + error);
    }

    if (options.chaos >= 0.0) {
        world.chaos.rate = options.chaos;
    }
    for (int frame : options.restartAt) {
        AddScriptRestart(world, frame);
    }

    RunReport report;
    report.scenario = options.scenario;
    report.seed = options.seed;
    report.framesRequested = options.frames >= 0         ? options.frames
                             : world.scenario.frames > 0 ? world.scenario.frames
                                                         : DefaultFrames;

    // Everything named on the command line is found before the run moves
    // into its own working directory.
    std::string ini = !options.ini.empty() ? Absolute(options.ini) : world.scenario.iniPath;
    std::string siblingIni = options.siblingIni.empty() ? "" : Absolute(options.siblingIni);
    std::string plugin = Absolute(options.plugin.empty() ? DefaultPluginPath() : options.plugin);
    const std::string html = options.html.empty() ? "" : Absolute(options.html);
    if (!html.empty() && !WriteFile(html, "")) {
        return SetupFailure("cannot write the page file " + options.html);
    }
    if (!options.trace.empty() && !OpenTraceFile(Absolute(options.trace))) {
        return SetupFailure("cannot write the trace file " + options.trace);
    }

    WorkingDirectory dir;
    if (!EnterFreshWorkingDirectory(&dir, &error) ||
        (!ini.empty() && !PlaceFile(dir, ini, "Korvane.ini", &error)) ||
        (!siblingIni.empty() && !PlaceFile(dir, siblingIni, "palvenorhub.ini", &error))) {
        LeaveWorkingDirectory(dir);
        CloseTraceFile();
        return SetupFailure(error);
    }

    AttachWorld(&world);
    KeepTraceInMemory(false);
    InstallChaos(world);
    LoadedPlugin loaded;
    if (!LoadPlugin(plugin, &loaded, &error)) {
        AttachWorld(nullptr);
        LeaveWorkingDirectory(dir);
        CloseTraceFile();
        return SetupFailure(error);
    }
    SetWorldRebuilder([&options](World& w, bool byChaos) { RebuildWorld(w, options, byChaos); });
    world.chaos.heldLists = FindTrackedListsExport(loaded);
    const TrackedListsExport lists = world.chaos.heldLists;
    std::unique_ptr<ReplayRecorder> replay;
    if (!html.empty()) {
        replay = std::make_unique<ReplayRecorder>(lists);
        replay->Start(world);
        SetScriptTurnObserver([&replay](const World& w) { replay->AfterScriptTurn(w); });
    }
    ProgressBar progress(report.framesRequested, ProgressBarWanted(options.quiet), stderr,
                         ProgressBar::SteadyClock(), ProgressBarDelaySeconds());
    RunFrames(report, world, lists, [&](int done) {
        if (replay) {
            replay->AfterFrame(world);
        }
        progress.Update(done);
    });
    progress.Finish();
    if (replay) {
        SetScriptTurnObserver(nullptr);
        replay->Finish(world);  // while the plug-in's lists can still be read
    }
    report.deepestScriptStack = DeepestScriptStack();
    UnloadPlugin(&loaded);
    if (report.hostError.empty()) {
        report.hostError = HostErrorText();
    }
    AttachWorld(nullptr);
    CloseTraceFile();
    LeaveWorkingDirectory(dir);

    if (!options.quiet) {
        PrintSummary(world, report, std::cout);
        std::cout.flush();
    }
    if (replay) {
        std::ostringstream summary;
        PrintSummary(world, report, summary);
        const ReplayRunInfo info{options.scenario, ini, siblingIni, summary.str()};
        if (!WriteFile(html, ReplayPage(ReplayDataJson(*replay, world, report, info)))) {
            return SetupFailure("cannot write the page file " + options.html);
        }
    }
    return report.hostError.empty() ? 0 : 1;
}

}  // namespace

}  // namespace sim

extern "C" int SimMain(int argc, char** argv) {
    sim::Options options;
    CLI::App app{"Runs the Korvane plug-in in a simulated world and tells what it did.",
                 "korvane-sim"};
    app.set_version_flag("--version", "korvane-sim " KORVANE_VERSION);
    app.add_option("--scenario", options.scenario, "Scenario file (JSON)")
        ->required()
        ->check(CLI::ExistingFile);
    app.add_option("--frames", options.frames, "Frames to run (default: the scenario's, else 3600)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--seed", options.seed, "Seed of the world's random numbers (default 1)");
    app.add_option("--ini", options.ini,
                   "Settings file to place as Korvane.ini (default: the scenario's, else none)")
        ->check(CLI::ExistingFile);
    app.add_option("--sibling-ini", options.siblingIni,
                   "Hotkey file of the sibling plug-in to place as palvenorhub.ini")
        ->check(CLI::ExistingFile);
    app.add_option("--trace", options.trace, "Write every call of the plug-in to this file");
    app.add_option("--plugin", options.plugin,
                   "The plug-in to load (default: beside this program)");
    app.add_option("--html", options.html,
                   "Write a page that replays the run in a browser to this file (HTML)");
    app.add_flag("--quiet", options.quiet, "Print no summary and no progress bar");
    app.add_option("--chaos", options.chaos,
                   "Inject faults with this chance at each opportunity (0 to 1; default: the "
                   "scenario's, else none)")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--restart-at", options.restartAt,
                   "Restart the script on this frame, as a game reload does (repeatable)")
        ->check(CLI::NonNegativeNumber)
        ->take_last()
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    return sim::Run(options);
}

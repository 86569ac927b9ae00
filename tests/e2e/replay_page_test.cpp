// The replay page of korvane-sim --html: written without changing the run,
// its data agreeing with the summary, and, in a real headless Chromium, the
// twenty-minute town: loaded without errors or fetches, the map drawn, the
// event list complete, scrubbing and hovering working.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

#include "support/browser.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;

const std::string SourceDir = KORVANE_SOURCE_DIR;
const std::string TownScenario = SourceDir + "/sim/scenarios/town.json";
const std::string AircraftScenario = SourceDir + "/sim/scenarios/aircraft.json";
// Twenty minutes of the town; under the sanitizers, which run the simulator
// many times slower, the long page is of two minutes.
#ifdef KORVANE_SANITIZE_BUILD
const int LongRunFrames = 7200;
#else
const int LongRunFrames = 72000;
#endif
const size_t PageLimitBytes = 10 * 1000 * 1000;
const int ViewWidth = 1280;
const int ViewHeight = 900;

struct SimResult {
    int status = -1;
    std::string summary;
    std::string errors;
};

SimResult Sim(const std::filesystem::path& dir, const std::string& args) {
    CommandResult result =
        RunCommand(std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH + " " + args,
                   (dir / "out.txt").string(), (dir / "err.txt").string());
    return SimResult{result.status, result.out, result.err};
}

// The number after a summary line's label, -1 if there is no such line.
long SummaryNumber(const std::string& summary, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(summary, match, std::regex("\\n\\s*" + label + "\\s+(\\d+)"))) {
        return -1;
    }
    return std::stol(match[1]);
}

// "In the world now: V vehicles, P peds".
std::pair<long, long> WorldNow(const std::string& summary) {
    std::smatch match;
    if (!std::regex_search(summary, match,
                           std::regex("In the world now\\s+(\\d+) vehicles, (\\d+) peds"))) {
        return {-1, -1};
    }
    return {std::stol(match[1]), std::stol(match[2])};
}

// The data the page carries.
json PageData(const std::string& page) {
    const std::string open = "<script id=\"replay-data\" type=\"application/json\">";
    const size_t start = page.find(open);
    const size_t end = page.find("</script>", start);
    if (start == std::string::npos || end == std::string::npos) {
        return nullptr;
    }
    return json::parse(page.substr(start + open.size(), end - start - open.size()), nullptr, false);
}

std::map<int, long> EventCounts(const json& data) {
    std::map<int, long> counts;
    const json& events = data["events"];
    for (size_t i = 1; i < events.size(); i += 4) {
        ++counts[events[i].get<int>()];
    }
    return counts;
}

enum EventKind { Replacement, RoadNodeSpawn, CrewArmed, ParachuteGiven, RocketFired, Deleted };

TEST(ReplayPageRun, TheRunIsTheSameWithAndWithoutThePage) {
    TempWorkingDirectory dir;
    const std::string common = "--scenario " + TownScenario + " --frames 600 --seed 4 ";
    SimResult plain = Sim(dir.Path(), common + "--trace plain.jsonl");
    SimResult paged = Sim(dir.Path(), common + "--trace paged.jsonl --html page.html");
    ASSERT_EQ(plain.status, 0) << plain.errors;
    ASSERT_EQ(paged.status, 0) << paged.errors;
    EXPECT_GT(SummaryNumber(plain.summary, "Replacements"), 0) << plain.summary;
    EXPECT_EQ(plain.summary, paged.summary);
    const std::string trace = ReadWholeFile((dir.Path() / "plain.jsonl").string());
    EXPECT_GT(trace.size(), 0u);
    EXPECT_TRUE(trace == ReadWholeFile((dir.Path() / "paged.jsonl").string()))
        << "writing the page changed the plug-in's calls";
}

TEST(ReplayPageRun, ThePagesEventsAndChartsAgreeWithTheSummary) {
    // Aircraft that chase and fire, parachutes, replacements, spawns and
    // deletions within the first hundred seconds.
    TempWorkingDirectory dir;
    SimResult run = Sim(
        dir.Path(), "--scenario " + AircraftScenario + " --frames 6000 --seed 1 --html page.html");
    ASSERT_EQ(run.status, 0) << run.errors;
    const json data = PageData(ReadWholeFile((dir.Path() / "page.html").string()));
    ASSERT_TRUE(data.is_object()) << "no data in the page";
    std::map<int, long> counts = EventCounts(data);
    EXPECT_GT(SummaryNumber(run.summary, "Rockets fired"), 0) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Parachutes given"), 0) << run.summary;
    EXPECT_EQ(counts[Replacement], SummaryNumber(run.summary, "Replacements"));
    EXPECT_EQ(counts[RoadNodeSpawn], SummaryNumber(run.summary, "Road-node spawns"));
    EXPECT_EQ(counts[ParachuteGiven], SummaryNumber(run.summary, "Parachutes given"));
    EXPECT_EQ(counts[RocketFired], SummaryNumber(run.summary, "Rockets fired"));
    EXPECT_EQ(counts[Deleted], SummaryNumber(run.summary, "Vehicles deleted") +
                                   SummaryNumber(run.summary, "Peds deleted"));
    long mostPeds = 0;
    long mostVehicles = 0;
    const json& tracked = data["samples"]["tracked"];
    for (size_t i = 0; i + 1 < tracked.size(); i += 2) {
        mostPeds = std::max(mostPeds, tracked[i].get<long>());
        mostVehicles = std::max(mostVehicles, tracked[i + 1].get<long>());
    }
    EXPECT_EQ(mostPeds, SummaryNumber(run.summary, "Largest TrackedPeds"));
    EXPECT_EQ(mostVehicles, SummaryNumber(run.summary, "Largest TrackedVehicles"));
    // Aircraft chase the player: some samples hold chases.
    size_t chases = 0;
    for (const json& sample : data["samples"]["chases"]) {
        chases += sample.size() / 4;
    }
    EXPECT_GT(chases, 0u);
    EXPECT_EQ(data["summary"].get<std::string>(), run.summary);
}

TEST(ReplayPageRun, APageThatCannotBeWrittenStopsTheRunBeforeItStarts) {
    TempWorkingDirectory dir;
    SimResult run = Sim(
        dir.Path(), "--scenario " + TownScenario + " --frames 10 --html no/such/folder/page.html");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find("cannot write the page file"), std::string::npos) << run.errors;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// Starts the browser on a page and waits for the page's script.
void Open(HeadlessBrowser& browser, const std::string& url) {
    std::string error;
    ASSERT_TRUE(browser.Start(ViewWidth, ViewHeight, &error)) << error;
    ASSERT_TRUE(browser.Navigate(url, &error)) << error;
    ASSERT_EQ(browser.Evaluate("window.korvaneReplay && window.korvaneReplay.ready"), true)
        << "the page's script did not start: " << Joined(browser.Messages());
}

json RowCounts(HeadlessBrowser& browser) {
    return browser.Evaluate(
        "[0, 1, 2, 3, 4, 5].map((k) => document.querySelectorAll('#events li.k' + k).length)");
}

TEST(ReplayPageOfTwentyMinutes, IsOneFileUnderTenMegabytesThatLoadsCleanlyWithEveryEvent) {
    TempWorkingDirectory dir;
    const std::string page = (dir.Path() / "town.html").string();
    SimResult run = Sim(dir.Path(), "--scenario " + TownScenario + " --frames " +
                                        std::to_string(LongRunFrames) + " --seed 1 --html " + page);
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string text = ReadWholeFile(page);
    EXPECT_LT(text.size(), PageLimitBytes);
    EXPECT_EQ(text.find("/*KORVANE-REPLAY-DATA*/"), std::string::npos);

    HeadlessBrowser browser;
    ASSERT_NO_FATAL_FAILURE(Open(browser, "file://" + page));
    EXPECT_TRUE(browser.Messages().empty()) << Joined(browser.Messages());
    EXPECT_EQ(browser.Evaluate("korvaneReplay.errors.length"), 0);
    for (const std::string& request : browser.Requests()) {
        EXPECT_EQ(request, "file://" + page) << "the page fetched something";
    }
    const json rows = RowCounts(browser);
    ASSERT_TRUE(rows.is_array()) << browser.LastError();
    EXPECT_GT(SummaryNumber(run.summary, "Replacements"), 0) << run.summary;
    EXPECT_EQ(rows[Replacement], SummaryNumber(run.summary, "Replacements"));
    EXPECT_EQ(rows[RoadNodeSpawn], SummaryNumber(run.summary, "Road-node spawns"));
    EXPECT_EQ(rows[Deleted], SummaryNumber(run.summary, "Vehicles deleted") +
                                 SummaryNumber(run.summary, "Peds deleted"));
    EXPECT_GT(rows[CrewArmed].get<long>(), 0);
}

// Two minutes of the town, run once for each test process, in a browser.
class ReplayPageInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempWorkingDirectory;
        page_ = (dir_->Path() / "town.html").string();
        run_ = new SimResult(Sim(dir_->Path(), "--scenario " + TownScenario + " --frames " +
                                                   std::to_string(Frames) + " --seed 1 --html " +
                                                   page_));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete dir_;
    }
    void SetUp() override {
        ASSERT_EQ(run_->status, 0) << run_->errors;
        ASSERT_NO_FATAL_FAILURE(Open(browser, "file://" + page_));
    }

    json Rect(const std::string& selector) {
        return browser.Evaluate("(() => { const r = document.querySelector('" + selector +
                                "').getBoundingClientRect(); return {x: r.left, y: r.top, " +
                                "w: r.width, h: r.height}; })()");
    }
    json Drawn() { return browser.Evaluate("korvaneReplay.drawn()"); }
    // An entity of the frame drawn well inside the map with nothing else
    // near it: {handle, x, y}.
    json IsolatedEntity() {
        return browser.Evaluate(R"((() => {
            const r = document.getElementById('map').getBoundingClientRect();
            const spots = korvaneReplay.drawn().handles.map(
                (h) => [h, korvaneReplay.screenPositionOf(h)]).filter((s) => s[1]);
            for (const [h, p] of spots) {
                if (p.x < r.left + 20 || p.x > r.right - 20 || p.y < r.top + 40 ||
                    p.y > r.bottom - 20) continue;
                if (spots.every(([k, q]) => k === h || Math.hypot(q.x - p.x, q.y - p.y) > 16)) {
                    return {handle: h, x: p.x, y: p.y};
                }
            }
            return null;
        })())");
    }
    // Drags the timeline's handle to a fraction of its length with the mouse.
    void Scrub(double fraction) {
        json r = Rect("#slider");
        const double y = r["y"].get<double>() + r["h"].get<double>() / 2;
        const double x = r["x"].get<double>() + 8 + (r["w"].get<double>() - 16) * fraction;
        const double from = r["x"].get<double>() + 8;
        browser.Mouse("mouseMoved", from, y, false);
        browser.Mouse("mousePressed", from, y, true);
        browser.Mouse("mouseMoved", (from + x) / 2, y, true);
        browser.Mouse("mouseMoved", x, y, true);
        browser.Mouse("mouseReleased", x, y, false);
    }

    static constexpr int Frames = 7200;
    static TempWorkingDirectory* dir_;
    static std::string page_;
    static SimResult* run_;
    HeadlessBrowser browser;
};

TempWorkingDirectory* ReplayPageInBrowser::dir_ = nullptr;
std::string ReplayPageInBrowser::page_;
SimResult* ReplayPageInBrowser::run_ = nullptr;

TEST_F(ReplayPageInBrowser, DrawsTheMap) {
    browser.Evaluate("korvaneReplay.seek(3600)");
    json canvas = Rect("#map");
    const std::string png = browser.Screenshot();
    RgbImage shot;
    ASSERT_TRUE(DecodePng(png, &shot)) << browser.LastError();
    // A screenshot for people to look at; not kept in the repository.
    const std::filesystem::path artefacts =
        std::filesystem::path(KORVANE_SIM_PATH).parent_path() / "test-artefacts";
    std::filesystem::create_directories(artefacts);
    std::ofstream(artefacts / "replay-page.png", std::ios::binary) << png;

    const int left = canvas["x"].get<int>() + 1;
    const int top = canvas["y"].get<int>() + 1;
    const int right = std::min(shot.width, left + canvas["w"].get<int>() - 2);
    const int bottom = std::min(shot.height, top + canvas["h"].get<int>() - 2);
    ASSERT_GT(right - left, 100);
    ASSERT_GT(bottom - top, 100);
    // The map's background colour (--map in the page's style).
    const int background[3] = {0x0e, 0x12, 0x17};
    auto differs = [&](const uint8_t* p) {
        return std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) +
                   std::abs(p[2] - background[2]) >
               24;
    };
    long drawn = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            drawn += differs(shot.At(x, y)) ? 1 : 0;
        }
    }
    const long area = static_cast<long>(right - left) * (bottom - top);
    EXPECT_GT(drawn, area / 10) << "the map is mostly empty: " << drawn << " of " << area;
    EXPECT_LT(drawn, area) << "the map is all one colour";
    // Where an entity of the frame is, something is drawn.
    json at = IsolatedEntity();
    ASSERT_TRUE(at.is_object()) << "no entity alone on the map";
    EXPECT_TRUE(differs(
        shot.At(static_cast<int>(at["x"].get<double>()), static_cast<int>(at["y"].get<double>()))));
}

TEST_F(ReplayPageInBrowser, EventListHoldsWhatTheSummaryCountsAndJumpsTheTimeline) {
    const std::string& summary = run_->summary;
    const json rows = RowCounts(browser);
    ASSERT_TRUE(rows.is_array()) << browser.LastError();
    EXPECT_GT(SummaryNumber(summary, "Replacements"), 20) << summary;
    EXPECT_EQ(rows[Replacement], SummaryNumber(summary, "Replacements"));
    EXPECT_EQ(rows[RoadNodeSpawn], SummaryNumber(summary, "Road-node spawns"));
    // A replacement reads "old → new".
    json text = browser.Evaluate("document.querySelector('#events li.k0 .x').textContent");
    EXPECT_TRUE(
        std::regex_match(text.get<std::string>(), std::regex("[a-z0-9_]+ \u2192 [a-z0-9_]+")))
        << text;

    // Clicking the twentieth replacement moves the timeline to the first
    // sample after it.
    browser.Evaluate("document.querySelectorAll('#events li.k0')[19].scrollIntoView()");
    json row = browser.Evaluate(
        "(() => { const li = document.querySelectorAll('#events li.k0')[19];"
        " const r = li.getBoundingClientRect();"
        " return {x: r.left + 20, y: r.top + r.height / 2, title: li.title}; })()");
    ASSERT_TRUE(row.is_object());
    std::smatch match;
    const std::string title = row["title"];
    ASSERT_TRUE(std::regex_search(title, match, std::regex("^frame (\\d+):")));
    const int eventFrame = std::stoi(match[1]);
    browser.Click(row["x"].get<double>(), row["y"].get<double>());
    const int shown = browser.Evaluate("korvaneReplay.frame()").get<int>();
    const int every = browser.Evaluate("korvaneReplay.sampleFrames()[1]").get<int>();
    EXPECT_GT(shown, eventFrame);
    EXPECT_LE(shown, eventFrame + every);
    EXPECT_EQ(shown % every, 0);
}

TEST_F(ReplayPageInBrowser, ScrubbingDrawsThatFramesEntities) {
    int previous = -1;
    for (double fraction : {0.3, 0.7}) {
        Scrub(fraction);
        json drawn = Drawn();
        const int frame = drawn["sampleFrame"].get<int>();
        EXPECT_NEAR(browser.Evaluate("korvaneReplay.frame()").get<double>(), fraction * Frames,
                    Frames * 0.01);
        EXPECT_NE(frame, previous) << "scrubbing did not move the timeline";
        previous = frame;
        // The same run stopped at that frame has the entities the page drew.
        TempWorkingDirectory here;
        SimResult run = Sim(here.Path(), "--scenario " + TownScenario + " --frames " +
                                             std::to_string(frame) + " --seed 1");
        ASSERT_EQ(run.status, 0) << run.errors;
        const auto [vehicles, peds] = WorldNow(run.summary);
        EXPECT_EQ(drawn["vehicles"].get<long>(), vehicles) << "frame " << frame;
        EXPECT_EQ(drawn["peds"].get<long>(), peds) << "frame " << frame;
        EXPECT_EQ(drawn["handles"].size(),
                  drawn["vehicles"].get<size_t>() + drawn["pedsOnFoot"].get<size_t>());
    }
}

TEST_F(ReplayPageInBrowser, HoveringOrClickingAnEntityTellsItsModelHandleAndOrigin) {
    browser.Evaluate("korvaneReplay.seek(3600)");
    json at = IsolatedEntity();
    ASSERT_TRUE(at.is_object()) << "no entity alone on the map";
    const std::string handle = at["handle"].dump();
    browser.Mouse("mouseMoved", at["x"].get<double>(), at["y"].get<double>(), false);
    const std::string tip = browser.Evaluate("document.getElementById('tooltip').textContent");
    EXPECT_NE(tip.find("handle " + handle), std::string::npos) << tip;
    EXPECT_TRUE(std::regex_search(tip, std::regex("world's own|Korvane|the player"))) << tip;
    browser.Click(at["x"].get<double>(), at["y"].get<double>());
    const std::string details = browser.Evaluate("document.getElementById('details').textContent");
    EXPECT_NE(details.find("Handle" + handle), std::string::npos) << details;
    EXPECT_NE(details.find("Model"), std::string::npos) << details;
    EXPECT_NE(details.find("Origin"), std::string::npos) << details;
    EXPECT_TRUE(browser.Messages().empty()) << Joined(browser.Messages());
}

}  // namespace

// The whole plug-in, loaded by korvane-sim the way the game loads it: a long
// run of the default town, determinism, and a golden trace of a short run in
// which every phase takes part.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "sim/record/trace_compare.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string SourceDir = KORVANE_SOURCE_DIR;
const std::string TownScenario = SourceDir + "/sim/scenarios/town.json";
const std::string GoldenScenario = SourceDir + "/tests/golden/every_phase.json";
const std::string GoldenTrace = SourceDir + "/tests/golden/every_phase.trace.jsonl";
const int GoldenSeed = 3;

// Under the sanitizers the simulator runs many times slower, so the long runs
// there are shorter worlds that still take every phase through its paces: two
// minutes of the town instead of twenty, and a shorter same-seed comparison.
#ifdef KORVANE_SANITIZE_BUILD
const int TownFrames = 7200;
const int SameSeedFrames = 1500;
#else
const int TownFrames = 72000;
const int SameSeedFrames = 4000;
#endif

struct SimResult {
    int status = -1;
    std::string summary;
    std::string errors;
};

class EndToEndTest : public ::testing::Test {
protected:
    // Runs korvane-sim with the real plug-in.
    SimResult Sim(const std::string& args) {
        CommandResult result = RunCommand(
            std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH + " " + args,
            TracePath("out.txt"), TracePath("err.txt"));
        return SimResult{result.status, result.out, result.err};
    }
    std::string TracePath(const std::string& name) const { return (dir.Path() / name).string(); }

    // The number on the summary line that starts with `label`, -1 if none.
    static long SummaryNumber(const std::string& summary, const std::string& label) {
        std::smatch match;
        std::regex line("\\n\\s*" + label + "\\s+(\\d+)");
        if (!std::regex_search(summary, match, line)) {
            return -1;
        }
        return std::stol(match[1]);
    }

    TempWorkingDirectory dir;
};

TEST_F(EndToEndTest, TwentyMinutesOfTheTownRunCleanAndTransformTraffic) {
    SimResult run =
        Sim("--scenario " + TownScenario + " --frames " + std::to_string(TownFrames) + " --seed 1");
    ASSERT_EQ(run.status, 0) << run.errors << run.summary;
    EXPECT_EQ(run.summary.find("FAILED"), std::string::npos) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Replacements"), 0) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Road-node spawns"), 0) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Peds adopted"), 0) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Largest TrackedPeds"), 0) << run.summary;
    EXPECT_GT(SummaryNumber(run.summary, "Largest TrackedVehicles"), 0) << run.summary;
    EXPECT_NE(run.summary.find(" --> "), std::string::npos) << "replacement messages are drawn";
}

TEST_F(EndToEndTest, TheSameSeedGivesTheSameTraceAndSummary) {
    std::string common =
        "--scenario " + TownScenario + " --frames " + std::to_string(SameSeedFrames) + " ";
    SimResult first = Sim(common + "--seed 5 --trace " + TracePath("a.jsonl"));
    SimResult second = Sim(common + "--seed 5 --trace " + TracePath("b.jsonl"));
    SimResult other = Sim(common + "--seed 6 --trace " + TracePath("c.jsonl"));
    ASSERT_EQ(first.status, 0) << first.errors;
    ASSERT_EQ(second.status, 0) << second.errors;
    ASSERT_EQ(other.status, 0) << other.errors;
    EXPECT_EQ(first.summary, second.summary);
    std::string a = ReadWholeFile(TracePath("a.jsonl"));
    EXPECT_GT(a.size(), 0u);
    EXPECT_TRUE(a == ReadWholeFile(TracePath("b.jsonl")));
    EXPECT_FALSE(a == ReadWholeFile(TracePath("c.jsonl")))
        << "the seed reaches the plug-in's draws";
}

// Any change in the order or the arguments of the plug-in's host calls shows
// here, and in review as a change of the golden file. To accept a deliberate
// change, run the tests with KORVANE_UPDATE_GOLDEN=1 and review the diff.
TEST_F(EndToEndTest, GoldenTraceOfEveryPhase) {
    std::string trace = TracePath("every_phase.jsonl");
    SimResult run = Sim("--scenario " + GoldenScenario + " --seed " + std::to_string(GoldenSeed) +
                        " --trace " + trace);
    ASSERT_EQ(run.status, 0) << run.errors;
    if (std::getenv("KORVANE_UPDATE_GOLDEN") != nullptr) {
        std::filesystem::copy_file(trace, GoldenTrace,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::ifstream expected(GoldenTrace);
    std::ifstream actual(trace);
    ASSERT_TRUE(expected.good()) << "missing " << GoldenTrace;
    sim::TraceDifference difference = sim::CompareTraces(expected, actual, 1e-4);
    EXPECT_FALSE(difference.differ)
        << "first difference at line " << difference.line << " (" << difference.where
        << ")\n  golden: " << difference.left << "\n  now:    " << difference.right;
    // Not only the same calls: the very same bytes.
    EXPECT_TRUE(ReadWholeFile(trace) == ReadWholeFile(GoldenTrace)) << "the trace's bytes differ";
}

}  // namespace

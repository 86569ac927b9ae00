// The whole plug-in in the chaos town, loaded by korvane-sim: a short run at a
// high rate comes through clean, counts every kind of fault it injects, and
// is the same run for the same seed.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string ChaosTown = std::string(KORVANE_SOURCE_DIR) + "/sim/scenarios/chaos_town.json";

class ChaosRunTest : public ::testing::Test {
protected:
    CommandResult Sim(const std::string& args) {
        return RunCommand(std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH +
                              " --scenario " + ChaosTown + " " + args,
                          Path("out.txt"), Path("err.txt"));
    }
    std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }

    // The number after a summary label, -1 when the line is missing.
    static long Number(const std::string& summary, const std::string& label) {
        std::smatch match;
        if (!std::regex_search(summary, match, std::regex("\\n\\s*" + label + "\\s+(\\d+)"))) {
            return -1;
        }
        return std::stol(match[1]);
    }

    TempWorkingDirectory dir;
};

TEST_F(ChaosRunTest, AShortRunAtAHighRateIsCleanAndTheSameForTheSameSeed) {
    const std::string common = "--frames 1500 --chaos 0.2 ";
    CommandResult first = Sim(common + "--seed 5 --trace " + Path("a.jsonl"));
    CommandResult second = Sim(common + "--seed 5 --trace " + Path("b.jsonl"));
    CommandResult other = Sim(common + "--seed 6 --trace " + Path("c.jsonl"));
    ASSERT_EQ(first.status, 0) << first.err << first.out;
    ASSERT_EQ(other.status, 0) << other.err << other.out;
    EXPECT_EQ(first.out, second.out);
    const std::string a = ReadWholeFile(Path("a.jsonl"));
    EXPECT_TRUE(a == ReadWholeFile(Path("b.jsonl"))) << "the same trace";
    EXPECT_FALSE(a == ReadWholeFile(Path("c.jsonl"))) << "the seed reaches the faults";

    const std::string& s = first.out;
    EXPECT_NE(s.find("Chaos (rate 0.2)"), std::string::npos) << s;
    for (const char* kind :
         {"Held entities deleted", "Pools full", "Handles reused", "Null texts",
          "Counts out of range", "Rays hit without entity", "Settings file rewritten",
          "No walkable point", "Mouse picks", "Queries on gone handles"}) {
        EXPECT_GT(Number(s, kind), 0) << kind << "\n" << s;
    }
    EXPECT_GT(Number(s, "Longest pass"), 0) << s;
}

}  // namespace

// korvane-ini-check --fix: a corrected copy beside the player's file that the
// strict reader takes whole, with every value and name the player meant.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings_fields.h"
#include "sim/checker/ini_check.h"
#include "sim/checker/ini_fix.h"
#include "support/case_names.h"
#include "support/temp_dir.h"

namespace {

const std::string FixtureDir = std::string(KORVANE_SOURCE_DIR) + "/tests/config/ini_check/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

checker::CheckResult Check(const std::string& path) {
    checker::CheckResult result;
    std::string error;
    EXPECT_TRUE(checker::CheckSettingsFile(path, &result, &error)) << error;
    return result;
}

// Runs --fix on a file of the given text and checks the copy strictly.
struct Fixed {
    int status = -1;
    std::string report;
    std::string original;  // the player's file afterwards
    checker::CheckResult copy;
};

Fixed FixFile(const TempWorkingDirectory& dir, const std::string& text) {
    dir.Write("Korvane.ini", text);
    std::ostringstream out;
    std::ostringstream err;
    Fixed fixed;
    fixed.status = checker::RunIniCheck({"--fix", "Korvane.ini"}, out, err);
    fixed.report = out.str() + err.str();
    fixed.original = ReadFile((dir.Path() / "Korvane.ini").string());
    fixed.copy = Check((dir.Path() / "Korvane.fixed.ini").string());
    return fixed;
}

struct FixCase {
    const char* name;
    std::string text;
    const char* change;  // a change the report must list
};
KORVANE_CASE_PRINTS_ITS_NAME(FixCase)

class FixCases : public ::testing::TestWithParam<FixCase> {};

TEST_P(FixCases, TheCopyReadsWholeAndTheFileStaysAsItWas) {
    TempWorkingDirectory dir;
    Fixed fixed = FixFile(dir, GetParam().text);
    EXPECT_EQ(fixed.status, 0) << fixed.report;
    EXPECT_TRUE(checker::Passes(fixed.copy)) << "stopped at template " << fixed.copy.stopTemplate;
    EXPECT_EQ(fixed.original, GetParam().text);
    EXPECT_NE(fixed.report.find(GetParam().change), std::string::npos) << fixed.report;
}

INSTANTIATE_TEST_SUITE_P(
    Files, FixCases,
    ::testing::Values(
        FixCase{"SpawnRateWithoutX", ReadFile(FixtureDir + "spawn_rate_without_x.ini"), "[2x]"},
        FixCase{"SpaceBeforeColon", ReadFile(FixtureDir + "space_before_colon.ini"), "Line 22"},
        FixCase{"UnknownNames", ReadFile(FixtureDir + "unknown_names.ini"), "Changes"},
        FixCase{"ByteOrderMark", ReadFile(FixtureDir + "byte_order_mark.ini"), "Nothing"},
        FixCase{"Empty", "", "INI Check = [1234]"},
        FixCase{"Garbage", std::string("\x01\x02 no settings here\n[[[\n"), "left out"}),
    CaseName());

// Every lenient reading at once: case, spacing, text after a bracket, a
// missing x, a decimal distance, a space before the colon, no semicolon, no
// INI Check, lines out of order.
TEST(IniFix, TakesWhatThePlayerMeant) {
    TempWorkingDirectory dir;
    Fixed fixed = FixFile(dir,
                          "korvane by mirodex\r\n"
                          "main options:\r\n"
                          "HOTKEY=[0x71]   # F2\r\n"
                          "Odds of spawning = 1/[ 4 ]\r\n"
                          "New vehicle spawn rate (any road) = [3]\r\n"
                          "Minimum distance at which cars can transform = [45.5]\r\n"
                          "Minimum safe airplane height = [95.5]\r\n"
                          "Use full vehicles list: (275 vehicles max, 5 per line) = [1] :\r\n"
                          "asea, blista\r\n"
                          "taxi\r\n"
                          "wait time between spawns = [500]ms\r\n");
    ASSERT_EQ(fixed.status, 0) << fixed.report;
    const SettingsRecord& s = fixed.copy.settings;
    EXPECT_EQ(s.Hotkey, 0x71);
    EXPECT_EQ(s.SpawnOdds, 4);
    EXPECT_EQ(s.NewVehicleSpawnRate, 3);
    EXPECT_EQ(s.MinTransformDistance, 45.0f) << "what Korvane takes of 45.5";
    EXPECT_EQ(s.MinAirplaneHeight, 95.5f);
    EXPECT_EQ(s.SpawnWaitMs, 500);
    EXPECT_EQ(s.IniCheck, IniCheckValue);
    EXPECT_EQ(s.PedTaskRate, SettingsRecord{}.PedTaskRate);
    ASSERT_GE(fixed.copy.fullList.size(), 4u);
    EXPECT_EQ(
        std::vector<std::string>(fixed.copy.fullList.begin(), fixed.copy.fullList.begin() + 3),
        (std::vector<std::string>{"asea", "blista", "taxi"}));
    for (const char* change : {"whole metres only", "no closing semicolon", "IniCheck was missing",
                               "put back in the order"}) {
        EXPECT_NE(fixed.report.find(change), std::string::npos) << change << "\n" << fixed.report;
    }
}

// A file that already reads whole comes back with the same values and lists.
TEST(IniFix, AWholeFileKeepsItsValuesAndLists) {
    for (const std::string& path :
         {FixtureDir + "good.ini", std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini"}) {
        TempWorkingDirectory dir;
        const checker::CheckResult before = Check(path);
        Fixed fixed = FixFile(dir, ReadFile(path));
        EXPECT_EQ(fixed.status, 0) << path << "\n" << fixed.report;
        for (const SettingsField& f : SettingsFields) {
            EXPECT_EQ(FieldValue(fixed.copy.settings, f), FieldValue(before.settings, f))
                << path << ": " << f.Name;
        }
        EXPECT_EQ(fixed.copy.fullList, before.fullList) << path;
        EXPECT_EQ(fixed.copy.smallList, before.smallList) << path;
    }
}

TEST(IniFix, TheCopyGoesBesideTheFile) {
    EXPECT_EQ(checker::FixedCopyPath("Korvane.ini"), "Korvane.fixed.ini");
    EXPECT_EQ(checker::FixedCopyPath("game/KORVANE.INI"), "game/KORVANE.fixed.ini");
    EXPECT_EQ(checker::FixedCopyPath("settings"), "settings.fixed.ini");
}

}  // namespace

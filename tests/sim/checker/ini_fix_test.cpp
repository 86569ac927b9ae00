// korvane-ini-check --fix: a corrected copy beside the player's file that the
// strict reader takes whole, with every value and name the player meant.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
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

// The issue a player met: a height beyond the float range reads whole (the
// game takes the largest float), and the copy must keep that height rather
// than write "inf.0", which does not read.
TEST(IniFix, AHeightBeyondTheFloatRangeKeepsItsSaturatedValue) {
    TempWorkingDirectory dir;
    std::string text = ReadFile(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini");
    const std::string line = "Minimum safe airplane height = [80.0]";
    text.replace(text.find(line), line.size(), "Minimum safe airplane height = [1e39]");
    dir.Write("Korvane.ini", text);
    const checker::CheckResult before = Check((dir.Path() / "Korvane.ini").string());
    ASSERT_TRUE(checker::Passes(before));
    ASSERT_EQ(before.settings.MinAirplaneHeight, std::numeric_limits<float>::max());

    Fixed fixed = FixFile(dir, text);
    EXPECT_EQ(fixed.status, 0) << fixed.report;
    EXPECT_TRUE(checker::Passes(fixed.copy)) << fixed.report;
    EXPECT_EQ(fixed.copy.settings.MinAirplaneHeight, std::numeric_limits<float>::max());
    EXPECT_NE(fixed.copy.text.find("Minimum safe airplane height = [3.4028235e+38]\n"),
              std::string::npos)
        << fixed.copy.text;
}

// One option line of a file that otherwise reads whole, its value as the
// copy holds it (bit for bit), and the line the copy writes.
struct NumberCase {
    const char* name;
    const char* line;     // as the player wrote it
    const char* field;    // SettingsField::Name
    double value;         // the copy's value (floats compared as floats)
    const char* written;  // the copy's line
};
KORVANE_CASE_PRINTS_ITS_NAME(NumberCase)

class NumberCases : public ::testing::TestWithParam<NumberCase> {};

const SettingsField& FieldNamed(const std::string& name) {
    for (const SettingsField& f : SettingsFields) {
        if (name == f.Name) {
            return f;
        }
    }
    ADD_FAILURE() << "no field " << name;
    return SettingsFields[0];
}

TEST_P(NumberCases, AreWrittenSoTheyReadBackTheSame) {
    const NumberCase& c = GetParam();
    std::string text = ReadFile(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini");
    const SettingsField& field = FieldNamed(c.field);
    // The shipped line of the same template: everything up to its '['.
    const std::string lead = std::string(c.line).substr(0, std::string(c.line).find('['));
    const size_t at = text.find(lead);
    ASSERT_NE(at, std::string::npos) << lead;
    text.replace(at, text.find('\r', at) - at, c.line);

    TempWorkingDirectory dir;
    Fixed fixed = FixFile(dir, text);
    EXPECT_EQ(fixed.status, 0) << fixed.report;
    EXPECT_TRUE(checker::Passes(fixed.copy)) << fixed.report;
    if (field.Real != nullptr) {
        const float expected = static_cast<float>(c.value);
        const float got = fixed.copy.settings.*field.Real;
        EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << got;
    } else {
        EXPECT_EQ(FieldValue(fixed.copy.settings, field), c.value);
    }
    EXPECT_NE(fixed.copy.text.find(std::string(c.written) + "\n"), std::string::npos)
        << fixed.copy.text;
    // And the copy fixed again is the same copy.
    const std::string copy = ReadFile((dir.Path() / "Korvane.fixed.ini").string());
    EXPECT_EQ(checker::FixSettingsText(fixed.copy.text).text, copy);
}

const double FloatMax = std::numeric_limits<float>::max();

INSTANTIATE_TEST_SUITE_P(
    Limits, NumberCases,
    ::testing::Values(
        NumberCase{"HeightBelowTheFloatRange", "Minimum safe airplane height = [-1e39]",
                   "MinAirplaneHeight", -FloatMax,
                   "Minimum safe airplane height = [-3.4028235e+38]"},
        NumberCase{"HeightTooSmallForAFloat", "Minimum safe airplane height = [1e-50]",
                   "MinAirplaneHeight", 0.0, "Minimum safe airplane height = [0.0]"},
        NumberCase{"HeightNegativeZero", "Minimum safe airplane height = [-0.0]",
                   "MinAirplaneHeight", -0.0, "Minimum safe airplane height = [-0.0]"},
        NumberCase{"HeightSmallestSubnormal", "Minimum safe airplane height = [1.4e-45]",
                   "MinAirplaneHeight", 1.4e-45, "Minimum safe airplane height = [1e-45]"},
        NumberCase{"HeightInfIsNoNumber", "Minimum safe airplane height = [inf]",
                   "MinAirplaneHeight", 80.0, "Minimum safe airplane height = [80.0]"},
        NumberCase{"HeightNanIsNoNumber", "Minimum safe airplane height = [nan]",
                   "MinAirplaneHeight", 80.0, "Minimum safe airplane height = [80.0]"},
        NumberCase{"HeightShortestText", "Minimum safe airplane height = [95.500000001]",
                   "MinAirplaneHeight", 95.5, "Minimum safe airplane height = [95.5]"},
        NumberCase{"HeightOneTenth", "Minimum safe airplane height = [0.1]", "MinAirplaneHeight",
                   0.1, "Minimum safe airplane height = [0.1]"},
        NumberCase{"HeightBeyondTheMantissa", "Minimum safe airplane height = [16777217]",
                   "MinAirplaneHeight", 16777216.0, "Minimum safe airplane height = [16777216.0]"},
        NumberCase{"WaitBeyondInt32", "Wait time between spawns = [99999999999]ms", "SpawnWaitMs",
                   2147483647.0, "Wait time between spawns = [2147483647]ms"},
        NumberCase{"WaitBelowInt32", "Wait time between spawns = [-99999999999]ms", "SpawnWaitMs",
                   -2147483648.0, "Wait time between spawns = [-2147483648]ms"},
        NumberCase{"WaitNanIsNoNumber", "Wait time between spawns = [nan]ms", "SpawnWaitMs", 1000.0,
                   "Wait time between spawns = [1000]ms"},
        NumberCase{"HotkeyNegative", "Hotkey = [-5]", "Hotkey", -5.0, "Hotkey = [-5]"},
        NumberCase{"HotkeyBeyondInt32", "Hotkey = [FFFFFFFFF]", "Hotkey", 2147483647.0,
                   "Hotkey = [7FFFFFFF]"},
        NumberCase{"HotkeyLowest", "Hotkey = [-80000000]", "Hotkey", -2147483648.0,
                   "Hotkey = [-80000000]"},
        NumberCase{"DistanceBeyondInt32",
                   "Minimum distance at which cars can transform = [99999999999]",
                   "MinTransformDistance", 2147483648.0,
                   "Minimum distance at which cars can transform = [2147483647]"},
        NumberCase{"OddsInf", "Odds of spawning = 1/[inf]", "SpawnOdds", 6.0,
                   "Odds of spawning = 1/[6]"}),
    CaseName());

TEST(IniFix, TheCopyGoesBesideTheFile) {
    EXPECT_EQ(checker::FixedCopyPath("Korvane.ini"), "Korvane.fixed.ini");
    EXPECT_EQ(checker::FixedCopyPath("game/KORVANE.INI"), "game/KORVANE.fixed.ini");
    EXPECT_EQ(checker::FixedCopyPath("settings"), "settings.fixed.ini");
}

}  // namespace

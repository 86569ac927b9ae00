// The fixer's fuzz target's promises, on the seed corpus: the shipped
// settings file, the test fixtures and golden files, numbers at and beyond
// each template's limits, names the game splits differently. And that each
// promise does notice a copy that breaks it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fix_checks.h"
#include "support/host_fixture.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path SourceDir = KORVANE_SOURCE_DIR;

class FixChecksTest : public HostFixture {
protected:
    std::string Bytes(const fs::path& file) { return ReadWholeFile(file.string()); }
    TempWorkingDirectory dir;
};

TEST_F(FixChecksTest, EverySeedKeepsThePromises) {
    std::vector<fs::path> files;
    for (const fs::path& folder : {SourceDir / "fuzz/seeds/fix", SourceDir / "fuzz/seeds/settings",
                                   SourceDir / "tests/config/ini_check", SourceDir / "tests/golden",
                                   SourceDir / "sim/scenarios"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".ini" || folder.filename() == "settings") {
                files.push_back(entry.path());
            }
        }
    }
    files.push_back(SourceDir / "dist/Korvane.ini");
    EXPECT_GE(files.size(), 20u);
    for (const fs::path& file : files) {
        const std::string bytes = Bytes(file);
        EXPECT_EQ(
            fix_checks::CheckFix(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
            << file;
    }
}

// A copy doctored on purpose: each promise must object to it.
TEST_F(FixChecksTest, EveryPromiseNoticesACopyThatBreaksIt) {
    const std::string good = Bytes(SourceDir / "dist/Korvane.ini");
    std::string goodText;
    ASSERT_TRUE(LoadSettingsText((SourceDir / "dist/Korvane.ini").string().c_str(), goodText));
    const checker::FixResult sound = checker::FixSettingsText(goodText);
    ASSERT_EQ(fix_checks::CheckFixedCopy(good, sound), "");

    auto replaced = [&](const std::string& from, const std::string& to) {
        checker::FixResult fix = sound;
        const size_t at = fix.text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        fix.text.replace(at, from.size(), to);
        return fix;
    };
    struct Case {
        const char* name;
        checker::FixResult copy;
        const char* objection;
    };
    checker::FixResult lineFeeds = sound;
    lineFeeds.text = goodText;
    const Case cases[] = {
        {"the height written as inf", replaced("[80.0]", "[inf.0]"), "does not read whole"},
        {"INI Check not 1234", replaced("[1234]", "[1233]"), "INI Check is 1233"},
        {"a value read from the input changed", replaced("Hotkey = [63]", "Hotkey = [64]"),
         "Hotkey was read from the input"},
        {"a list name changed", replaced("asterope", "blista"), "lists or in-game message"},
        {"line ends the fixer does not write", lineFeeds, "again gives other bytes"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(fix_checks::CheckFixedCopy(good, c.copy).find(c.objection), std::string::npos)
            << c.name << ": " << fix_checks::CheckFixedCopy(good, c.copy);
    }
    // A name the game does not know may be mended, if the change is listed.
    const std::string tab = Bytes(SourceDir / "fuzz/seeds/fix/names_with_tabs_colons_nul.ini");
    checker::FixResult mended = checker::FixSettingsText(fix_checks::ReadStrictly(tab).text);
    EXPECT_EQ(fix_checks::CheckFixedCopy(tab, mended), "");
    mended.changes.clear();
    EXPECT_NE(fix_checks::CheckFixedCopy(tab, mended), "") << "the mended name is not listed";
}

}  // namespace

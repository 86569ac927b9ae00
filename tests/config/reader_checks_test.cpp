// The fuzz targets' invariants, on the seed corpus: the shipped settings
// file, the test fixtures, blocks that fit their buffer exactly or by one
// byte too many, a block without its semicolon; sibling files and list texts.
// And that each invariant does notice a record that breaks it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/reader_checks.h"
#include "support/host_fixture.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path SourceDir = KORVANE_SOURCE_DIR;

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension = "") {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() &&
            (extension.empty() || entry.path().extension() == extension)) {
            files.push_back(entry.path());
        }
    }
    EXPECT_FALSE(files.empty()) << folder;
    return files;
}

class ReaderChecksTest : public HostFixture {
protected:
    using Check = std::string (*)(const uint8_t*, size_t);
    void ExpectSound(Check check, const std::vector<fs::path>& files) {
        for (const fs::path& file : files) {
            const std::string bytes = ReadWholeFile(file.string());
            EXPECT_EQ(check(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
                << file;
        }
    }
    TempWorkingDirectory dir;
};

TEST_F(ReaderChecksTest, SettingsSeedsKeepEveryInvariant) {
    std::vector<fs::path> files = FilesIn(SourceDir / "fuzz/seeds/settings");
    for (const fs::path& folder : {SourceDir / "tests/config/ini_check", SourceDir / "tests/golden",
                                   SourceDir / "sim/scenarios"}) {
        for (const fs::path& file : FilesIn(folder, ".ini")) {
            files.push_back(file);
        }
    }
    files.push_back(SourceDir / "dist/Korvane.ini");
    ExpectSound(reader_checks::CheckSettingsFile, files);
}

TEST_F(ReaderChecksTest, SiblingSeedsChangeNothingButTheHotkey) {
    ExpectSound(reader_checks::CheckSiblingFile, FilesIn(SourceDir / "fuzz/seeds/sibling"));
    const std::string good = ReadWholeFile((SourceDir / "fuzz/seeds/sibling/good.ini").string());
    reader_checks::CheckSiblingFile(reinterpret_cast<const uint8_t*>(good.data()), good.size());
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x71) << "the seed's hotkey was taken";
}

TEST_F(ReaderChecksTest, ListTextSeedsGiveExactlyTheirNames) {
    ExpectSound(reader_checks::CheckModelListText, FilesIn(SourceDir / "fuzz/seeds/model_list"));
}

// A record broken on purpose after a sound read: each check must object.
TEST_F(ReaderChecksTest, EveryInvariantNoticesARecordThatBreaksIt) {
    struct Case {
        const char* name;
        void (*breakIt)();
    };
    const Case cases[] = {
        {"a full entry in the small buffer",
         [] { Plugin.FullModelList[3] = Plugin.SmallListText; }},
        {"an entry without a NUL before its buffer ends",
         [] {
             std::memset(Plugin.FullListText, 'x', sizeof Plugin.FullListText);
             Plugin.FullModelList[0] = Plugin.FullListText + 10;
         }},
        {"a flag holding 2", [] { Plugin.Settings.DebugMessages = 2; }},
        {"a police entry changed", [] { Plugin.PoliceModelList[7] = "asea"; }},
    };
    for (const Case& c : cases) {
        reader_checks::StartFromLoadState();
        ASSERT_EQ(reader_checks::CheckRecord(), "");
        c.breakIt();
        EXPECT_NE(reader_checks::CheckRecord(), "") << c.name;
    }
    reader_checks::StartFromLoadState();
    const reader_checks::Snapshot with = reader_checks::TakeSnapshot(true);
    const reader_checks::Snapshot without = reader_checks::TakeSnapshot(false);
    Plugin.Settings.Hotkey = 0x70;
    EXPECT_NE(reader_checks::CompareSnapshots(with, reader_checks::TakeSnapshot(true)), "");
    EXPECT_EQ(reader_checks::CompareSnapshots(without, reader_checks::TakeSnapshot(false)), "")
        << "without the hotkey, as the sibling read is compared";
}

}  // namespace

// Reading Korvane.ini and palvenorhub.ini against the substitute host: a table
// of small settings files and the values they leave, the sibling hotkey over a
// counter cycle, the shipped default file, and files that are long, cut off
// or not text at all.
//
// Index:
// [SECTION] A table of small settings files
// [SECTION] List blocks and their buffers
// [SECTION] Long files and files that are not text
// [SECTION] The shipped default file
// [SECTION] The sibling plug-in's hotkey file
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "config/hotkey.h"
#include "config/model_lists.h"
#include "config/settings.h"
#include "display/status_text.h"
#include "loop/debug_pick.h"
#include "loop/script_entry.h"
#include "loop/tick_loop.h"
#include "state/plugin_state.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace {

// Every option differs from its default, so a value that was read shows.
const char* const SampleFile =
    "KORVANE BY MIRODEX\n"
    "\n"
    "MAIN OPTIONS:\n"
    "Hotkey = [71]\n"
    "Automatic ped spawner = [0]\n"
    "New vehicle spawn rate (any road) = [3x]\n"
    "Spawn police patrols = [0]\n"
    "Peds spawn in cars = [0]\n"
    "Peds use parachutes = [2]\n"
    "Minimum distance at which cars can transform = [45]\n"
    "Minimum safe airplane height = [120.5]\n"
    "Aircraft missiles = [1]\n"
    "Odds of spawning = 1/[9]\n"
    "\n"
    "ADVANCED OPTIONS:\n"
    "Wait time between spawns = [500]ms\n"
    "Vehicle task rate = every [20] tics\n"
    "Ped task rate = every [40] tics\n"
    "Debug Messages = [0]\n"
    "\n"
    "VEHICLES LIST:\n"
    "Use small vehicles list: (50 vehicles max, 5 per line) = [1]:\n"
    "sultan, banshee, infernus, comet2, coquette,\n"
    "zentorno, massacro, cheetah;\n"
    "\n"
    "Use full vehicles list: (275 vehicles max, 5 per line) = [0]:\n"
    "asea, asterope, bagger, baller, baller2,\n"
    "taxi, bus, coach;\n"
    "\n"
    "INI Check = [1234]\n";

const std::vector<std::string> SampleSmallNames = {"sultan",   "banshee",  "infernus", "comet2",
                                                   "coquette", "zentorno", "massacro", "cheetah"};
const std::vector<std::string> SampleFullNames = {"asea",    "asterope", "bagger", "baller",
                                                  "baller2", "taxi",     "bus",    "coach"};

// The sample with one piece of text replaced; the piece must be there.
std::string Edit(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The values the sample sets.
SettingsRecord SampleValues() {
    SettingsRecord s;
    s.Hotkey = 0x71;
    s.AutoPedSpawner = 0;
    s.NewVehicleSpawnRate = 3;
    s.PolicePatrols = 0;
    s.PedsInCars = 0;
    s.PedParachutes = 2;
    s.MinTransformDistance = 45.0f;
    s.MinAirplaneHeight = 120.5f;
    s.AircraftMissiles = 1;
    s.SpawnOdds = 9;
    s.SpawnWaitMs = 500;
    s.VehicleTaskRate = 20;
    s.PedTaskRate = 40;
    s.DebugMessages = 0;
    s.UseSmallList = 1;
    s.UseFullList = 0;
    s.IniCheck = 1234;
    return s;
}

// The sample's values for the templates before `firstUnread`, defaults after.
SettingsRecord ReadUpTo(int firstUnread) {
    SettingsRecord sample = SampleValues();
    SettingsRecord s;
    auto take = [firstUnread](int number) { return number < firstUnread; };
    if (take(3))
        s.Hotkey = sample.Hotkey;
    if (take(4))
        s.AutoPedSpawner = sample.AutoPedSpawner;
    if (take(5))
        s.NewVehicleSpawnRate = sample.NewVehicleSpawnRate;
    if (take(6))
        s.PolicePatrols = sample.PolicePatrols;
    if (take(7))
        s.PedsInCars = sample.PedsInCars;
    if (take(8))
        s.PedParachutes = sample.PedParachutes;
    if (take(9))
        s.MinTransformDistance = sample.MinTransformDistance;
    if (take(10))
        s.MinAirplaneHeight = sample.MinAirplaneHeight;
    if (take(11))
        s.AircraftMissiles = sample.AircraftMissiles;
    if (take(12))
        s.SpawnOdds = sample.SpawnOdds;
    if (take(14))
        s.SpawnWaitMs = sample.SpawnWaitMs;
    if (take(15))
        s.VehicleTaskRate = sample.VehicleTaskRate;
    if (take(16))
        s.PedTaskRate = sample.PedTaskRate;
    if (take(17))
        s.DebugMessages = sample.DebugMessages;
    if (take(19))
        s.UseSmallList = sample.UseSmallList;
    if (take(21))
        s.UseFullList = sample.UseFullList;
    if (take(23))
        s.IniCheck = sample.IniCheck;
    return s;
}

void ExpectSettings(const SettingsRecord& actual, const SettingsRecord& expected) {
    EXPECT_EQ(actual.Hotkey, expected.Hotkey);
    EXPECT_EQ(actual.AutoPedSpawner, expected.AutoPedSpawner);
    EXPECT_EQ(actual.NewVehicleSpawnRate, expected.NewVehicleSpawnRate);
    EXPECT_EQ(actual.PolicePatrols, expected.PolicePatrols);
    EXPECT_EQ(actual.PedsInCars, expected.PedsInCars);
    EXPECT_EQ(actual.PedParachutes, expected.PedParachutes);
    EXPECT_EQ(actual.MinTransformDistance, expected.MinTransformDistance);
    EXPECT_EQ(actual.MinAirplaneHeight, expected.MinAirplaneHeight);
    EXPECT_EQ(actual.AircraftMissiles, expected.AircraftMissiles);
    EXPECT_EQ(actual.SpawnOdds, expected.SpawnOdds);
    EXPECT_EQ(actual.SpawnWaitMs, expected.SpawnWaitMs);
    EXPECT_EQ(actual.VehicleTaskRate, expected.VehicleTaskRate);
    EXPECT_EQ(actual.PedTaskRate, expected.PedTaskRate);
    EXPECT_EQ(actual.DebugMessages, expected.DebugMessages);
    EXPECT_EQ(actual.UseSmallList, expected.UseSmallList);
    EXPECT_EQ(actual.UseFullList, expected.UseFullList);
    EXPECT_EQ(actual.IniCheck, expected.IniCheck);
}

std::vector<std::string> Table(const char* const* table, int size) {
    return std::vector<std::string>(table, table + size);
}

// A built-in table with its first entries replaced by `names`.
std::vector<std::string> BuiltInWith(const char* const* builtIn, int size,
                                     const std::vector<std::string>& names) {
    std::vector<std::string> table = Table(builtIn, size);
    for (size_t i = 0; i < names.size(); i++) {
        table[i] = names[i];
    }
    return table;
}

// The first template that did not match whole, 0 when all did.
int FirstIncompleteTemplate() {
    for (int i = 0; i < SettingsTemplateCount; i++) {
        if (Plugin.LastSettingsRead.Ends[i] != TemplateEnd::Complete) {
            return i + 1;
        }
    }
    return 0;
}

class SettingsReadTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        FillBuiltInModelLists();
    }
    std::vector<std::string> FullTable() const {
        return Table(Plugin.FullModelList, FullModelListSize);
    }
    std::vector<std::string> SmallTable() const {
        return Table(Plugin.SmallModelList, SmallModelListSize);
    }
    std::vector<std::string> BuiltInFull() const {
        return Table(BuiltInFullModelList, FullModelListSize);
    }
    std::vector<std::string> BuiltInSmall() const {
        return Table(BuiltInSmallModelList, SmallModelListSize);
    }
    TempWorkingDirectory dir;
};

//-----------------------------------------------------------------------------
// [SECTION] A table of small settings files
//-----------------------------------------------------------------------------

enum class Lists { SmallFromFile, FullFromFile, BuiltIn };

struct FileCase {
    const char* name;
    std::string text;
    int firstUnread;                  // templates from here on keep their defaults (24: none)
    int stopTemplate;                 // the first template that did not match whole (0: none)
    Lists lists;                      // what the two tables hold afterwards
    void (*adjust)(SettingsRecord&);  // values that differ from the sample's
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsFileCases : public SettingsReadTest,
                          public ::testing::WithParamInterface<FileCase> {};

TEST_P(SettingsFileCases, LeaveTheExpectedValues) {
    const FileCase& c = GetParam();
    dir.Write("Korvane.ini", c.text);
    ReadSettings();

    SettingsRecord expected = ReadUpTo(c.firstUnread);
    if (c.adjust != nullptr) {
        c.adjust(expected);
    }
    ExpectSettings(Plugin.Settings, expected);
    EXPECT_EQ(FirstIncompleteTemplate(), c.stopTemplate);
    EXPECT_TRUE(Plugin.LastSettingsRead.FileOpened);

    std::vector<std::string> small = BuiltInSmall();
    std::vector<std::string> full = BuiltInFull();
    if (c.lists == Lists::SmallFromFile) {
        small = BuiltInWith(BuiltInSmallModelList, SmallModelListSize, SampleSmallNames);
    } else if (c.lists == Lists::FullFromFile) {
        full = BuiltInWith(BuiltInFullModelList, FullModelListSize, SampleFullNames);
    }
    EXPECT_EQ(SmallTable(), small);
    EXPECT_EQ(FullTable(), full);
    EXPECT_EQ(Table(Plugin.PoliceModelList, PoliceModelListSize),
              Table(BuiltInPoliceModelList, PoliceModelListSize));
    EXPECT_EQ(Plugin.StatusText, "");
}

std::string Sample() {
    return SampleFile;
}

const int32_t Int32Max = std::numeric_limits<int32_t>::max();
const int32_t Int32Min = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsFileCases,
    ::testing::Values(
        FileCase{"WholeSample", Sample(), 24, 0, Lists::SmallFromFile, nullptr},
        FileCase{"SpawnRateWithoutX", Edit(Sample(), "[3x]", "[2]"), 6, 5, Lists::BuiltIn,
                 [](SettingsRecord& s) { s.NewVehicleSpawnRate = 2; }},
        FileCase{"HotkeyWithPrefix", Edit(Sample(), "[71]", "[0x71]"), 24, 0,
                 Lists::SmallFromFile, nullptr},
        FileCase{"HotkeyWithUpperPrefix", Edit(Sample(), "[71]", "[0X71]"), 24, 0,
                 Lists::SmallFromFile, nullptr},
        FileCase{"LowerCaseHotkey", Edit(Sample(), "Hotkey", "hotkey"), 3, 3, Lists::BuiltIn,
                 nullptr},
        FileCase{"CommentAfterBracket",
                 Edit(Sample(), "patrols = [0]", "patrols = [0]  # never"), 7, 7,
                 Lists::BuiltIn, nullptr},
        FileCase{"SpaceBeforeListColon", Edit(Sample(), "[1]:\nsultan", "[1] :\nsultan"), 20,
                 20, Lists::BuiltIn, nullptr},
        FileCase{"EmptySmallBlock",
                 Edit(Sample(), "sultan, banshee, infernus, comet2, coquette,\n"
                                "zentorno, massacro, cheetah;",
                      "\n  ;"),
                 20, 20, Lists::BuiltIn, nullptr},
        FileCase{"WindowsLineEndsAndBlankLines", ReplaceAll(Sample(), "\n", "\r\n\r\n  \r\n"),
                 24, 0, Lists::SmallFromFile, nullptr},
        FileCase{"NoSpacesAroundEquals",
                 Edit(Edit(Sample(), "Hotkey = [71]", "Hotkey=[71]"), "1/[9]", "1/[ 9]"), 24,
                 0, Lists::SmallFromFile, nullptr},
        // Template 1 fails without consuming, template 2 takes the rest.
        FileCase{"NoHeaderLine", Edit(Sample(), "KORVANE BY MIRODEX\n\n", ""), 24, 1,
                 Lists::SmallFromFile, nullptr},
        FileCase{"BlankLineBeforeHeader", "\n" + Sample(), 1, 1, Lists::BuiltIn, nullptr},
        FileCase{"NeitherHeaderNorHeading", "; my settings\n" + Sample(), 1, 1, Lists::BuiltIn,
                 nullptr},
        // A whole number of metres: the point after it does not match.
        FileCase{"DistanceWithDecimals", Edit(Sample(), "[45]", "[45.5]"), 10, 9, Lists::BuiltIn,
                 nullptr},
        FileCase{"IniCheck1233", Edit(Sample(), "[1234]", "[1233]"), 24, 0,
                 Lists::SmallFromFile, [](SettingsRecord& s) { s.IniCheck = 1233; }},
        FileCase{"BothListsOn", Edit(Sample(), "max, 5 per line) = [0]", "max, 5 per line) = [1]"),
                 24, 0, Lists::FullFromFile, [](SettingsRecord& s) { s.UseFullList = 1; }},
        FileCase{"BothListsOff",
                 Edit(Sample(), "(50 vehicles max, 5 per line) = [1]",
                      "(50 vehicles max, 5 per line) = [0]"),
                 24, 0, Lists::BuiltIn, [](SettingsRecord& s) { s.UseSmallList = 0; }},
        FileCase{"FullListOnly",
                 Edit(Edit(Sample(), "(50 vehicles max, 5 per line) = [1]",
                           "(50 vehicles max, 5 per line) = [0]"),
                      "max, 5 per line) = [0]:\nasea", "max, 5 per line) = [1]:\nasea"),
                 24, 0, Lists::FullFromFile,
                 [](SettingsRecord& s) {
                     s.UseSmallList = 0;
                     s.UseFullList = 1;
                 }},
        FileCase{"FlagsAreOnWhenNotZero", Edit(Sample(), "Aircraft missiles = [1]",
                                               "Aircraft missiles = [256]"),
                 24, 0, Lists::SmallFromFile, nullptr},
        FileCase{"HugeNumbersSaturate",
                 Edit(Edit(Sample(), "[500]ms", "[99999999999]ms"), "transform = [45]",
                      "transform = [-99999999999]"),
                 24, 0, Lists::SmallFromFile,
                 [](SettingsRecord& s) {
                     s.SpawnWaitMs = Int32Max;
                     s.MinTransformDistance = float(Int32Min);
                 }},
        FileCase{"HugeHexHotkeySaturates", Edit(Sample(), "[71]", "[123456789abcdef0]"), 24, 0,
                 Lists::SmallFromFile, [](SettingsRecord& s) { s.Hotkey = Int32Max; }},
        FileCase{"CutInsideANumber",
                 Sample().substr(0, Sample().find("height = [120.5]") + 12), 11, 10,
                 Lists::BuiltIn, [](SettingsRecord& s) { s.MinAirplaneHeight = 12.0f; }},
        FileCase{"CutInsideAListBlock", Sample().substr(0, Sample().find(", bus")), 22, 22,
                 Lists::SmallFromFile, nullptr},
        FileCase{"NulByteInALine", Edit(Sample(), "Aircraft missiles", std::string("Aircraft\0missiles", 17)),
                 11, 11, Lists::BuiltIn, nullptr}));

TEST_F(SettingsReadTest, MissingFileChangesNothing) {
    ReadSettings();
    ExpectSettings(Plugin.Settings, SettingsRecord{});
    EXPECT_FALSE(Plugin.LastSettingsRead.FileOpened);
    EXPECT_EQ(FullTable(), BuiltInFull());
    EXPECT_EQ(Plugin.StatusText, "");
    // The warning comes from the status step, since IniCheck stays 0.
    RunStatusStep();
    EXPECT_EQ(Plugin.StatusText, "Your INI file is poorly configured");
}

TEST_F(SettingsReadTest, IniCheckOtherThan1234KeepsTheValuesAndWarns) {
    dir.Write("Korvane.ini", Edit(Sample(), "[1234]", "[1233]"));
    ReadSettings();
    EXPECT_EQ(Plugin.Settings.SpawnOdds, 9);
    RunStatusStep();
    EXPECT_EQ(Plugin.StatusText, "Your INI file is poorly configured");
}

TEST_F(SettingsReadTest, ValuesPersistBetweenReads) {
    dir.Write("Korvane.ini", Sample());
    ReadSettings();
    // The second file stops at the hotkey line: what the first read set stays,
    // IniCheck included, so no warning follows.
    dir.Write("Korvane.ini", Edit(Sample(), "Hotkey", "hotkey"));
    ReadSettings();
    ExpectSettings(Plugin.Settings, SampleValues());
    EXPECT_EQ(SmallTable(),
              BuiltInWith(BuiltInSmallModelList, SmallModelListSize, SampleSmallNames));
    RunStatusStep();
    EXPECT_EQ(Plugin.StatusText, "");
}

// A stop right at a colon is taken by the next list template: the block
// after it is read as the small list text.
TEST_F(SettingsReadTest, StopAtAColonFeedsTheNextListTemplate) {
    dir.Write("Korvane.ini",
              Edit(Sample(), "Debug Messages = [0]\n", "Debug Messages = [0]:\nbus, taxi;\n"));
    ReadSettings();
    EXPECT_EQ(FirstIncompleteTemplate(), 18);
    EXPECT_EQ(Plugin.LastSettingsRead.Ends[19], TemplateEnd::Complete);
    EXPECT_STREQ(Plugin.SmallListText, "bus, taxi");
    // The flag was not read, so the default (off) leaves the small table alone.
    EXPECT_EQ(SmallTable(), BuiltInSmall());
}

//-----------------------------------------------------------------------------
// [SECTION] List blocks and their buffers
//-----------------------------------------------------------------------------

// "sultan" padded with spaces to exactly `length` characters.
std::string PaddedBlock(size_t length) {
    return "sultan" + std::string(length - 6, ' ');
}

TEST_F(SettingsReadTest, BlockThatFillsItsBufferIsTakenWhole) {
    dir.Write("Korvane.ini", Edit(Sample(),
                                  "sultan, banshee, infernus, comet2, coquette,\n"
                                  "zentorno, massacro, cheetah",
                                  PaddedBlock(SmallListTextSize - 1)));
    ReadSettings();
    EXPECT_EQ(FirstIncompleteTemplate(), 0);
    EXPECT_EQ(Plugin.Settings.IniCheck, 1234);
    EXPECT_STREQ(Plugin.SmallModelList[0], "sultan");
    EXPECT_EQ(Plugin.SmallModelList[1], std::string(BuiltInSmallModelList[1]));
    EXPECT_EQ(Plugin.LastSettingsRead.ListNamesTaken, 1);
}

// A block one character too long is refused: its buffer keeps its text, the
// read stops there, and the missing IniCheck makes the game show the warning.
TEST_F(SettingsReadTest, BlockLongerThanItsBufferIsRefused) {
    dir.Write("Korvane.ini", Sample());
    ReadSettings();
    std::string before(Plugin.SmallListText, SmallListTextSize);
    ResetToLoadState();
    FillBuiltInModelLists();
    std::memcpy(Plugin.SmallListText, before.data(), before.size());

    dir.Write("Korvane.ini", Edit(Sample(),
                                  "sultan, banshee, infernus, comet2, coquette,\n"
                                  "zentorno, massacro, cheetah",
                                  PaddedBlock(SmallListTextSize)));
    ReadSettings();
    EXPECT_EQ(Plugin.LastSettingsRead.Ends[19], TemplateEnd::BlockTooLong);
    EXPECT_EQ(FirstIncompleteTemplate(), 20);
    EXPECT_EQ(std::string(Plugin.SmallListText, SmallListTextSize), before);
    ExpectSettings(Plugin.Settings, ReadUpTo(20));
}

TEST_F(SettingsReadTest, HugeFullBlockNeverWritesPastItsBuffer) {
    std::string names;
    while (names.size() < 40000) {
        names += "asea, bus, taxi, ";
    }
    dir.Write(
        "Korvane.ini",
        Edit(Edit(Sample(), "asea, asterope, bagger, baller, baller2,\ntaxi, bus, coach", names),
             "(275 vehicles max, 5 per line) = [0]", "(275 vehicles max, 5 per line) = [1]"));
    ReadSettings();
    EXPECT_EQ(Plugin.LastSettingsRead.Ends[21], TemplateEnd::BlockTooLong);
    EXPECT_EQ(Plugin.FullListText[0], '\0');
    EXPECT_EQ(FullTable(), BuiltInFull());
    EXPECT_EQ(Plugin.Settings.IniCheck, 0);
}

//-----------------------------------------------------------------------------
// [SECTION] Long files and files that are not text
//-----------------------------------------------------------------------------

// Ten megabytes of blank lines between two options are still only blank lines.
TEST_F(SettingsReadTest, TenMegabytesOfBlankLinesAreSkipped) {
    dir.Write("Korvane.ini", Edit(Sample(), "Aircraft missiles",
                                  std::string(10 << 20, '\n') + "Aircraft missiles"));
    ReadSettings();
    ExpectSettings(Plugin.Settings, SampleValues());
}

TEST_F(SettingsReadTest, TenMegabytesOfGarbageAfterTheFileAreNotRead) {
    std::string garbage(10 << 20, '\0');
    uint32_t state = 2463534242u;
    for (char& c : garbage) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = char(state);
    }
    dir.Write("Korvane.ini", Sample() + "X" + garbage);
    ReadSettings();
    ExpectSettings(Plugin.Settings, SampleValues());

    // The same bytes as the whole file match nothing.
    ResetToLoadState();
    FillBuiltInModelLists();
    dir.Write("Korvane.ini", "\xff" + garbage);
    ReadSettings();
    ExpectSettings(Plugin.Settings, SettingsRecord{});
    EXPECT_EQ(FullTable(), BuiltInFull());
    EXPECT_EQ(FirstIncompleteTemplate(), 1);
}

// Past the size limit the file counts as ended, so the INI check is not read.
TEST_F(SettingsReadTest, BytesPastTheSizeLimitAreNotRead) {
    dir.Write("Korvane.ini",
              Edit(Sample(), "INI Check", std::string(SettingsFileSizeLimit, ' ') + "INI Check"));
    ReadSettings();
    ExpectSettings(Plugin.Settings, ReadUpTo(23));
    EXPECT_EQ(Plugin.LastSettingsRead.Ends[22], TemplateEnd::EndOfData);
}

TEST_F(SettingsReadTest, EveryCutOfTheSampleReadsSafely) {
    const std::string sample = Sample();
    const size_t checkDigits = sample.rfind("1234");
    for (size_t size = 0; size <= sample.size(); size += 3) {
        ResetToLoadState();
        FillBuiltInModelLists();
        dir.Write("Korvane.ini", sample.substr(0, size));
        ReadSettings();
        // The check value is whatever of its digits the cut left; a list block
        // cut before its semicolon is never taken, so no cut name is reported.
        int32_t check = 0;
        if (size > checkDigits) {
            check = std::stoi(sample.substr(checkDigits, std::min<size_t>(size - checkDigits, 4)));
        }
        EXPECT_EQ(Plugin.Settings.IniCheck, check) << size;
        EXPECT_EQ(Plugin.StatusText, "") << size;
    }
}

// The file's text is kept between reads (a re-read then needs no new room):
// a shorter file read after a longer one, and after the sibling's file, must
// see only its own bytes and stop where a first read of it stops.
TEST_F(SettingsReadTest, AShorterFileAfterALongerOneReadsOnlyItsOwnText) {
    const std::string sample = Sample();
    dir.Write("palvenorhub.ini", "PALVENOR BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [72]\n");
    for (size_t size = 0; size <= sample.size(); size += 7) {
        ResetToLoadState();
        FillBuiltInModelLists();
        dir.Write("Korvane.ini", sample.substr(0, size));
        ReadSettings();
        const SettingsReadReport first = Plugin.LastSettingsRead;
        const SettingsRecord firstValues = Plugin.Settings;

        ResetToLoadState();
        FillBuiltInModelLists();
        dir.Write("Korvane.ini", sample + std::string(70000, '\n') + sample);
        ReadSettings();
        ReadSiblingHotkey();
        Plugin.Settings = SettingsRecord{};
        dir.Write("Korvane.ini", sample.substr(0, size));
        ReadSettings();
        for (int i = 0; i < SettingsTemplateCount; ++i) {
            ASSERT_EQ(Plugin.LastSettingsRead.Ends[i], first.Ends[i]) << size << " template " << i;
            ASSERT_EQ(Plugin.LastSettingsRead.StopOffsets[i], first.StopOffsets[i])
                << size << " template " << i;
        }
        EXPECT_EQ(Plugin.Settings.IniCheck, firstValues.IniCheck) << size;
        EXPECT_EQ(Plugin.Settings.Hotkey, firstValues.Hotkey) << size;
    }
}

//-----------------------------------------------------------------------------
// [SECTION] The shipped default file
//-----------------------------------------------------------------------------

TEST_F(SettingsReadTest, ShippedFileReadsWholeAndLeavesEverythingAtItsDefault) {
    std::ifstream shipped(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini", std::ios::binary);
    ASSERT_TRUE(shipped.good());
    std::stringstream text;
    text << shipped.rdbuf();
    dir.Write("Korvane.ini", text.str());

    ReadSettings();
    SettingsRecord expected;
    expected.IniCheck = IniCheckValue;
    ExpectSettings(Plugin.Settings, expected);
    EXPECT_EQ(FirstIncompleteTemplate(), 0);
    EXPECT_EQ(Plugin.LastSettingsRead.List, ListTaken::Full);
    EXPECT_EQ(Plugin.LastSettingsRead.ListNamesTaken, FullModelListSize);
    EXPECT_EQ(FullTable(), BuiltInFull());
    EXPECT_EQ(SmallTable(), BuiltInSmall());
    EXPECT_EQ(Plugin.StatusText, "");
    // Its small block holds the 50 built-in names too.
    std::vector<char> smallText(Plugin.SmallListText, Plugin.SmallListText + SmallListTextSize);
    LoadUserModelList(smallText.data(), ModelListKind::Small);
    EXPECT_EQ(Plugin.LastSettingsRead.ListNamesTaken, SmallModelListSize);
    EXPECT_EQ(SmallTable(), BuiltInSmall());
    EXPECT_EQ(Plugin.StatusText, "");
    RunStatusStep();
    EXPECT_EQ(Plugin.StatusText, "");
}

//-----------------------------------------------------------------------------
// [SECTION] The sibling plug-in's hotkey file
//-----------------------------------------------------------------------------

const char* const SiblingFile =
    "PALVENOR BY MIRODEX\n"
    "\n"
    "MAIN OPTIONS:\n"
    "Hotkey = [72]\n"
    "Something else = [1]\n";

struct SiblingCase {
    const char* name;
    std::string text;
    int32_t hotkey;
};

void PrintTo(const SiblingCase& c, std::ostream* os) {
    *os << c.name;
}

class SiblingFileCases : public SettingsReadTest,
                         public ::testing::WithParamInterface<SiblingCase> {};

TEST_P(SiblingFileCases, SetOnlyTheHotkey) {
    const SiblingCase& c = GetParam();
    dir.Write("palvenorhub.ini", c.text);
    ReadSiblingHotkey();
    SettingsRecord expected;
    expected.Hotkey = c.hotkey;
    ExpectSettings(Plugin.Settings, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SiblingFileCases,
    ::testing::Values(SiblingCase{"Whole", SiblingFile, 0x72},
                      SiblingCase{"WindowsLineEnds", ReplaceAll(SiblingFile, "\n", "\r\n"), 0x72},
                      SiblingCase{"PrefixedValue", Edit(SiblingFile, "[72]", "[0x72]"), 0x72},
                      SiblingCase{"NoHeader", Edit(SiblingFile, "PALVENOR BY MIRODEX\n\n", ""),
                                  0x72},
                      SiblingCase{"BlankLineFirst", std::string("\n") + SiblingFile, 0x63},
                      SiblingCase{"OurOwnHeader", Edit(SiblingFile, "PALVENOR", "KORVANE"), 0x63},
                      SiblingCase{"LowerCaseHotkey", Edit(SiblingFile, "Hotkey", "hotkey"), 0x63},
                      SiblingCase{"NoValue", Edit(SiblingFile, "[72]", "[]"), 0x63},
                      SiblingCase{"Empty", "", 0x63}));

// Notepad's "UTF-8 with BOM" puts EF BB BF before the first line: both files
// read as if the mark were absent, and the read reports that it saw one.
TEST_F(SettingsReadTest, ALeadingByteOrderMarkIsSkipped) {
    const std::string mark = "\xEF\xBB\xBF";
    std::ifstream shipped(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini", std::ios::binary);
    std::stringstream text;
    text << shipped.rdbuf();
    dir.Write("Korvane.ini", text.str());
    ReadSettings();
    const SettingsRecord plain = Plugin.Settings;
    EXPECT_FALSE(Plugin.LastSettingsRead.ByteOrderMark);

    ResetToLoadState();
    FillBuiltInModelLists();
    dir.Write("Korvane.ini", mark + text.str());
    ReadSettings();
    ExpectSettings(Plugin.Settings, plain);
    EXPECT_TRUE(Plugin.LastSettingsRead.ByteOrderMark);
    EXPECT_EQ(FirstIncompleteTemplate(), 0);
    EXPECT_EQ(Plugin.StatusText, "");

    // Only a mark at the very start is skipped; elsewhere the bytes are text.
    dir.Write("Korvane.ini", "\n" + mark + text.str());
    ReadSettings();
    EXPECT_EQ(FirstIncompleteTemplate(), 1);

    dir.Write("palvenorhub.ini", mark + "PALVENOR BY MIRODEX\n\nMAIN OPTIONS:\nHotkey = [71]\n");
    ReadSiblingHotkey();
    EXPECT_EQ(Plugin.Settings.Hotkey, 0x71);
}

TEST_F(SettingsReadTest, MissingSiblingFileChangesNothing) {
    ReadSiblingHotkey();
    ExpectSettings(Plugin.Settings, SettingsRecord{});
}

// Over two counter cycles of the real loop, the settings file's key holds
// from counter 0 to 249 and the sibling's from 250 until the next read at 0.
TEST_F(SettingsReadTest, TheTwoHotkeysAlternateOverACounterCycle) {
    dir.Write("Korvane.ini", Sample());
    dir.Write("palvenorhub.ini", SiblingFile);
    std::vector<int32_t> keyAfterPass;
    std::vector<int32_t> counterBeforePass;
    const int Passes = 2 * (CycleCounterLimit + 1);
    for (int pass = 0; pass < Passes; pass++) {
        counterBeforePass.push_back(Plugin.CycleCounter);
        sim::RunOnScriptFiber([] { TickPass(); }, 10);
        ASSERT_EQ(sim::HostErrorText(), "");
        keyAfterPass.push_back(Plugin.Settings.Hotkey);
    }
    for (int pass = 0; pass < Passes; pass++) {
        int counter = counterBeforePass[pass];
        EXPECT_EQ(counter, pass % (CycleCounterLimit + 1));
        EXPECT_EQ(keyAfterPass[pass], counter < SiblingFilePeriod ? 0x71 : 0x72)
            << "counter " << counter;
    }
}

}  // namespace

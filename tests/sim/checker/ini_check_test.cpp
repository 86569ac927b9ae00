// korvane-ini-check as a player runs it: plain and JSON output of a few files
// against golden files, and its exit status; in-process but for one run of
// the program itself.
//
// To refresh the golden files after an intended change of the output, run the
// tests with KORVANE_UPDATE_GOLDEN=1 and review the difference.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/checker/ini_check.h"
#include "support/temp_dir.h"

namespace {

const std::string FixtureDir = std::string(KORVANE_SOURCE_DIR) + "/tests/config/ini_check/";

struct CheckerRun {
    std::string output;
    int status = -1;
};

// The checker in-process, with its arguments split at spaces as a shell would.
CheckerRun RunChecker(const std::string& arguments) {
    std::vector<std::string> args;
    std::istringstream words(arguments);
    for (std::string word; words >> word;) {
        args.push_back(word);
    }
    std::ostringstream out;
    std::ostringstream err;
    CheckerRun run;
    run.status = checker::RunIniCheck(args, out, err);
    run.output = out.str();
    return run;
}

// The program itself, as a player starts it.
CheckerRun RunCheckerProgram(const std::string& arguments) {
    std::string command = std::string(KORVANE_INI_CHECK_PATH) + " " + arguments + " 2>/dev/null";
    CheckerRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        run.output.append(buffer, got);
    }
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void ExpectGolden(const std::string& actual, const std::string& goldenName) {
    std::string path = FixtureDir + goldenName;
    if (std::getenv("KORVANE_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, ReadFile(path)) << "golden file " << goldenName;
}

struct CheckCase {
    const char* file;
    int status;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.file;
}

class IniCheckOutput : public ::testing::TestWithParam<CheckCase> {};

TEST_P(IniCheckOutput, MatchesItsGoldenFiles) {
    const CheckCase& c = GetParam();
    std::string stem = std::string(c.file).substr(0, std::string(c.file).size() - 4);

    CheckerRun plain = RunChecker(FixtureDir + c.file);
    EXPECT_EQ(plain.status, c.status);
    ExpectGolden(plain.output, stem + ".txt");

    CheckerRun json = RunChecker(FixtureDir + c.file + " --json");
    EXPECT_EQ(json.status, c.status);
    ExpectGolden(json.output, stem + ".json");
}

INSTANTIATE_TEST_SUITE_P(IniCheck, IniCheckOutput,
                         ::testing::Values(CheckCase{"good.ini", 0},
                                           CheckCase{"spawn_rate_without_x.ini", 1},
                                           CheckCase{"unknown_names.ini", 1},
                                           CheckCase{"space_before_colon.ini", 1},
                                           CheckCase{"byte_order_mark.ini", 0}));

// What a player reads in a default Windows console: plain ASCII, 80 columns.
TEST_P(IniCheckOutput, FitsADefaultConsole) {
    CheckerRun plain = RunChecker(FixtureDir + GetParam().file);
    std::istringstream lines(plain.output);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        number++;
        EXPECT_LE(line.size(), 80u) << "line " << number << ": " << line;
        for (unsigned char c : line) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "line " << number << ": " << line;
        }
    }
    EXPECT_GT(number, 20);
}

// The JSON object has exactly the documented keys and shapes.
TEST(IniCheck, JsonObjectHasTheDocumentedShape) {
    CheckerRun run = RunChecker(FixtureDir + "spawn_rate_without_x.ini --json");
    nlohmann::ordered_json j = nlohmann::ordered_json::parse(run.output);
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it) {
        keys.push_back(it.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"settings", "full_list", "small_list", "status_text",
                                              "stopped_at", "byte_order_mark"}));
    // The options in the order of the file.
    std::vector<std::string> options;
    for (auto it = j["settings"].begin(); it != j["settings"].end(); ++it) {
        options.push_back(it.key());
    }
    EXPECT_EQ(options,
              (std::vector<std::string>{
                  "Hotkey", "AutoPedSpawner", "NewVehicleSpawnRate", "PolicePatrols", "PedsInCars",
                  "PedParachutes", "MinTransformDistance", "MinAirplaneHeight", "AircraftMissiles",
                  "SpawnOdds", "SpawnWaitMs", "VehicleTaskRate", "PedTaskRate", "DebugMessages",
                  "UseSmallList", "UseFullList", "IniCheck"}));
    EXPECT_EQ(j["full_list"].size(), 275u);
    EXPECT_EQ(j["small_list"].size(), 50u);
    EXPECT_EQ(j["settings"]["NewVehicleSpawnRate"], 2);
    // Not reached by the read, so still the default.
    EXPECT_EQ(j["settings"]["MinTransformDistance"], 30.0);
    EXPECT_EQ(j["stopped_at"]["line"], 6);
    EXPECT_EQ(j["stopped_at"]["column"], 39);
    EXPECT_EQ(j["stopped_at"]["template"], 5);
}

// The shipped default file passes its own check, with the program's status.
TEST(IniCheck, ShippedFilePasses) {
    CheckerRun run =
        RunCheckerProgram(std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini --json");
    EXPECT_EQ(run.status, 0);
    nlohmann::json j = nlohmann::json::parse(run.output);
    EXPECT_TRUE(j["stopped_at"].is_null());
    EXPECT_EQ(j["status_text"], "");
    EXPECT_EQ(j["settings"]["IniCheck"], 1234);
}

TEST(IniCheck, OverLongBlockAndMissingFileFail) {
    TempWorkingDirectory dir;
    std::string text = ReadFile(FixtureDir + "good.ini");
    size_t at = text.find("asterope");
    text.insert(at, std::string(20000, ' '));
    dir.Write("long.ini", text);
    CheckerRun run = RunChecker((dir.Path() / "long.ini").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("The full list block is longer than 16383 characters"),
              std::string::npos)
        << run.output;

    CheckerRun missing = RunChecker((dir.Path() / "absent.ini").string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "");
}

// A name relative to where the checker starts, and no name at all: the file
// beside the program first, else the one in the current folder.
TEST(IniCheck, FindsTheFileByRelativeNameAndWithoutOne) {
    TempWorkingDirectory dir;
    dir.Write("Mine.ini", ReadFile(FixtureDir + "good.ini"));
    EXPECT_EQ(RunChecker("Mine.ini").status, 0);

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(checker::RunIniCheck({}, out, err, dir.Path().string()), 1) << "none there yet";
    std::filesystem::create_directory(dir.Path() / "game");
    dir.Write("game/Korvane.ini", ReadFile(FixtureDir + "good.ini"));
    out.str("");
    EXPECT_EQ(checker::RunIniCheck({}, out, err, (dir.Path() / "game").string()), 0) << err.str();
    dir.Write("Korvane.ini", ReadFile(FixtureDir + "space_before_colon.ini"));
    EXPECT_EQ(checker::RunIniCheck({}, out, err, (dir.Path() / "game").string()), 0)
        << "the file beside the program comes first";
    EXPECT_EQ(checker::RunIniCheck({}, out, err, (dir.Path() / "nowhere").string()), 1);
}

}  // namespace

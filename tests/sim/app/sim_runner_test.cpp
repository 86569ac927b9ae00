// korvane-sim as a player runs it: a separate process that loads a plug-in
// the way the game does, runs the frames, writes the trace and the summary,
// and fails loudly on host errors. The stand-in plug-in exercises the host;
// the real one shows that it loads and switches on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;

const int Numpad3 = 0x63;

struct SimRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<json> trace;

    std::vector<json> Calls(const std::string& op) const {
        std::vector<json> calls;
        for (const json& entry : trace) {
            if (entry["op"] == op) {
                calls.push_back(entry);
            }
        }
        return calls;
    }
};

class SimRunnerTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        dir.Write(name, text);
        return (dir.Path() / name).string();
    }
    // A small world: the player, and the hotkey down on frames 3 to 7.
    std::string Scenario(const std::string& extra = "") {
        return Write("scenario.json", R"({"player": {"position": [0, 0, 0]}, "keys": [
            {"frame": 3, "key": 99, "down": true}, {"frame": 8, "key": 99, "down": false}])" +
                                          extra + "}");
    }
    // Runs korvane-sim with `args`, the stand-in plug-in in `fakeMode` (or the
    // real one when empty), and a trace.
    SimRun Sim(const std::string& args, const std::string& fakeMode = "loop") {
        std::string trace = (dir.Path() / "trace.jsonl").string();
        std::filesystem::remove(trace);
        std::string command;
        if (!fakeMode.empty()) {
            command = "KORVANE_FAKE_PLUGIN=" + fakeMode + " ";
        }
        command += std::string(KORVANE_SIM_PATH) + " " + args + " --trace " + trace;
        if (!fakeMode.empty()) {
            command += std::string(" --plugin ") + KORVANE_FAKE_PLUGIN_PATH;
        }
        CommandResult result = RunCommand(command, (dir.Path() / "out.txt").string(),
                                          (dir.Path() / "err.txt").string());
        SimRun run;
        run.status = result.status;
        run.out = result.out;
        run.err = result.err;
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) {
            run.trace.push_back(json::parse(line));
        }
        return run;
    }
    TempWorkingDirectory dir;
};

TEST_F(SimRunnerTest, RunsTheRegisteredScriptFrameByFrame) {
    SimRun run = Sim("--scenario " + Scenario() + " --frames 40 --seed 5");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.trace.size(), 3u);
    EXPECT_EQ(run.trace.front()["op"], "scriptRegister");
    EXPECT_EQ(run.trace.front()["frame"], 0);
    EXPECT_EQ(run.trace.back()["op"], "scriptUnregister");
    EXPECT_EQ(run.trace.back()["frame"], 40);

    // Passes of one frame, and a pass of six after each scriptWait(100).
    std::vector<json> waits = run.Calls("scriptWait");
    std::vector<int> frames;
    for (const json& wait : waits) {
        frames.push_back(wait["frame"]);
    }
    std::vector<int> expected = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  15, 16, 17, 18, 19,
                                 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39};
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(waits[9]["args"], json::array({100}));

    // The scripted hotkey reaches the plug-in, and its release switches it on.
    std::vector<json> keys = run.Calls("GetAsyncKeyState");
    ASSERT_EQ(keys.size(), waits.size());
    for (const json& key : keys) {
        int frame = key["frame"];
        EXPECT_EQ(key["args"], json::array({Numpad3}));
        EXPECT_EQ(key["ret"], frame >= 3 && frame < 8 ? 32768 : 0) << "frame " << frame;
    }
    std::vector<json> on = run.Calls("SetAllLowPriorityVehicleGeneratorsActive");
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0]["frame"], 8);

    EXPECT_NE(run.out.find("Native calls             31"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("registered; running at the end"), std::string::npos) << run.out;
}

TEST_F(SimRunnerTest, HostErrorsFailTheRun) {
    struct Case {
        const char* mode;
        const char* reported;
    };
    const Case cases[] = {
        {"unknown-hash", "unknown native hash 0x0123456789ABCDEF"},
        {"wrong-slots", "GetPlayerPed (0xD80958FC74E988A6) takes 0 argument slots"},
        {"wait-in-attach", "scriptWait(0) called outside the script fiber"},
        {"no-register", "the plug-in registered no script"},
    };
    std::string scenario = Scenario();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SimRun run = Sim("--scenario " + scenario + " --frames 20", c.mode);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.reported), std::string::npos) << run.err;
        EXPECT_NE(run.out.find("The run FAILED"), std::string::npos) << run.out;
        EXPECT_TRUE(run.Calls("scriptWait").empty()) << "the script never went on";
    }
}

TEST_F(SimRunnerTest, ScriptThatReturnsEndsTheRunWell) {
    SimRun run = Sim("--scenario " + Scenario() + " --frames 10", "return");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Calls("GetPlayerPed").size(), 3u);
    EXPECT_NE(run.out.find("its script returned"), std::string::npos) << run.out;
}

TEST_F(SimRunnerTest, SettingsFilesArePlacedInAFreshWorkingDirectory) {
    std::string ini = Write("mine.ini", "first line of mine\n");
    std::string sibling = Write("sibling.ini", "sibling's first\n");
    Write("from-scenario.ini", "the scenario's own\n");
    std::string scenario = Scenario(R"(, "ini": "from-scenario.ini")");
    struct Case {
        std::string args;
        const char* korvane;
        const char* palvenor;
    };
    const Case cases[] = {
        {"--ini " + ini + " --sibling-ini " + sibling, "first line of mine", "sibling's first"},
        {"", "the scenario's own", "-"},
    };
    std::vector<std::string> workDirs;
    for (const Case& c : cases) {
        SimRun run = Sim("--scenario " + scenario + " --frames 2 " + c.args, "files");
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<json> shown = run.Calls("GetHashKey");
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[1]["args"][0], c.korvane);
        EXPECT_EQ(shown[2]["args"][0], c.palvenor);
        workDirs.push_back(shown[0]["args"][0]);
    }
    EXPECT_NE(workDirs[0], workDirs[1]);
    for (const std::string& workDir : workDirs) {
        EXPECT_NE(workDir, dir.Path().string());
        EXPECT_FALSE(std::filesystem::exists(workDir)) << "removed after the run: " << workDir;
    }
}

TEST_F(SimRunnerTest, RunsThatCannotBeSetUp) {
    std::string scenario = Scenario();
    Write("broken.json", "{\"player\": ");
    const std::string cases[] = {
        "--scenario " + (dir.Path() / "missing.json").string(),
        "--scenario " + (dir.Path() / "broken.json").string(),
        "--scenario " + scenario + " --plugin " + (dir.Path() / "missing.so").string(),
        "--scenario " + scenario + " --ini " + (dir.Path() / "missing.ini").string(),
        "--scenario " + scenario + " --frames many",
        "--frames 10",
    };
    for (const std::string& args : cases) {
        SimRun run = Sim(args, "");
        EXPECT_EQ(run.status, 2) << args << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << args;
    }
}

TEST_F(SimRunnerTest, RealPluginLoadsFromBesideTheSimulatorAndSwitchesOn) {
    std::string scenario = Scenario();
    SimRun first = Sim("--scenario " + scenario + " --frames 120 --seed 9", "");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.trace.front()["op"], "scriptRegister");
    EXPECT_EQ(first.Calls("SetAllLowPriorityVehicleGeneratorsActive").size(), 1u);
    std::string firstTrace = ReadWholeFile((dir.Path() / "trace.jsonl").string());

    SimRun second = Sim("--scenario " + scenario + " --frames 120 --seed 9", "");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(ReadWholeFile((dir.Path() / "trace.jsonl").string()), firstTrace)
        << "the same scenario and seed give the same run";
}

TEST_F(SimRunnerTest, TraceDiffToolReportsTheFirstDifference) {
    std::string a = Write("a.jsonl", "{\"op\":\"X\",\"args\":[1.0]}\n{\"op\":\"Y\"}\n");
    std::string b = Write("b.jsonl", "{\"op\":\"X\",\"args\":[1.00001]}\n{\"op\":\"Y\"}\n");
    std::string c = Write("c.jsonl", "{\"op\":\"X\",\"args\":[1.00001]}\n{\"op\":\"Z\"}\n");
    struct Case {
        std::string left, right;
        int status;
    };
    const Case cases[] = {{a, b, 0}, {a, c, 1}, {a, (dir.Path() / "none").string(), 2}};
    for (const Case& cs : cases) {
        std::string out = (dir.Path() / "diff.txt").string();
        int raw = std::system(
            (std::string(KORVANE_TRACE_DIFF_PATH) + " " + cs.left + " " + cs.right + " >" + out)
                .c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), cs.status) << cs.right;
        if (cs.status == 1) {
            EXPECT_NE(ReadWholeFile(out).find("differ at entry 2, in op"), std::string::npos)
                << ReadWholeFile(out);
        }
    }
}

}  // namespace

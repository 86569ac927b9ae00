// A game reload as korvane-sim plays it: the host drops the script's fiber,
// rebuilds the world and starts ScriptMain again. The plug-in starts afresh
// (its first pass is the first pass of the run again, handles aside), and a
// fiber dropped in the middle of a pass leaves nothing behind (the sanitizer
// build's leak checker fails the run otherwise).
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string Town = std::string(KORVANE_SOURCE_DIR) + "/sim/scenarios/town.json";

using nlohmann::json;

class ScriptRestartRunTest : public ::testing::Test {
protected:
    CommandResult Sim(const std::string& scenario, const std::string& args) {
        return RunCommand(std::string(KORVANE_SIM_PATH) + " --plugin " + KORVANE_PLUGIN_PATH +
                              " --scenario " + scenario + " --seed 1 " + args,
                          Path("out.txt"), Path("err.txt"));
    }
    std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }

    static std::vector<json> Trace(const std::string& path) {
        std::vector<json> entries;
        std::istringstream lines(ReadWholeFile(path));
        for (std::string line; std::getline(lines, line);) {
            entries.push_back(json::parse(line));
        }
        return entries;
    }
    // The entries of one pass: from just after `start` up to its scriptWait.
    static std::vector<json> PassAfter(const std::vector<json>& trace, size_t start) {
        std::vector<json> pass;
        for (size_t i = start + 1; i < trace.size(); ++i) {
            pass.push_back(trace[i]);
            if (trace[i]["op"] == "scriptWait") {
                break;
            }
        }
        return pass;
    }
    static size_t IndexOf(const std::vector<json>& trace, const std::string& op) {
        for (size_t i = 0; i < trace.size(); ++i) {
            if (trace[i]["op"] == op) {
                return i;
            }
        }
        return trace.size();
    }
    // Whether `a` and `b` are the same but for entity handles, which must map
    // one to one (every old handle to the same new one).
    static bool SameButHandles(const json& a, const json& b, std::map<int64_t, int64_t>* handles) {
        if (a.is_number_integer() && b.is_number_integer() && a != b) {
            const int64_t from = a.get<int64_t>();
            const int64_t to = b.get<int64_t>();
            if (from < 1000 || to < 1000) {
                return false;  // handles start at 1000; anything smaller is a value
            }
            auto [it, added] = handles->emplace(from, to);
            return added ? true : it->second == to;
        }
        if (a.type() != b.type() || a.size() != b.size()) {
            return false;
        }
        if (a.is_array()) {
            for (size_t i = 0; i < a.size(); ++i) {
                if (!SameButHandles(a[i], b[i], handles)) {
                    return false;
                }
            }
            return true;
        }
        return a == b;
    }
    static long Number(const std::string& summary, const std::string& label) {
        std::smatch match;
        if (!std::regex_search(summary, match, std::regex("\\n\\s*" + label + "\\s+(\\d+)"))) {
            return -1;
        }
        return std::stol(match[1]);
    }

    TempWorkingDirectory dir;
};

TEST_F(ScriptRestartRunTest, TheFirstPassAfterARestartIsTheFirstPassOfTheRun) {
    CommandResult run = Sim(Town, "--frames 6000 --restart-at 2400 --trace " + Path("t.jsonl"));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(Number(run.out, "Script restarts"), 1) << run.out;

    const std::vector<json> trace = Trace(Path("t.jsonl"));
    const size_t restart = IndexOf(trace, "scriptRestart");
    ASSERT_LT(restart, trace.size());
    EXPECT_NE(ReadWholeFile(Path("t.jsonl"))
                  .find("\n{\"frame\":2400,\"op\":\"scriptRestart\",\"args\":[],\"ret\":null}\n"),
              std::string::npos)
        << "the host's own entry, as documented";
    EXPECT_EQ(IndexOf(trace, "scriptRestart"), restart);

    const std::vector<json> first = PassAfter(trace, IndexOf(trace, "scriptRegister"));
    const std::vector<json> again = PassAfter(trace, restart);
    ASSERT_EQ(again.size(), first.size());
    std::map<int64_t, int64_t> handles;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(again[i]["op"], first[i]["op"]) << "entry " << i;
        EXPECT_TRUE(SameButHandles(first[i]["args"], again[i]["args"], &handles))
            << first[i].dump() << "\n"
            << again[i].dump();
        EXPECT_TRUE(SameButHandles(first[i]["ret"], again[i]["ret"], &handles))
            << first[i].dump() << "\n"
            << again[i].dump();
    }
    for (const auto& [from, to] : handles) {
        EXPECT_GT(to, from) << "new entities take new handles";
    }

    // Switched off again, and nobody presses the hotkey: nothing is created.
    for (size_t i = restart; i < trace.size(); ++i) {
        const std::string op = trace[i]["op"];
        EXPECT_NE(op.rfind("Create", 0), 0u) << trace[i].dump();
        EXPECT_NE(op, "SetAllLowPriorityVehicleGeneratorsActive") << trace[i].dump();
    }
}

TEST_F(ScriptRestartRunTest, AFiberDroppedMidPassLeavesNothingBehind) {
    // On frame 100 the plug-in pauses a second after a spawn, in the middle
    // of its vehicle phase: frame 130 drops it there.
    CommandResult run = Sim(Town, "--frames 400 --restart-at 130 --trace " + Path("t.jsonl"));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(run.err.find("LeakSanitizer"), std::string::npos) << run.err;
    const std::vector<json> trace = Trace(Path("t.jsonl"));
    const size_t restart = IndexOf(trace, "scriptRestart");
    ASSERT_LT(restart, trace.size());
    size_t lastWait = restart;
    while (lastWait > 0 && trace[lastWait]["op"] != "scriptWait") {
        --lastWait;
    }
    ASSERT_EQ(trace[lastWait]["op"], "scriptWait");
    EXPECT_EQ(trace[lastWait]["args"][0], 1000) << "the fixture drops the fiber mid-pause";
    EXPECT_EQ(trace[restart]["frame"], 130);
    EXPECT_EQ(Number(run.out, "Script restarts"), 1) << run.out;
}

TEST_F(ScriptRestartRunTest, TheScenarioFieldAndTheOptionRestartAlike) {
    json scenario = json::parse(ReadWholeFile(Town));
    scenario["ini"] = std::string(KORVANE_SOURCE_DIR) + "/dist/Korvane.ini";
    scenario["scriptRestarts"] = {300, 900};
    dir.Write("restarts.json", scenario.dump());
    CommandResult field = Sim(Path("restarts.json"), "--frames 1200 --trace " + Path("a.jsonl"));
    CommandResult option =
        Sim(Town, "--frames 1200 --restart-at 900 --restart-at 300 --trace " + Path("b.jsonl"));
    ASSERT_EQ(field.status, 0) << field.err;
    ASSERT_EQ(option.status, 0) << option.err;
    EXPECT_EQ(Number(field.out, "Script restarts"), 2) << field.out;
    EXPECT_TRUE(ReadWholeFile(Path("a.jsonl")) == ReadWholeFile(Path("b.jsonl")));

    scenario["scriptRestarts"] = {-1};
    dir.Write("bad.json", scenario.dump());
    CommandResult bad = Sim(Path("bad.json"), "--frames 10");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("scriptRestarts[0]"), std::string::npos) << bad.err;
}

TEST_F(ScriptRestartRunTest, ChaosRestartsTheScriptAndRefusesItsAllocations) {
    const std::string chaosTown =
        std::string(KORVANE_SOURCE_DIR) + "/sim/scenarios/chaos_town.json";
    CommandResult run = Sim(chaosTown, "--frames 3000 --chaos 0.2");
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    const size_t chaos = run.out.find("Chaos (rate");
    ASSERT_NE(chaos, std::string::npos) << run.out;
    const std::string chaosPart = run.out.substr(chaos);
    const long restarts = Number(chaosPart, "Script restarts");
    EXPECT_GT(restarts, 0) << run.out;
    EXPECT_EQ(Number(run.out, "Script restarts"), restarts) << "every restart here is chaos's";
    EXPECT_GT(Number(chaosPart, "Allocations refused"), 0) << run.out;
    // After a restart by chaos the player switches Korvane on again.
    EXPECT_GT(Number(run.out, "Replacements"), 0) << run.out;
}

}  // namespace

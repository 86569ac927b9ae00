#include "sim/checker/ini_check.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "config/model_lists.h"
#include "config/settings.h"
#include "config/settings_fields.h"
#include "sim/runtime/host_runtime.h"
#include "sim/app/work_dir.h"
#include "sim/world/world.h"

namespace checker {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return s;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t above = row[j];
            size_t replace = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, replace});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Counts the names of a list block the way the plug-in splits them.
int CountNames(const std::string& block) {
    int count = 0;
    bool inName = false;
    for (char c : block) {
        bool delimiter = c == '\n' || c == ' ' || c == ',';
        if (c == '\0') {
            break;
        }
        if (!delimiter && !inName) {
            count++;
        }
        inName = !delimiter;
    }
    return count;
}

// The names a block held in the file, from the plug-in's report of where the
// block's template began and ended.
std::string BlockText(const std::string& text, const SettingsReadReport& report,
                      int blockTemplate) {
    size_t start = report.StopOffsets[blockTemplate - 2];
    size_t end = report.StopOffsets[blockTemplate - 1];
    if (report.Ends[blockTemplate - 1] != TemplateEnd::Complete || end <= start) {
        return "";
    }
    std::string span = text.substr(start, end - start);
    size_t colon = span.find(':');
    size_t semicolon = span.rfind(';');
    if (colon == std::string::npos || semicolon == std::string::npos || semicolon < colon) {
        return "";
    }
    return span.substr(colon + 1, semicolon - colon - 1);
}

std::vector<std::string> KnownVehicleNames(const sim::World& world) {
    std::vector<std::string> names;
    for (const auto& entry : world.hashNames) {
        if (world.knownModelHashes.count(entry.first) != 0) {
            names.push_back(entry.second);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ClosestName(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = std::numeric_limits<size_t>::max();
    std::string lower = Lower(name);
    for (const std::string& candidate : known) {
        size_t d = EditDistance(lower, Lower(candidate));
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}

}  // namespace

bool CheckSettingsFile(const std::string& path, CheckResult* result, std::string* error) {
    *result = CheckResult{};
    if (!fs::is_regular_file(path)) {
        *error = "cannot read " + path + ": no such file";
        return false;
    }
    if (!LoadSettingsText(path.c_str(), result->text)) {
        *error = "cannot read " + path;
        return false;
    }
    // The plug-in opens the file by its own name in the current folder, so it
    // reads a copy in a folder of its own.
    // A relative name is taken from where the checker was started.
    std::error_code ec;
    const std::string source = fs::absolute(path, ec).string();
    sim::WorkingDirectory dir;
    if (!sim::EnterFreshWorkingDirectory(&dir, error)) {
        return false;
    }
    if (!sim::PlaceFile(dir, source, "Korvane.ini", error)) {
        sim::LeaveWorkingDirectory(dir);
        return false;
    }

    static sim::World world;
    world = sim::World{};
    sim::LoadModelCatalogue(world);
    sim::AttachWorld(&world);
    ResetToLoadState();
    FillBuiltInModelLists();
    ReadSettings();
    sim::LeaveWorkingDirectory(dir);

    result->settings = Plugin.Settings;
    result->report = Plugin.LastSettingsRead;
    result->statusText = Plugin.StatusText;
    for (const char* name : Plugin.FullModelList) {
        result->fullList.push_back(name);
    }
    for (const char* name : Plugin.SmallModelList) {
        result->smallList.push_back(name);
    }

    const SettingsReadReport& report = result->report;
    result->stopTemplate = StopTemplate(report);
    result->missingHeader = report.Ends[0] != TemplateEnd::Complete && result->stopTemplate != 1;

    if (report.List != ListTaken::None) {
        bool full = report.List == ListTaken::Full;
        const std::vector<std::string>& table = full ? result->fullList : result->smallList;
        result->namesInTakenBlock = CountNames(
            BlockText(result->text, report, full ? FullBlockTemplate : SmallBlockTemplate));
        std::vector<std::string> known = KnownVehicleNames(world);
        for (int i = 0; i < report.ListNamesTaken; i++) {
            if (world.knownModelHashes.count(sim::HashName(table[i].c_str())) == 0) {
                result->unknown.push_back(UnknownName{full ? "full" : "small", i, table[i],
                                                      ClosestName(table[i], known)});
            }
        }
    }
    sim::AttachWorld(nullptr);
    return true;
}

int StopTemplate(const SettingsReadReport& report) {
    for (int i = 0; i < SettingsTemplateCount; i++) {
        if (report.Ends[i] == TemplateEnd::Complete) {
            continue;
        }
        if (i == 0 && report.Ends[1] == TemplateEnd::Complete) {
            continue;
        }
        return i + 1;
    }
    return 0;
}

bool Passes(const CheckResult& result) {
    return result.stopTemplate == 0 && result.settings.IniCheck == IniCheckValue;
}

}  // namespace checker

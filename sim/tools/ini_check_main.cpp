// korvane-ini-check: reads a settings file with the plug-in's own reading code,
// as the first pass of a fresh load would, against the substitute host, and
// tells a player what the game will make of it.
//
// Exit status 0 when the file reads whole and INI Check is 1234, 1 otherwise.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "config/model_lists.h"
#include "config/settings.h"
#include "sim/host/host_runtime.h"
#include "sim/host/world.h"
#include "sim/tools/key_names.h"
#include "state/plugin_state.h"

namespace {

namespace fs = std::filesystem;

//-----------------------------------------------------------------------------
// What the read left
//-----------------------------------------------------------------------------

enum class FieldKind { Hex, Integer, Flag, OnlyOne, Metres, Odds, Milliseconds, Passes, Check };

struct Field {
    int templateNumber;
    const char* name;
    FieldKind kind;
    const char* meaning;  // for OnlyOne: what exactly 1 turns on
};

const Field Fields[] = {
    {3, "Hotkey", FieldKind::Hex, ""},
    {4, "AutoPedSpawner", FieldKind::Flag, ""},
    {5, "NewVehicleSpawnRate", FieldKind::Integer, ""},
    {6, "PolicePatrols", FieldKind::OnlyOne, "police patrols"},
    {7, "PedsInCars", FieldKind::Flag, ""},
    {8, "PedParachutes", FieldKind::OnlyOne, "parachutes"},
    {9, "MinTransformDistance", FieldKind::Metres, ""},
    {10, "MinAirplaneHeight", FieldKind::Metres, ""},
    {11, "AircraftMissiles", FieldKind::Flag, ""},
    {12, "SpawnOdds", FieldKind::Odds, ""},
    {14, "SpawnWaitMs", FieldKind::Milliseconds, ""},
    {15, "VehicleTaskRate", FieldKind::Passes, ""},
    {16, "PedTaskRate", FieldKind::Passes, ""},
    {17, "DebugMessages", FieldKind::Flag, ""},
    {19, "UseSmallList", FieldKind::Flag, ""},
    {21, "UseFullList", FieldKind::Flag, ""},
    {23, "IniCheck", FieldKind::Check, ""},
};

const int SmallBlockTemplate = 20;
const int FullBlockTemplate = 22;

// A field's value as a JSON number: flags as 0/1, distances as numbers.
nlohmann::ordered_json FieldValue(const SettingsRecord& s, int templateNumber) {
    switch (templateNumber) {
        case 3:
            return s.Hotkey;
        case 4:
            return int(s.AutoPedSpawner);
        case 5:
            return s.NewVehicleSpawnRate;
        case 6:
            return s.PolicePatrols;
        case 7:
            return int(s.PedsInCars);
        case 8:
            return s.PedParachutes;
        case 9:
            return s.MinTransformDistance;
        case 10:
            return s.MinAirplaneHeight;
        case 11:
            return int(s.AircraftMissiles);
        case 12:
            return s.SpawnOdds;
        case 14:
            return s.SpawnWaitMs;
        case 15:
            return s.VehicleTaskRate;
        case 16:
            return s.PedTaskRate;
        case 17:
            return int(s.DebugMessages);
        case 19:
            return int(s.UseSmallList);
        case 21:
            return int(s.UseFullList);
        default:
            return s.IniCheck;
    }
}

// The shortest text that reads back as the same float.
std::string FloatText(float value) {
    char buffer[64];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, r.ptr);
}

std::string HexText(int32_t value) {
    char buffer[32];
    if (value < 0) {
        std::snprintf(buffer, sizeof(buffer), "-0x%X", unsigned(-(int64_t(value))));
    } else {
        std::snprintf(buffer, sizeof(buffer), "0x%X", unsigned(value));
    }
    return buffer;
}

// The value in plain words, with whatever about it may surprise a player.
std::string DescribeValue(const Field& f, const SettingsRecord& s) {
    nlohmann::ordered_json v = FieldValue(s, f.templateNumber);
    switch (f.kind) {
        case FieldKind::Hex: {
            std::string key = tools::KeyName(s.Hotkey);
            return HexText(s.Hotkey) + (key.empty() ? " (no key has this code)" : " (" + key + ")");
        }
        case FieldKind::Flag:
            return v.dump() + (v.get<int>() != 0 ? " (on)" : " (off)");
        case FieldKind::OnlyOne: {
            int32_t n = v.get<int32_t>();
            if (n == 1) {
                return "1 (on)";
            }
            return std::to_string(n) + " (off: only exactly 1 turns " + f.meaning + " on)";
        }
        case FieldKind::Metres:
            return FloatText(v.get<float>()) + " m";
        case FieldKind::Odds: {
            // The draw is a whole number from 1 to the value, won on 1.
            int32_t n = s.SpawnOdds;
            if (n <= 1) {
                return std::to_string(n) + " (every chance succeeds)";
            }
            return std::to_string(n) + " (a 1 in " + std::to_string(n) + " chance)";
        }
        case FieldKind::Milliseconds:
            return std::to_string(s.SpawnWaitMs) + " ms";
        case FieldKind::Passes: {
            int32_t n = v.get<int32_t>();
            return n <= 1 ? std::to_string(n) + " (every pass)"
                          : "every " + std::to_string(n) + " passes";
        }
        case FieldKind::Integer: {
            int32_t n = s.NewVehicleSpawnRate;
            return std::to_string(n) + (n <= 0 ? " (no spawns at road nodes)" : "");
        }
        case FieldKind::Check:
            return std::to_string(s.IniCheck) +
                   (s.IniCheck == IniCheckValue ? " (correct)" : " (not 1234)");
    }
    return v.dump();
}

//-----------------------------------------------------------------------------
// Text helpers
//-----------------------------------------------------------------------------

// Bytes as a player can read them: printable ASCII as it is, the rest escaped.
std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "\\x%02X", c);
            out += buffer;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string Quoted(const std::string& text) {
    return "\"" + Escape(text) + "\"";
}

// A template as a player would write the line: conversions as placeholders,
// the skip and the line ends left out.
std::string TemplateForPeople(const char* pattern) {
    std::string p = pattern;
    struct Swap {
        const char* from;
        const char* to;
    };
    const Swap swaps[] = {{"%*", ""},         {"%x", "<key code>"}, {"%d", "<number>"},
                          {"%f", "<number>"}, {"%[^;]", "<names>"}, {"\n", " "}};
    for (const Swap& s : swaps) {
        for (size_t at = p.find(s.from); at != std::string::npos; at = p.find(s.from, at)) {
            p.replace(at, std::string(s.from).size(), s.to);
            at += std::string(s.to).size();
        }
    }
    size_t first = p.find_first_not_of(' ');
    size_t last = p.find_last_not_of(' ');
    p = first == std::string::npos ? "" : p.substr(first, last - first + 1);
    std::string collapsed;
    for (char c : p) {
        if (!(c == ' ' && !collapsed.empty() && collapsed.back() == ' ')) {
            collapsed += c;
        }
    }
    return collapsed;
}

struct Place {
    size_t line = 1;
    size_t column = 1;
};

Place PlaceOf(const std::string& text, size_t offset) {
    Place place;
    for (size_t i = 0; i < offset && i < text.size(); i++) {
        if (text[i] == '\n') {
            place.line++;
            place.column = 1;
        } else {
            place.column++;
        }
    }
    return place;
}

// What the file holds at an offset: the rest of that line, shortened.
std::string FoundAt(const std::string& text, size_t offset) {
    if (offset >= text.size()) {
        return "the end of the file";
    }
    size_t end = text.find('\n', offset);
    if (end == offset) {
        return "the end of the line";
    }
    std::string rest = text.substr(offset, (end == std::string::npos ? text.size() : end) - offset);
    const size_t Longest = 48;
    if (rest.size() > Longest) {
        return Quoted(rest.substr(0, Longest)) + "...";
    }
    return Quoted(rest);
}

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

//-----------------------------------------------------------------------------
// The check
//-----------------------------------------------------------------------------

struct UnknownName {
    const char* list;
    int index;
    std::string name;
    std::string suggestion;
};

struct CheckResult {
    std::string text;  // the file as the plug-in saw it
    int stopTemplate = 0;
    bool missingHeader = false;
    std::vector<UnknownName> unknown;
    int namesInTakenBlock = 0;
};

// The first template that stopped the read; 0 when the file read whole. A
// missing header does not count when the main-options heading matched, since
// the rest then reads normally.
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
std::string BlockText(const CheckResult& result, const SettingsReadReport& report,
                      int blockTemplate) {
    size_t start = report.StopOffsets[blockTemplate - 2];
    size_t end = report.StopOffsets[blockTemplate - 1];
    if (report.Ends[blockTemplate - 1] != TemplateEnd::Complete || end <= start) {
        return "";
    }
    std::string span = result.text.substr(start, end - start);
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

// Runs the plug-in's read on a copy of the file named Korvane.ini in a fresh
// directory. False, with a message, when the file cannot be read.
bool RunRead(const std::string& path, CheckResult& result, std::string& error) {
    if (!fs::is_regular_file(path)) {
        error = "cannot read " + path + ": no such file";
        return false;
    }
    if (!LoadSettingsText(path.c_str(), result.text)) {
        error = "cannot read " + path;
        return false;
    }
    std::string pattern = (fs::temp_directory_path() / "korvane-ini-check-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a temporary directory";
        return false;
    }
    fs::path dir = pattern;
    std::error_code ec;
    fs::copy_file(path, dir / "Korvane.ini", ec);
    fs::path previous = fs::current_path();
    if (!ec) {
        fs::current_path(dir, ec);
    }
    if (ec) {
        error = "cannot copy " + path + ": " + ec.message();
        fs::remove_all(dir, ec);
        return false;
    }

    static sim::World world;
    world = sim::World{};
    sim::LoadModelCatalogue(world);
    sim::AttachWorld(&world);
    ResetToLoadState();
    FillBuiltInModelLists();
    ReadSettings();

    fs::current_path(previous);
    fs::remove_all(dir, ec);

    const SettingsReadReport& report = Plugin.LastSettingsRead;
    result.stopTemplate = StopTemplate(report);
    result.missingHeader = report.Ends[0] != TemplateEnd::Complete && result.stopTemplate != 1;

    if (report.List != ListTaken::None) {
        bool full = report.List == ListTaken::Full;
        const char* const* table = full ? Plugin.FullModelList : Plugin.SmallModelList;
        result.namesInTakenBlock =
            CountNames(BlockText(result, report, full ? FullBlockTemplate : SmallBlockTemplate));
        std::vector<std::string> known = KnownVehicleNames(world);
        for (int i = 0; i < report.ListNamesTaken; i++) {
            if (world.knownModelHashes.count(sim::HashName(table[i])) == 0) {
                result.unknown.push_back(UnknownName{full ? "full" : "small", i, table[i],
                                                     ClosestName(table[i], known)});
            }
        }
    }
    sim::AttachWorld(nullptr);
    return true;
}

bool Passes(const CheckResult& result) {
    return result.stopTemplate == 0 && Plugin.Settings.IniCheck == IniCheckValue;
}

//-----------------------------------------------------------------------------
// Output
//-----------------------------------------------------------------------------

nlohmann::ordered_json JsonReport(const CheckResult& result) {
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (const Field& f : Fields) {
        settings[f.name] = FieldValue(Plugin.Settings, f.templateNumber);
    }
    nlohmann::ordered_json full = nlohmann::ordered_json::array();
    for (const char* name : Plugin.FullModelList) {
        full.push_back(name);
    }
    nlohmann::ordered_json small = nlohmann::ordered_json::array();
    for (const char* name : Plugin.SmallModelList) {
        small.push_back(name);
    }
    nlohmann::ordered_json stopped = nullptr;
    if (result.stopTemplate != 0) {
        Place place =
            PlaceOf(result.text, Plugin.LastSettingsRead.StopOffsets[result.stopTemplate - 1]);
        stopped = {
            {"line", place.line}, {"column", place.column}, {"template", result.stopTemplate}};
    }
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["settings"] = settings;
    out["full_list"] = full;
    out["small_list"] = small;
    out["status_text"] = Plugin.StatusText;
    out["stopped_at"] = stopped;
    return out;
}

// Why the read stopped where it did, in words.
std::string StopReason(const CheckResult& result) {
    const SettingsReadReport& report = Plugin.LastSettingsRead;
    int t = result.stopTemplate;
    const char* block = t == SmallBlockTemplate ? "small" : "full";
    switch (report.Ends[t - 1]) {
        case TemplateEnd::BlockTooLong:
            return std::string("The ") + block + " list block is longer than " +
                   std::to_string((t == SmallBlockTemplate ? SmallListTextSize : FullListTextSize) -
                                  1) +
                   " characters, so it was not taken.";
        case TemplateEnd::BlockUnterminated:
            return std::string("No semicolon ends the ") + block + " list block.";
        case TemplateEnd::EmptyBlock:
            return std::string("The ") + block +
                   " list block is empty: a semicolon comes right after the colon.";
        case TemplateEnd::EndOfData:
            return "The file ends here.";
        case TemplateEnd::NoNumber:
            return "A number was expected here.";
        default:
            break;
    }
    const int SpawnRateTemplate = 5;
    if (t == SpawnRateTemplate) {
        return "Write an x right after the number, as in [1x]. The number itself was taken.";
    }
    if (t == SmallBlockTemplate || t == FullBlockTemplate) {
        return "The colon must follow the closing bracket of the line before directly.";
    }
    return "The text here does not match the line expected (case and spelling count).";
}

void PrintPlain(const std::string& path, const CheckResult& result) {
    const SettingsReadReport& report = Plugin.LastSettingsRead;
    std::ostream& out = std::cout;
    out << "Settings file: " << fs::path(path).filename().string() << "\n\n";
    out << "Options, in the order of the file:\n";
    for (const Field& f : Fields) {
        std::string name = f.name;
        std::string value = DescribeValue(f, Plugin.Settings);
        name.resize(std::max<size_t>(name.size(), 22), ' ');
        value.resize(std::max<size_t>(value.size() + 2, 50), ' ');
        out << "  " << name << value
            << (report.Assigned[f.templateNumber - 1] ? "set by the file" : "default") << "\n";
    }
    out << "\n";

    if (result.missingHeader) {
        out << "The first line is not the header \"KORVANE BY MIRODEX\"; the file is read all "
               "the same, from the \"MAIN OPTIONS:\" heading on.\n\n";
    }
    if (result.stopTemplate == 0) {
        out << "Reading: every line matched.\n";
    } else {
        int t = result.stopTemplate;
        size_t offset = report.StopOffsets[t - 1];
        Place place = PlaceOf(result.text, offset);
        out << "Reading stopped at line " << place.line << ", column " << place.column << ".\n";
        out << "  Expected: " << TemplateForPeople(SettingsTemplates[t - 1]) << "   (template " << t
            << ")\n";
        out << "  Found:    " << FoundAt(result.text, offset) << "\n";
        out << "  " << StopReason(result) << "\n";
        std::vector<std::string> notRead;
        for (const Field& f : Fields) {
            if (f.templateNumber >= t && !report.Assigned[f.templateNumber - 1]) {
                notRead.push_back(f.name);
            }
        }
        if (!report.Assigned[SmallBlockTemplate - 1]) {
            notRead.push_back("the small list block");
        }
        if (!report.Assigned[FullBlockTemplate - 1]) {
            notRead.push_back("the full list block");
        }
        out << "  So these were not read and keep the values they had:";
        for (size_t i = 0; i < notRead.size(); i++) {
            out << (i == 0 ? " " : ", ") << notRead[i];
        }
        out << ".\n";
    }
    out << "\n";

    out << "Model lists:\n";
    if (report.List == ListTaken::None) {
        out << "  Both list options are off: vehicles come from the small list, with its "
               "built-in names.\n";
    } else {
        bool full = report.List == ListTaken::Full;
        const char* which = full ? "full" : "small";
        int capacity = full ? FullModelListSize : SmallModelListSize;
        if (report.ListNamesTaken == 0) {
            out << "  The " << which << " list is in use, with its built-in names (no names "
                << "were taken from the file).\n";
        } else {
            out << "  The " << which << " list is in use: " << report.ListNamesTaken
                << " names from the file";
            if (report.ListNamesTaken < capacity) {
                out << "; entries " << report.ListNamesTaken + 1 << " to " << capacity
                    << " keep their built-in names";
            }
            out << ".\n";
        }
        if (result.namesInTakenBlock > capacity) {
            out << "  The block has " << result.namesInTakenBlock << " names; only the first "
                << capacity << " are used.\n";
        }
        if (full && report.Assigned[SmallBlockTemplate - 1]) {
            out << "  The small list block is not used while the full list is on.\n";
        }
    }
    if (!result.unknown.empty()) {
        out << "  Names the game does not know as vehicle models:\n";
        for (const UnknownName& u : result.unknown) {
            out << "    " << u.list << " list entry " << u.index + 1 << ": " << Quoted(u.name)
                << " - did you mean " << Quoted(u.suggestion) << "?\n";
        }
    }
    if (!Plugin.StatusText.empty()) {
        out << "  In-game message after this read: " << Quoted(Plugin.StatusText) << "\n";
    }
    out << "\n";

    if (Plugin.Settings.IniCheck != IniCheckValue) {
        out << "INI Check is " << Plugin.Settings.IniCheck
            << ", not 1234: while Korvane is switched on, the game shows \"Your INI file is "
               "poorly configured\".\n";
    }
    if (Passes(result)) {
        out << "Result: OK - the file reads whole and INI Check is 1234.\n";
    } else {
        out << "Result: NOT OK - "
            << (result.stopTemplate != 0 ? "the file does not read whole" : "INI Check is not 1234")
            << ".\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Checks a Korvane settings file the way the game reads it."};
    std::string path;
    bool json = false;
    app.add_option("FILE", path, "the settings file to check")->required();
    app.add_flag("--json", json, "print one JSON object instead of plain words");
    CLI11_PARSE(app, argc, argv);

    CheckResult result;
    std::string error;
    if (!RunRead(path, result, error)) {
        std::cerr << "korvane-ini-check: " << error << "\n";
        return 1;
    }
    if (json) {
        std::cout << JsonReport(result).dump(2, ' ', false,
                                             nlohmann::ordered_json::error_handler_t::replace)
                  << "\n";
    } else {
        PrintPlain(path, result);
    }
    return Passes(result) ? 0 : 1;
}

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "sim/checker/float_text.h"
#include "sim/checker/ini_check.h"
#include "sim/scenario/key_names.h"

namespace checker {

namespace {

// A field's value as a JSON number: flags as 0 or 1, distances as numbers.
nlohmann::ordered_json JsonValue(const SettingsRecord& s, const SettingsField& f) {
    if (f.Integer != nullptr) {
        return s.*f.Integer;
    }
    if (f.Flag != nullptr) {
        return int(s.*f.Flag);
    }
    return s.*f.Real;
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
std::string DescribeValue(const SettingsField& f, const SettingsRecord& s) {
    nlohmann::ordered_json v = JsonValue(s, f);
    switch (f.Kind) {
        case SettingKind::Hex: {
            std::string key = sim::KeyLabel(s.Hotkey);
            return HexText(s.Hotkey) + (key.empty() ? " (no key has this code)" : " (" + key + ")");
        }
        case SettingKind::Flag:
            return v.dump() + (v.get<int>() != 0 ? " (on)" : " (off)");
        case SettingKind::OnlyOne: {
            int32_t n = v.get<int32_t>();
            if (n == 1) {
                return "1 (on)";
            }
            return std::to_string(n) + " (off: only exactly 1 turns " + f.Meaning + " on)";
        }
        case SettingKind::WholeMetres:
        case SettingKind::Metres:
            return ShortestFloatText(v.get<float>()) + " m";
        case SettingKind::Odds: {
            // The draw is a whole number from 1 to the value, won on 1.
            int32_t n = s.SpawnOdds;
            if (n <= 1) {
                return std::to_string(n) + " (every chance succeeds)";
            }
            return std::to_string(n) + " (a 1 in " + std::to_string(n) + " chance)";
        }
        case SettingKind::Milliseconds:
            return std::to_string(s.SpawnWaitMs) + " ms";
        case SettingKind::Passes: {
            int32_t n = v.get<int32_t>();
            return n <= 1 ? std::to_string(n) + " (every pass)"
                          : "every " + std::to_string(n) + " passes";
        }
        case SettingKind::Count: {
            int32_t n = s.NewVehicleSpawnRate;
            return std::to_string(n) + (n <= 0 ? " (no spawns at road nodes)" : "");
        }
        case SettingKind::Check:
            return std::to_string(s.IniCheck) +
                   (s.IniCheck == IniCheckValue ? " (correct)" : " (not 1234)");
    }
    return v.dump();
}

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

// Why the read stopped where it did, in words.
std::string StopReason(const CheckResult& result) {
    const SettingsReadReport& report = result.report;
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

}  // namespace

// A word longer than a line stands on a line of its own.
void PrintWrapped(std::ostream& out, const std::string& text, size_t indent, size_t hanging) {
    const size_t ReportWidth = 80;
    std::string line(indent, ' ');
    size_t lineStart = indent;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string word = text.substr(at, end - at);
        if (line.size() > lineStart && line.size() + 1 + word.size() > ReportWidth) {
            out << line << "\n";
            line = std::string(hanging, ' ');
            lineStart = hanging;
        }
        if (line.size() > lineStart) {
            line += ' ';
        }
        line += word;
        at = end + 1;
    }
    out << line << "\n";
}

nlohmann::ordered_json JsonReport(const CheckResult& result) {
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (const SettingsField& f : SettingsFields) {
        settings[f.Name] = JsonValue(result.settings, f);
    }
    nlohmann::ordered_json full = result.fullList;
    nlohmann::ordered_json small = result.smallList;
    nlohmann::ordered_json stopped = nullptr;
    if (result.stopTemplate != 0) {
        Place place = PlaceOf(result.text, result.report.StopOffsets[result.stopTemplate - 1]);
        stopped = {
            {"line", place.line}, {"column", place.column}, {"template", result.stopTemplate}};
    }
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["settings"] = settings;
    out["full_list"] = full;
    out["small_list"] = small;
    out["status_text"] = result.statusText;
    out["stopped_at"] = stopped;
    out["byte_order_mark"] = result.report.ByteOrderMark;
    return out;
}

void PrintPlainReport(std::ostream& out, const std::string& fileName, const CheckResult& result) {
    const SettingsReadReport& report = result.report;
    // Every line fits a default Windows console of 80 columns.
    auto say = [&out](const std::string& text, size_t indent = 0, size_t hanging = 2) {
        PrintWrapped(out, text, indent, indent + hanging);
    };
    say("Settings file: " + fileName);
    out << "\n";
    if (report.ByteOrderMark) {
        say("The file begins with a UTF-8 byte-order mark (the bytes EF BB BF, which some "
            "editors write, such as Notepad's \"UTF-8 with BOM\"). Korvane skips it.");
        out << "\n";
    }
    out << "Options, in the order of the file:\n";
    const size_t NameWidth = 22;
    const size_t ValueWidth = 38;
    for (const SettingsField& f : SettingsFields) {
        std::string name = f.Name;
        std::string value = DescribeValue(f, result.settings);
        const char* source = report.Assigned[f.Template - 1] ? "set by the file" : "default";
        name.resize(std::max<size_t>(name.size() + 1, NameWidth), ' ');
        if (value.size() + 2 > ValueWidth) {
            // A long value gets its own line; where it came from goes below.
            out << "  " << name << value << "\n"
                << std::string(2 + NameWidth + ValueWidth, ' ') << source << "\n";
            continue;
        }
        value.resize(ValueWidth, ' ');
        out << "  " << name << value << source << "\n";
    }
    out << "\n";

    if (result.missingHeader) {
        say("The first line is not the header \"KORVANE BY MIRODEX\"; the file is read all "
            "the same, from the \"MAIN OPTIONS:\" heading on.");
        out << "\n";
    }
    if (result.stopTemplate == 0) {
        out << "Reading: every line matched.\n";
    } else {
        int t = result.stopTemplate;
        size_t offset = report.StopOffsets[t - 1];
        Place place = PlaceOf(result.text, offset);
        out << "Reading stopped at line " << place.line << ", column " << place.column << ".\n";
        say("Expected: " + TemplateForPeople(SettingsTemplates[t - 1]) + "   (template " +
                std::to_string(t) + ")",
            2, 10);
        say("Found:    " + FoundAt(result.text, offset), 2, 10);
        say(StopReason(result), 2, 0);
        std::vector<std::string> notRead;
        for (const SettingsField& f : SettingsFields) {
            if (f.Template >= t && !report.Assigned[f.Template - 1]) {
                notRead.push_back(f.Name);
            }
        }
        if (!report.Assigned[SmallBlockTemplate - 1]) {
            notRead.push_back("the small list block");
        }
        if (!report.Assigned[FullBlockTemplate - 1]) {
            notRead.push_back("the full list block");
        }
        std::string list = "So these were not read and keep the values they had:";
        for (size_t i = 0; i < notRead.size(); i++) {
            list += (i == 0 ? " " : ", ") + notRead[i];
        }
        say(list + ".", 2, 0);
        say("To write a corrected copy beside the file, run: korvane-ini-check --fix " + fileName,
            2, 0);
    }
    out << "\n";

    out << "Model lists:\n";
    if (report.List == ListTaken::None) {
        say("Both list options are off: vehicles come from the small list, with its "
            "built-in names.",
            2, 0);
    } else {
        bool full = report.List == ListTaken::Full;
        const std::string which = full ? "full" : "small";
        int capacity = full ? FullModelListSize : SmallModelListSize;
        if (report.ListNamesTaken == 0) {
            say("The " + which +
                    " list is in use, with its built-in names (no names were "
                    "taken from the file).",
                2, 0);
        } else {
            std::string line = "The " + which +
                               " list is in use: " + std::to_string(report.ListNamesTaken) +
                               " names from the file";
            if (report.ListNamesTaken < capacity) {
                line += "; entries " + std::to_string(report.ListNamesTaken + 1) + " to " +
                        std::to_string(capacity) + " keep their built-in names";
            }
            say(line + ".", 2, 0);
        }
        if (result.namesInTakenBlock > capacity) {
            say("The block has " + std::to_string(result.namesInTakenBlock) +
                    " names; only the first " + std::to_string(capacity) + " are used.",
                2, 0);
        }
        if (full && report.Assigned[SmallBlockTemplate - 1]) {
            say("The small list block is not used while the full list is on.", 2, 0);
        }
    }
    if (!result.unknown.empty()) {
        say("Names the game does not know as vehicle models:", 2, 0);
        for (const UnknownName& u : result.unknown) {
            say(std::string(u.list) + " list entry " + std::to_string(u.index + 1) + ": " +
                    Quoted(u.name) + " - did you mean " + Quoted(u.suggestion) + "?",
                4, 2);
        }
    }
    if (!result.statusText.empty()) {
        say("In-game message after this read: " + Quoted(result.statusText), 2, 2);
    }
    out << "\n";

    if (result.settings.IniCheck != IniCheckValue) {
        say("INI Check is " + std::to_string(result.settings.IniCheck) +
            ", not 1234: while Korvane is switched on, the game shows \"Your INI file is "
            "poorly configured\".");
    }
    if (Passes(result)) {
        say("Result: OK - the file reads whole and INI Check is 1234.");
    } else {
        say(std::string("Result: NOT OK - ") +
            (result.stopTemplate != 0 ? "the file does not read whole" : "INI Check is not 1234") +
            ".");
    }
}

}  // namespace checker

#include "sim/checker/ini_fix.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "config/model_lists.h"
#include "config/settings.h"
#include "config/settings_fields.h"
#include "state/plugin_state.h"

namespace checker {

namespace {

// A line with its letters lowered and its white space removed, for matching.
std::string Squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// What a template line starts with, as a player would spell it: its text up
// to the first '=', '(' or ':' ("Hotkey", "New vehicle spawn rate").
std::string LeadOfTemplate(int templateNumber) {
    std::string pattern = SettingsTemplates[templateNumber - 1];
    size_t start = pattern.find_first_not_of('\n');
    size_t end = pattern.find_first_of("=(:%", start);
    return Squeezed(pattern.substr(start, end - start));
}

// The template a line belongs to, by its lead; 0 for none. A list template's
// block (20, 22) is never the answer: blocks follow their flag lines.
int TemplateOfLine(const std::string& line) {
    const std::string squeezed = Squeezed(line);
    if (squeezed.empty()) {
        return 0;
    }
    for (int t = 1; t <= SettingsTemplateCount; t++) {
        if (t == SmallBlockTemplate || t == FullBlockTemplate) {
            continue;
        }
        const std::string lead = LeadOfTemplate(t);
        if (!lead.empty() && squeezed.compare(0, lead.size(), lead) == 0) {
            return t;
        }
    }
    return 0;
}

// The text of a line's value: inside its first brackets when it has them,
// otherwise what follows the '=' (and a "1/" for the odds).
std::string ValueText(const std::string& line) {
    size_t open = line.find('[');
    if (open != std::string::npos) {
        size_t close = line.find(']', open);
        return Trimmed(line.substr(
            open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
    }
    size_t equals = line.find('=');
    std::string rest = Trimmed(equals == std::string::npos ? "" : line.substr(equals + 1));
    if (rest.compare(0, 2, "1/") == 0) {
        rest = Trimmed(rest.substr(2));
    }
    return rest;
}

bool ParseNumber(const std::string& text, bool hex, double* value) {
    std::string t = Squeezed(text);
    if (t.compare(0, 5, "every") == 0) {
        t = t.substr(5);
    }
    if (hex && t.compare(0, 2, "0x") == 0) {
        t = t.substr(2);
    }
    const char* begin = t.c_str();
    char* end = nullptr;
    if (hex) {
        long parsed = std::strtol(begin, &end, 16);
        if (end == begin) {
            return false;
        }
        *value = static_cast<double>(parsed);
        return true;
    }
    double parsed = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

std::string FloatText(float value) {
    char buffer[64];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer), value);
    std::string text(buffer, r.ptr);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string HexText(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%X", static_cast<unsigned>(value));
    return buffer;
}

int32_t ClampedInt(double value) {
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

// The value as the template's line writes it.
std::string FieldText(const SettingsField& field, const SettingsRecord& s) {
    if (field.Kind == SettingKind::Hex) {
        return HexText(s.*field.Integer);
    }
    if (field.Integer != nullptr) {
        return std::to_string(s.*field.Integer);
    }
    if (field.Flag != nullptr) {
        return std::to_string(int(s.*field.Flag));
    }
    if (field.Kind == SettingKind::WholeMetres) {
        return std::to_string(ClampedInt(s.*field.Real));
    }
    return FloatText(s.*field.Real);
}

// A template with its conversion replaced by `value` and its skip removed.
std::string Filled(int templateNumber, const std::string& value) {
    std::string pattern = SettingsTemplates[templateNumber - 1];
    std::string out;
    for (size_t i = 0; i < pattern.size(); i++) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        if (pattern.compare(i, 2, "%*") == 0) {
            i += 1;
        } else if (pattern.compare(i, 5, "%[^;]") == 0) {
            out += value;
            i += 4;
        } else {
            out += value;
            i += 1;
        }
    }
    return out;
}

std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    std::string name;
    for (char c : text) {
        if (c == '\n' || c == ' ' || c == ',' || c == '\t' || c == ';' || c == ':') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) {
        names.push_back(name);
    }
    return names;
}

// The names as a block: five to a line, ", " between them, within the
// block's buffer (its last byte is the terminating NUL).
std::string BlockOf(const std::vector<std::string>& names, size_t capacity) {
    std::string block;
    for (size_t i = 0; i < names.size(); i++) {
        std::string next = names[i] + (i + 1 == names.size() ? "" : (i % 5 == 4 ? ",\n" : ", "));
        if (block.size() + next.size() + 1 > capacity) {
            break;
        }
        block += next;
    }
    while (!block.empty() && (block.back() == ' ' || block.back() == ',' || block.back() == '\n')) {
        block.pop_back();
    }
    return block;
}

struct ListFound {
    bool seen = false;
    std::vector<std::string> names;
};

const int IniCheckTemplate = 23;

std::string Quote(const std::string& text) {
    const size_t Longest = 64;
    return "\"" + (text.size() > Longest ? text.substr(0, Longest) + "..." : text) + "\"";
}

}  // namespace

FixResult FixSettingsText(const std::string& text) {
    FixResult fix;
    std::vector<std::string> lines;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }

    SettingsRecord settings;
    std::vector<int> lineOfTemplate(SettingsTemplateCount + 1, 0);
    ListFound small;
    ListFound full;
    int lastTemplate = 0;
    bool inOrder = true;

    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& line = lines[i];
        const int number = static_cast<int>(i) + 1;
        const int t = TemplateOfLine(line);
        if (t == 0) {
            if (!Trimmed(line).empty()) {
                fix.changes.push_back("Line " + std::to_string(number) + ": " +
                                      Quote(Trimmed(line)) + " is no settings line; left out.");
            }
            continue;
        }
        if (t < lastTemplate) {
            inOrder = false;
        }
        lastTemplate = t;
        if (lineOfTemplate[t] != 0) {
            fix.changes.push_back("Line " + std::to_string(number) + " repeats line " +
                                  std::to_string(lineOfTemplate[t]) + "; the later one is kept.");
        }
        lineOfTemplate[t] = number;

        const SettingsField* field = FieldOfTemplate(t);
        if (field != nullptr && t != IniCheckTemplate) {
            double value = 0;
            std::string raw = ValueText(line);
            if (!ParseNumber(raw, field->Kind == SettingKind::Hex, &value)) {
                fix.changes.push_back("Line " + std::to_string(number) + ": no number in " +
                                      Quote(Trimmed(line)) + "; " + field->Name +
                                      " keeps its default.");
            } else if (field->Integer != nullptr) {
                settings.*field->Integer = ClampedInt(value);
            } else if (field->Flag != nullptr) {
                settings.*field->Flag = value != 0 ? 1 : 0;
            } else if (field->Kind == SettingKind::WholeMetres) {
                if (value != std::floor(value)) {
                    fix.changes.push_back("Line " + std::to_string(number) + ": " + field->Name +
                                          " takes whole metres only; " + raw + " is written as " +
                                          std::to_string(ClampedInt(value)) +
                                          ", as Korvane reads it.");
                }
                settings.*field->Real = static_cast<float>(ClampedInt(value));
            } else {
                settings.*field->Real = static_cast<float>(value);
            }
        }
        if (t == SmallBlockTemplate - 1 || t == FullBlockTemplate - 1) {
            // The block: from the colon after the flag's bracket to the first
            // semicolon, or to the next settings line when none ends it.
            ListFound& list = t == SmallBlockTemplate - 1 ? small : full;
            list.seen = true;
            std::string block;
            size_t close = line.find(']');
            size_t colon = line.find(':', close == std::string::npos ? 0 : close);
            std::string rest = colon == std::string::npos ? "" : line.substr(colon + 1);
            bool ended = false;
            size_t j = i;
            for (;;) {
                size_t semicolon = rest.find(';');
                if (semicolon != std::string::npos) {
                    block += rest.substr(0, semicolon);
                    ended = true;
                    break;
                }
                block += rest + "\n";
                if (j + 1 >= lines.size() || TemplateOfLine(lines[j + 1]) != 0) {
                    break;
                }
                j++;
                rest = lines[j];
            }
            if (!ended) {
                fix.changes.push_back("Line " + std::to_string(number) +
                                      ": the list block had no closing semicolon; one is added.");
            }
            list.names = SplitNames(block);
            i = j;
        }
    }

    // The lines, in the order and the form the reader expects.
    std::string out;
    for (int t = 1; t <= SettingsTemplateCount; t++) {
        std::string value;
        if (const SettingsField* field = FieldOfTemplate(t)) {
            if (t == IniCheckTemplate) {
                settings.IniCheck = IniCheckValue;
            }
            value = FieldText(*field, settings);
            if (lineOfTemplate[t] == 0) {
                std::string written = Filled(t, value);
                written.erase(written.find_last_not_of('\n') + 1);
                fix.changes.push_back(std::string(field->Name) + " was missing; written as " +
                                      Quote(Trimmed(written)) + ".");
            }
        }
        if (t == SmallBlockTemplate || t == FullBlockTemplate) {
            const bool isSmall = t == SmallBlockTemplate;
            ListFound& list = isSmall ? small : full;
            const char* which = isSmall ? "small" : "full";
            const size_t size = isSmall ? SmallModelListSize : FullModelListSize;
            const size_t capacity = isSmall ? SmallListTextSize : FullListTextSize;
            if (list.names.empty()) {
                const char* const* builtIn = isSmall ? BuiltInSmallModelList : BuiltInFullModelList;
                list.names.assign(builtIn, builtIn + size);
                fix.changes.push_back(std::string("The ") + which +
                                      " list block was missing or empty; written with the "
                                      "built-in names.");
            } else if (list.names.size() > size) {
                fix.changes.push_back(std::string("The ") + which + " list block had " +
                                      std::to_string(list.names.size()) + " names; the first " +
                                      std::to_string(size) + " are kept, as Korvane uses them.");
                list.names.resize(size);
            }
            out += Filled(t, BlockOf(list.names, capacity));
            continue;
        }
        const std::string filled = Filled(t, value);
        const int at = lineOfTemplate[t];
        if (at != 0) {
            // The line as written, without the blank line before a heading;
            // a list flag's line ends with the colon that opens its block.
            std::string written = Trimmed(filled.substr(filled.find_first_not_of('\n')));
            while (!written.empty() && written.back() == '\n') {
                written.pop_back();
            }
            if (t == SmallBlockTemplate - 1 || t == FullBlockTemplate - 1) {
                written += ":";
            }
            const std::string original = Trimmed(lines[at - 1]);
            if (original != written &&
                Trimmed(original.substr(0, original.find(':') + 1)) != written) {
                fix.changes.push_back("Line " + std::to_string(at) + ": " + Quote(original) +
                                      " is written as " + Quote(written) + ".");
            }
        }
        out += filled;
    }
    if (!inOrder) {
        fix.changes.push_back("The lines are put back in the order Korvane reads them.");
    }
    if (lineOfTemplate[IniCheckTemplate] != 0 &&
        Squeezed(ValueText(lines[lineOfTemplate[IniCheckTemplate] - 1])) != "1234") {
        fix.changes.push_back("INI Check is set to 1234.");
    }

    // Windows line ends, as Notepad and the shipped file have them.
    for (char c : out) {
        if (c == '\n') {
            fix.text += '\r';
        }
        fix.text += c;
    }
    return fix;
}

std::string FixedCopyPath(const std::string& path) {
    std::filesystem::path p(path);
    std::string name = p.filename().string();
    std::string lower = Squeezed(name);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".ini") == 0) {
        name = name.substr(0, name.size() - 4);
    }
    return (p.parent_path() / (name + ".fixed.ini")).string();
}

}  // namespace checker

#include "sim/checker/ini_fix.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/model_lists.h"
#include "config/settings.h"
#include "config/settings_fields.h"
#include "config/template_match.h"
#include "sim/checker/float_text.h"
#include "state/plugin_state.h"

namespace checker {

namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

char Lowered(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// A text with its letters lowered and its white space removed, for matching.
std::string Squeezed(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!IsBlank(c)) {
            out += Lowered(c);
        }
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// What each template line starts with, as a player would spell it: its text
// up to the first '=', '(' or ':' ("hotkey", "newvehiclespawnrate").
const std::vector<std::string>& TemplateLeads() {
    static const std::vector<std::string> leads = [] {
        std::vector<std::string> all(SettingsTemplateCount + 1);
        for (int t = 1; t <= SettingsTemplateCount; t++) {
            std::string_view pattern = SettingsTemplates[t - 1];
            size_t start = pattern.find_first_not_of('\n');
            size_t end = pattern.find_first_of("=(:%", start);
            all[t] = Squeezed(pattern.substr(start, end - start));
        }
        return all;
    }();
    return leads;
}

// The line begins with `lead`, letter case and white space aside.
bool BeginsWithLead(std::string_view line, const std::string& lead) {
    size_t matched = 0;
    for (char c : line) {
        if (matched == lead.size()) {
            break;
        }
        if (IsBlank(c)) {
            continue;
        }
        if (Lowered(c) != lead[matched]) {
            return false;
        }
        matched++;
    }
    return matched == lead.size();
}

// The template a line belongs to, by its lead; 0 for none. A list template's
// block (20, 22) is never the answer: blocks follow their flag lines.
int TemplateOfLine(std::string_view line) {
    if (Trimmed(line).empty()) {
        return 0;
    }
    const std::vector<std::string>& leads = TemplateLeads();
    for (int t = 1; t <= SettingsTemplateCount; t++) {
        if (t == SmallBlockTemplate || t == FullBlockTemplate || leads[t].empty()) {
            continue;
        }
        if (BeginsWithLead(line, leads[t])) {
            return t;
        }
    }
    return 0;
}

// The text of a line's value: inside its first brackets when it has them,
// otherwise what follows the '=' (and a "1/" for the odds).
std::string ValueText(std::string_view line) {
    size_t open = line.find('[');
    if (open != std::string_view::npos) {
        size_t close = line.find(']', open);
        return std::string(
            Trimmed(line.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                          : close - open - 1)));
    }
    size_t equals = line.find('=');
    std::string_view rest =
        Trimmed(equals == std::string_view::npos ? "" : line.substr(equals + 1));
    if (rest.substr(0, 2) == "1/") {
        rest = Trimmed(rest.substr(2));
    }
    return std::string(rest);
}

// A number as the plug-in's reader takes it, with the same limits: a whole
// number beyond 32 bits becomes the nearest end of the range, a float beyond
// the float range the largest float of its sign, one too small for a float 0.
struct Number {
    bool found = false;
    int32_t whole = 0;
    float real = 0.0f;
    bool fraction = false;  // a whole number followed by a non-zero fraction
};

Number ReadNumber(const std::string& text, SettingKind kind, bool real) {
    std::string t = Squeezed(text);
    if (t.compare(0, 5, "every") == 0) {
        t = t.substr(5);
    }
    Number number;
    TextCursor cursor;
    cursor.Data = t.data();
    cursor.Size = t.size();
    ConversionTarget target;
    target.Integer = &number.whole;
    target.Real = &number.real;
    const char* pattern = real ? "%f" : (kind == SettingKind::Hex ? "%x" : "%d");
    number.found = MatchTemplate(cursor, pattern, target).Assigned;
    if (number.found && !real && cursor.Position < t.size() && t[cursor.Position] == '.') {
        std::string_view rest = std::string_view(t).substr(cursor.Position + 1);
        for (char c : rest) {
            if (c < '0' || c > '9') {
                break;
            }
            number.fraction = number.fraction || c != '0';
        }
    }
    return number;
}

// Negative key codes are written with a minus, so they read back as
// themselves rather than as the largest code.
std::string HexText(int32_t value) {
    char buffer[16];
    const int64_t wide = value;
    std::snprintf(buffer, sizeof(buffer), value < 0 ? "-%llX" : "%llX",
                  static_cast<unsigned long long>(wide < 0 ? -wide : wide));
    return buffer;
}

std::string RealText(float value) {
    std::string text = ShortestFloatText(value);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
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
        // The reader stores a whole number an int32 holds; the largest,
        // 2147483647, is stored as the float 2147483648, written back as the
        // number it was read from.
        const float metres = s.*field.Real;
        return std::to_string(metres >= 2147483647.0f ? INT32_MAX : static_cast<int32_t>(metres));
    }
    return RealText(s.*field.Real);
}

// Stores a number in the field as the plug-in's read would.
void Store(const SettingsField& field, const Number& number, SettingsRecord* s) {
    if (field.Integer != nullptr) {
        s->*field.Integer = number.whole;
    } else if (field.Flag != nullptr) {
        s->*field.Flag = number.whole != 0 ? 1 : 0;
    } else if (field.Kind == SettingKind::WholeMetres) {
        s->*field.Real = static_cast<float>(number.whole);
    } else {
        s->*field.Real = number.real;
    }
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

// The names of a block, split where the plug-in splits them (newline, space,
// comma) or, when `mend` is set, also at any other white space, colon or
// semicolon, which no model name holds. The game reads a block only up to a
// NUL byte. At most `keep` names are kept; `count` tells how many there were.
struct Names {
    std::vector<std::string> names;
    size_t count = 0;
};

Names SplitNames(std::string_view text, bool mend, size_t keep) {
    Names out;
    std::string name;
    auto finish = [&] {
        if (!name.empty()) {
            if (out.names.size() < keep) {
                out.names.push_back(name);
            }
            out.count++;
        }
        name.clear();
    };
    for (char c : text) {
        if (c == '\0') {
            break;
        }
        const bool split =
            c == '\n' || c == ' ' || c == ',' || (mend && (IsBlank(c) || c == ';' || c == ':'));
        if (split) {
            finish();
        } else {
            name += c;
        }
    }
    finish();
    return out;
}

// The names as a block within the block's buffer (its last byte is the
// terminating NUL), five to a line: ", " between them, or where that does not
// fit a bare comma. `written` tells how many names fit.
std::string BlockOf(const std::vector<std::string>& names, size_t capacity, size_t* written) {
    std::string block;
    for (const char* separator : {", ", ","}) {
        const std::string lineEnd = std::string(separator).substr(0, 1) + "\n";
        block.clear();
        *written = 0;
        for (size_t i = 0; i < names.size(); i++) {
            std::string next = (i == 0 ? "" : (i % 5 == 0 ? lineEnd : separator)) + names[i];
            if (block.size() + next.size() + 1 > capacity) {
                break;
            }
            block += next;
            (*written)++;
        }
        if (*written == names.size()) {
            break;
        }
    }
    return block;
}

const int IniCheckTemplate = 23;

std::string Quote(std::string_view text) {
    const size_t Longest = 64;
    return "\"" + std::string(text.size() > Longest ? text.substr(0, Longest) : text) +
           (text.size() > Longest ? "...\"" : "\"");
}

// What the plug-in's own read takes from the text: the values it assigns and
// the list blocks it copies. These are what Korvane already uses, so the copy
// keeps them whatever a lenient reading of the lines makes of them.
struct StrictRead {
    SettingsRecord settings;
    bool assigned[SettingsTemplateCount + 1] = {};
    std::string blocks[SettingsTemplateCount + 1];  // indexed by block template
};

StrictRead ReadStrictly(const std::string& text) {
    StrictRead read;
    std::vector<char> buffer(FullListTextSize);
    TextCursor cursor;
    cursor.Data = text.data();
    cursor.Size = text.size();
    for (int t = 1; t <= SettingsTemplateCount; t++) {
        const size_t start = cursor.Position;
        Number number;
        ConversionTarget target;
        target.Integer = &number.whole;
        target.Real = &number.real;
        const bool block = t == SmallBlockTemplate || t == FullBlockTemplate;
        if (block) {
            target.Text = buffer.data();
            target.TextCapacity = t == SmallBlockTemplate ? SmallListTextSize : FullListTextSize;
        }
        if (!MatchTemplate(cursor, SettingsTemplates[t - 1], target).Assigned) {
            continue;
        }
        read.assigned[t] = true;
        if (block) {
            // The block as the file holds it, NUL bytes included: from the
            // colon and the white space after it to the semicolon.
            size_t first = text.find_first_not_of(" \t\n\v\f\r", start + 1);
            read.blocks[t] = text.substr(first, text.find(';', first) - first);
        } else if (const SettingsField* field = FieldOfTemplate(t)) {
            Store(*field, number, &read.settings);
        }
    }
    return read;
}

// The change messages, with the ones about single lines bounded so that a
// file of millions of stray lines gets a report of readable length.
struct Changes {
    std::vector<std::string>* list;
    size_t lineMessages = 0;
    size_t unlisted = 0;
    // Whether a message about one more line is listed; counts it otherwise.
    // Asked before the message is made, so unlisted ones cost nothing.
    bool Room() {
        const size_t MostLineMessages = 100;
        if (lineMessages++ < MostLineMessages) {
            return true;
        }
        unlisted++;
        return false;
    }
    void Whole(const std::string& message) { list->push_back(message); }
};

struct ListFound {
    std::string block;  // the block's text as found, when a flag line had one
    bool strict = false;
};

}  // namespace

FixResult FixSettingsText(const std::string& text) {
    FixResult fix;
    Changes changes{&fix.changes};
    const StrictRead strict = ReadStrictly(text);

    SettingsRecord settings;
    std::vector<std::string_view> lineOfTemplate(SettingsTemplateCount + 1);
    std::vector<size_t> numberOfTemplate(SettingsTemplateCount + 1, 0);
    ListFound small;
    ListFound full;
    int lastTemplate = 0;
    bool inOrder = true;

    // The lines one by one, without copying the text.
    const std::string_view all(text);
    size_t at = 0;
    size_t number = 0;
    auto nextLine = [&](std::string_view* line) {
        if (at > all.size()) {
            return false;
        }
        size_t end = all.find('\n', at);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        *line = all.substr(at, end - at);
        at = end + 1;
        number++;
        return true;
    };
    std::string_view line;
    while (nextLine(&line)) {
        const int t = TemplateOfLine(line);
        auto where = [&number] { return "Line " + std::to_string(number); };
        if (t == 0) {
            if (!Trimmed(line).empty()) {
                if (changes.Room()) {
                    changes.Whole(where() + ": " + Quote(Trimmed(line)) +
                                  " is no settings line; left out.");
                }
            }
            continue;
        }
        if (t < lastTemplate) {
            inOrder = false;
        }
        lastTemplate = t;
        if (numberOfTemplate[t] != 0) {
            if (changes.Room()) {
                changes.Whole(where() + " repeats line " + std::to_string(numberOfTemplate[t]) +
                              (strict.assigned[t] ? "; the value Korvane reads is kept."
                                                  : "; the later one is kept."));
            }
        }
        numberOfTemplate[t] = number;
        lineOfTemplate[t] = line;

        const SettingsField* field = FieldOfTemplate(t);
        if (field != nullptr && t != IniCheckTemplate && !strict.assigned[t]) {
            const std::string raw = ValueText(line);
            const Number value = ReadNumber(
                raw, field->Kind, field->Real != nullptr && field->Kind == SettingKind::Metres);
            if (!value.found) {
                if (changes.Room()) {
                    changes.Whole(where() + ": no number in " + Quote(Trimmed(line)) + "; " +
                                  field->Name + " keeps its default.");
                }
            } else {
                if (value.fraction && field->Kind == SettingKind::WholeMetres) {
                    if (changes.Room()) {
                        changes.Whole(where() + ": " + field->Name + " takes whole metres only; " +
                                      Quote(raw) + " is written as " + std::to_string(value.whole) +
                                      ", as Korvane reads it.");
                    }
                }
                Store(*field, value, &settings);
            }
        }
        if (t == SmallBlockTemplate - 1 || t == FullBlockTemplate - 1) {
            // The block: from the colon after the flag's bracket to the first
            // semicolon; when Korvane took the block, that is where it ends
            // whatever the lines between look like; otherwise it also ends at
            // the next settings line.
            const int blockTemplate = t + 1;
            ListFound& list = t == SmallBlockTemplate - 1 ? small : full;
            list.strict = strict.assigned[blockTemplate];
            list.block.clear();
            size_t close = line.find(']');
            size_t colon = line.find(':', close == std::string_view::npos ? 0 : close);
            std::string_view rest =
                colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
            bool ended = false;
            for (;;) {
                size_t semicolon = rest.find(';');
                if (semicolon != std::string_view::npos) {
                    list.block.append(rest.substr(0, semicolon));
                    ended = true;
                    break;
                }
                list.block.append(rest);
                list.block += '\n';
                if (at > all.size()) {
                    break;
                }
                const size_t before = at;
                const size_t numberBefore = number;
                std::string_view next;
                nextLine(&next);
                if (!list.strict && TemplateOfLine(next) != 0) {
                    at = before;
                    number = numberBefore;
                    break;
                }
                rest = next;
            }
            if (!ended) {
                if (changes.Room()) {
                    changes.Whole(where() +
                                  ": the list block had no closing semicolon; one is added.");
                }
            }
        }
    }

    // What Korvane itself reads wins over the lenient reading of the lines.
    for (const SettingsField& field : SettingsFields) {
        if (strict.assigned[field.Template]) {
            if (field.Integer != nullptr) {
                settings.*field.Integer = strict.settings.*field.Integer;
            } else if (field.Flag != nullptr) {
                settings.*field.Flag = strict.settings.*field.Flag;
            } else {
                settings.*field.Real = strict.settings.*field.Real;
            }
        }
    }
    settings.IniCheck = IniCheckValue;

    // The lines, in the order and the form the reader expects.
    std::string out;
    for (int t = 1; t <= SettingsTemplateCount; t++) {
        std::string value;
        if (const SettingsField* field = FieldOfTemplate(t)) {
            value = FieldText(*field, settings);
            if (numberOfTemplate[t] == 0 && !strict.assigned[t]) {
                std::string written = Filled(t, value);
                written.erase(written.find_last_not_of('\n') + 1);
                changes.Whole(std::string(field->Name) + " was missing; written as " +
                              Quote(Trimmed(written)) + ".");
            }
        }
        if (t == SmallBlockTemplate || t == FullBlockTemplate) {
            const bool isSmall = t == SmallBlockTemplate;
            const ListFound& list = isSmall ? small : full;
            const char* which = isSmall ? "small" : "full";
            const size_t size = isSmall ? SmallModelListSize : FullModelListSize;
            const size_t capacity = isSmall ? SmallListTextSize : FullListTextSize;
            // Korvane's own reading of the block when it took it.
            const std::string& found = strict.assigned[t] ? strict.blocks[t] : list.block;
            Names names = SplitNames(found, true, size);
            if (strict.assigned[t]) {
                const Names asRead = SplitNames(found, false, size);
                for (size_t i = 0, shown = 0; i < asRead.names.size() && shown < 5; i++) {
                    const Names parts = SplitNames(asRead.names[i], true, size);
                    if (parts.count == 1 && parts.names[0] == asRead.names[i]) {
                        continue;
                    }
                    std::string into;
                    for (const std::string& part : parts.names) {
                        into += (into.empty() ? "" : ", ") + Quote(part);
                    }
                    changes.Whole(std::string("The ") + which + " list block: the name " +
                                  Quote(asRead.names[i]) + " is split into " +
                                  (into.empty() ? "nothing" : into) +
                                  " (spacing and colons are no part of a model name).");
                    shown++;
                }
            }
            if (found.find('\0') != std::string::npos &&
                SplitNames(found.substr(found.find('\0') + 1), true, 1).count > 0) {
                changes.Whole(std::string("The ") + which +
                              " list block holds a NUL byte; Korvane reads no name after it, "
                              "so none is written.");
            }
            std::vector<std::string> kept = names.names;
            size_t written = 0;
            std::string block = BlockOf(kept, capacity, &written);
            if (names.count > size) {
                changes.Whole(std::string("The ") + which + " list block had " +
                              std::to_string(names.count) + " names; the first " +
                              std::to_string(size) + " are kept, as Korvane uses them.");
            }
            if (written == 0) {
                const char* const* builtIn = isSmall ? BuiltInSmallModelList : BuiltInFullModelList;
                changes.Whole(std::string("The ") + which +
                              (kept.empty() ? " list block was missing or empty"
                                            : " list block has no name short enough for it") +
                              "; written with the built-in names.");
                kept.assign(builtIn, builtIn + size);
                block = BlockOf(kept, capacity, &written);
            } else if (written < kept.size()) {
                changes.Whole(std::string("The ") + which + " list block does not fit its " +
                              std::to_string(capacity - 1) + " characters; the first " +
                              std::to_string(written) + " names are kept.");
            }
            out += Filled(t, block);
            continue;
        }
        const std::string filled = Filled(t, value);
        if (numberOfTemplate[t] != 0) {
            // The line as written, without the blank line before a heading;
            // a list flag's line ends with the colon that opens its block.
            std::string written(Trimmed(filled.substr(filled.find_first_not_of('\n'))));
            while (!written.empty() && written.back() == '\n') {
                written.pop_back();
            }
            if (t == SmallBlockTemplate - 1 || t == FullBlockTemplate - 1) {
                written += ":";
            }
            const std::string_view original = Trimmed(lineOfTemplate[t]);
            const size_t colon = original.find(':');
            if (original != written && (colon == std::string_view::npos ||
                                        Trimmed(original.substr(0, colon + 1)) != written)) {
                if (changes.Room()) {
                    changes.Whole("Line " + std::to_string(numberOfTemplate[t]) + ": " +
                                  Quote(original) + " is written as " + Quote(written) + ".");
                }
            }
        }
        out += filled;
    }
    if (changes.unlisted > 0) {
        changes.Whole(std::to_string(changes.unlisted) +
                      " more changes to single lines like the ones above are not listed.");
    }
    if (!inOrder) {
        changes.Whole("The lines are put back in the order Korvane reads them.");
    }
    if (numberOfTemplate[IniCheckTemplate] != 0 &&
        Squeezed(ValueText(lineOfTemplate[IniCheckTemplate])) != "1234") {
        changes.Whole("INI Check is set to 1234.");
    }

    // Windows line ends, as Notepad and the shipped file have them.
    fix.text.reserve(out.size() + out.size() / 16);
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

// Reading the settings file and the sibling plug-in's hotkey file.
//
// Neither file is parsed by keys: each is matched front to back against a
// fixed sequence of line templates, one independent call per template at the
// position where the previous one stopped. So once a line fails, the later
// templates fail too (they all begin with text of their own) and their fields
// keep what they held; only a stop right at a colon lets the next list block
// match. The whole file is read into memory first, in binary, with a carriage
// return before a newline dropped, so the result is the same on every
// platform.
#include "config/settings.h"

#include <cstdio>
#include <string>

#include "config/model_lists.h"
#include "config/settings_fields.h"
#include "config/template_match.h"
#include "state/plugin_state.h"

// Templates 19 and 21 end without a skip, so the colon of the list block must
// follow their closing bracket directly.
const char* const SettingsTemplates[SettingsTemplateCount] = {
    "KORVANE BY MIRODEX%*\n",
    "\nMAIN OPTIONS:%*\n",
    "Hotkey = [%x]%*\n",
    "Automatic ped spawner = [%d]%*\n",
    "New vehicle spawn rate (any road) = [%dx]%*\n",
    "Spawn police patrols = [%d]%*\n",
    "Peds spawn in cars = [%d]%*\n",
    "Peds use parachutes = [%d]%*\n",
    "Minimum distance at which cars can transform = [%d]%*\n",
    "Minimum safe airplane height = [%f]%*\n",
    "Aircraft missiles = [%d]%*\n",
    "Odds of spawning = 1/[%d]%*\n",
    "\nADVANCED OPTIONS:%*\n",
    "Wait time between spawns = [%d]ms%*\n",
    "Vehicle task rate = every [%d] tics%*\n",
    "Ped task rate = every [%d] tics%*\n",
    "Debug Messages = [%d]%*\n",
    "\nVEHICLES LIST:%*\n",
    "Use small vehicles list: (50 vehicles max, 5 per line) = [%d]",
    ":\n%[^;];%*\n\n",
    "Use full vehicles list: (275 vehicles max, 5 per line) = [%d]",
    ":\n%[^;];%*\n\n",
    "INI Check = [%d]%*\n",
};

namespace {

const char* const SettingsFileName = "Korvane.ini";
const char* const SiblingFileName = "palvenorhub.ini";
const size_t ReadChunkSize = 65536;

// One line template and the field it fills. At most one field pointer is set.
struct SettingsLine {
    const char* Pattern = nullptr;
    int32_t* Integer = nullptr;
    uint8_t* Flag = nullptr;       // on when the number read is not 0
    float* WholeMetres = nullptr;  // a whole number, kept as that many metres
    float* Real = nullptr;
    char* Text = nullptr;
    size_t TextCapacity = 0;
};

SettingsLine Heading(const char* pattern) {
    return SettingsLine{pattern, nullptr, nullptr, nullptr, nullptr, nullptr, 0};
}
SettingsLine IntegerLine(const char* pattern, int32_t* field) {
    return SettingsLine{pattern, field, nullptr, nullptr, nullptr, nullptr, 0};
}
SettingsLine FlagLine(const char* pattern, uint8_t* field) {
    return SettingsLine{pattern, nullptr, field, nullptr, nullptr, nullptr, 0};
}
SettingsLine WholeMetresLine(const char* pattern, float* field) {
    return SettingsLine{pattern, nullptr, nullptr, field, nullptr, nullptr, 0};
}
SettingsLine RealLine(const char* pattern, float* field) {
    return SettingsLine{pattern, nullptr, nullptr, nullptr, field, nullptr, 0};
}
SettingsLine TextLine(const char* pattern, char* field, size_t capacity) {
    return SettingsLine{pattern, nullptr, nullptr, nullptr, nullptr, field, capacity};
}

// The line of a template and the field of `settings` it fills, as the field
// table gives them; the two list blocks fill the list text buffers.
SettingsLine LineOfTemplate(int templateNumber, SettingsRecord& settings) {
    const char* pattern = SettingsTemplates[templateNumber - 1];
    if (templateNumber == SmallBlockTemplate) {
        return TextLine(pattern, Plugin.SmallListText, sizeof(Plugin.SmallListText));
    }
    if (templateNumber == FullBlockTemplate) {
        return TextLine(pattern, Plugin.FullListText, sizeof(Plugin.FullListText));
    }
    const SettingsField* field = FieldOfTemplate(templateNumber);
    if (field == nullptr) {
        return Heading(pattern);
    }
    if (field->Flag != nullptr) {
        return FlagLine(pattern, &(settings.*field->Flag));
    }
    if (field->Integer != nullptr) {
        return IntegerLine(pattern, &(settings.*field->Integer));
    }
    if (field->Kind == SettingKind::WholeMetres) {
        return WholeMetresLine(pattern, &(settings.*field->Real));
    }
    return RealLine(pattern, &(settings.*field->Real));
}

// Matches one template, storing its value the moment the number is read:
// a value already read stays even when the text after it fails.
TemplateMatch MatchLine(TextCursor& cursor, const SettingsLine& line) {
    int32_t whole = 0;
    ConversionTarget target;
    target.Integer = &whole;
    target.Real = line.Real;
    target.Text = line.Text;
    target.TextCapacity = line.TextCapacity;
    TemplateMatch match = MatchTemplate(cursor, line.Pattern, target);
    if (match.Assigned) {
        if (line.Integer != nullptr) {
            *line.Integer = whole;
        } else if (line.Flag != nullptr) {
            *line.Flag = whole != 0 ? 1 : 0;
        } else if (line.WholeMetres != nullptr) {
            *line.WholeMetres = float(whole);
        }
    }
    return match;
}

}  // namespace

bool LoadSettingsText(const char* path, std::string& text, bool* byteOrderMark) {
    text.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    // Unbuffered: the reads go straight into the text, and the C library
    // allocates no buffer of its own.
    std::setvbuf(file, nullptr, _IONBF, 0);
    // A text that cannot grow ends the read: the file is closed and the
    // caller's pass ends, with the text empty rather than cut short.
    try {
        while (text.size() < SettingsFileSizeLimit) {
            size_t before = text.size();
            size_t want = ReadChunkSize;
            if (want > SettingsFileSizeLimit - before) {
                want = SettingsFileSizeLimit - before;
            }
            text.resize(before + want);
            size_t got = std::fread(&text[before], 1, want, file);
            text.resize(before + got);
            if (got < want) {
                break;
            }
        }
    } catch (...) {
        std::fclose(file);
        text.clear();
        throw;
    }
    std::fclose(file);
    // Three invisible bytes that some editors put before the first line; left
    // in, they would keep the first line from matching and nothing would read.
    const bool mark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (byteOrderMark != nullptr) {
        *byteOrderMark = mark;
    }
    // Text mode on every platform: a carriage return before a newline goes.
    size_t kept = 0;
    for (size_t i = mark ? 3 : 0; i < text.size(); i++) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        text[kept++] = text[i];
    }
    text.resize(kept);
    return true;
}

void ReadSettings() {
    SettingsReadReport& report = Plugin.LastSettingsRead;
    report = SettingsReadReport{};
    std::string& text = Plugin.FileText;
    if (!LoadSettingsText(SettingsFileName, text, &report.ByteOrderMark)) {
        return;
    }
    report.FileOpened = true;

    SettingsRecord& s = Plugin.Settings;
    SettingsLine lines[SettingsTemplateCount];
    for (int i = 0; i < SettingsTemplateCount; i++) {
        lines[i] = LineOfTemplate(i + 1, s);
    }
    TextCursor cursor;
    cursor.Data = text.data();
    cursor.Size = text.size();
    for (int i = 0; i < SettingsTemplateCount; i++) {
        TemplateMatch match = MatchLine(cursor, lines[i]);
        report.Ends[i] = match.End;
        report.Assigned[i] = match.Assigned;
        report.StopOffsets[i] = uint32_t(cursor.Position);
    }

    // The flags as this read left them choose the list; the full list wins.
    if (s.UseFullList != 0) {
        report.List = ListTaken::Full;
        LoadUserModelList(Plugin.FullListText, ModelListKind::Full);
    } else if (s.UseSmallList != 0) {
        report.List = ListTaken::Small;
        LoadUserModelList(Plugin.SmallListText, ModelListKind::Small);
    }
}

void ReadSiblingHotkey() {
    std::string& text = Plugin.FileText;
    if (!LoadSettingsText(SiblingFileName, text)) {
        return;
    }
    const SettingsLine lines[] = {
        Heading("PALVENOR BY MIRODEX%*\n"),
        Heading("\nMAIN OPTIONS:%*\n"),
        IntegerLine("Hotkey = [%x]%*\n", &Plugin.Settings.Hotkey),
    };
    TextCursor cursor;
    cursor.Data = text.data();
    cursor.Size = text.size();
    for (const SettingsLine& line : lines) {
        MatchLine(cursor, line);
    }
}

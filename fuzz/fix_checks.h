// What korvane-ini-check --fix promises for any input, however broken: the
// checks the fixer's fuzz target makes after every input, and the test suite
// makes on the seed corpus.
//
// The input is taken as the command line takes a file (the first 32 MiB, a
// byte-order mark skipped, carriage returns before newlines dropped), and the
// input and the corrected copy are each read by the plug-in's own reader from
// its load-time state, in the current directory, against the host attached
// by the caller. An empty text means every promise holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "fuzz/reader_checks.h"
#include "host/natives.h"
#include "sim/checker/ini_check.h"
#include "sim/checker/ini_fix.h"
#include "state/plugin_state.h"

namespace fix_checks {

// One strict read of a settings file's bytes.
struct Reading {
    std::string text;  // as the reader saw it
    SettingsRecord settings;
    SettingsReadReport report;
    std::vector<std::string> fullList;
    std::vector<std::string> smallList;
    std::string statusText;
    bool whole = false;        // every template matched
    bool unknownName = false;  // the list taken holds a name the game does not know
};

inline Reading ReadStrictly(const std::string& bytes) {
    reader_checks::WriteFile("Korvane.ini", reinterpret_cast<const uint8_t*>(bytes.data()),
                             bytes.size());
    Reading r;
    LoadSettingsText("Korvane.ini", r.text);
    reader_checks::StartFromLoadState();
    ReadSettings();
    r.settings = Plugin.Settings;
    r.report = Plugin.LastSettingsRead;
    r.fullList.assign(Plugin.FullModelList, Plugin.FullModelList + FullModelListSize);
    r.smallList.assign(Plugin.SmallModelList, Plugin.SmallModelList + SmallModelListSize);
    r.statusText = Plugin.StatusText;
    r.whole = checker::StopTemplate(r.report) == 0;
    if (r.report.List != ListTaken::None) {
        const std::vector<std::string>& taken =
            r.report.List == ListTaken::Full ? r.fullList : r.smallList;
        for (int i = 0; i < r.report.ListNamesTaken; i++) {
            if (!game::IsModelValid(game::GetHashKey(taken[size_t(i)].c_str()))) {
                r.unknownName = true;
            }
        }
    }
    return r;
}

// The field's value with the same meaning: floats bit for bit.
inline bool SameValue(const SettingsRecord& a, const SettingsRecord& b, const SettingsField& f) {
    if (f.Integer != nullptr) {
        return a.*f.Integer == b.*f.Integer;
    }
    if (f.Flag != nullptr) {
        return a.*f.Flag == b.*f.Flag;
    }
    return std::memcmp(&(a.*f.Real), &(b.*f.Real), sizeof(float)) == 0;
}

inline bool MentionsASplitName(const std::vector<std::string>& changes) {
    for (const std::string& change : changes) {
        if (change.find("list block: the name") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The promises of `fix`, the fixer's answer to `inputBytes`.
inline std::string CheckFixedCopy(const std::string& inputBytes, const checker::FixResult& fix) {
    const Reading input = ReadStrictly(inputBytes);
    const Reading copy = ReadStrictly(fix.text);
    if (!copy.whole) {
        return "the copy does not read whole: it stops at template " +
               std::to_string(checker::StopTemplate(copy.report));
    }
    if (copy.settings.IniCheck != IniCheckValue) {
        return "the copy's INI Check is " + std::to_string(copy.settings.IniCheck);
    }
    // Every value Korvane took from the input, it takes from the copy.
    for (const SettingsField& f : SettingsFields) {
        if (f.Template != 23 && input.report.Assigned[f.Template - 1] &&
            !SameValue(input.settings, copy.settings, f)) {
            return std::string(f.Name) + " was read from the input, and differs in the copy";
        }
    }
    if (input.whole) {
        for (const SettingsField& f : SettingsFields) {
            if (f.Template != 23 && !SameValue(input.settings, copy.settings, f)) {
                return std::string("the input reads whole, and the copy's ") + f.Name + " differs";
            }
        }
        const bool sameLists = input.fullList == copy.fullList &&
                               input.smallList == copy.smallList &&
                               input.statusText == copy.statusText;
        if (!sameLists && !(input.unknownName && MentionsASplitName(fix.changes))) {
            return "the input reads whole, and the copy's lists or in-game message differ "
                   "without a mended name listed";
        }
    }
    // Fixing the copy again changes nothing.
    const checker::FixResult again = checker::FixSettingsText(copy.text);
    if (again.text != fix.text) {
        return "fixing the copy again gives other bytes";
    }
    if (!again.changes.empty()) {
        return "fixing the copy again lists a change: " + again.changes.front();
    }
    return "";
}

// The fuzz target's whole check: the fixer's answer to the input, then its
// promises.
inline std::string CheckFix(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    reader_checks::WriteFile("Korvane.ini", data, size);
    std::string text;
    LoadSettingsText("Korvane.ini", text);
    return CheckFixedCopy(bytes, checker::FixSettingsText(text));
}

}  // namespace fix_checks

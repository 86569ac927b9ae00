// The settings checker: reads a settings file with the plug-in's own reading
// code, as the first pass of a fresh load would, against the substitute
// host, and tells a player what the game will make of it.
//
// korvane-ini-check is a thin command line over this library; tests call it
// in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "state/plugin_state.h"

namespace checker {

// A list entry the game does not know as a vehicle model.
struct UnknownName {
    const char* list;  // "full" or "small"
    int index;         // from 0
    std::string name;
    std::string suggestion;  // the closest known model name
};

// What one read of a file left.
struct CheckResult {
    std::string text;  // the file as the plug-in saw it
    SettingsRecord settings;
    SettingsReadReport report;
    std::vector<std::string> fullList;
    std::vector<std::string> smallList;
    std::string statusText;  // the in-game message the read leaves
    // The first template that stopped the read; 0 when the file read whole.
    int stopTemplate = 0;
    bool missingHeader = false;
    std::vector<UnknownName> unknown;
    int namesInTakenBlock = 0;
};

// Reads the file as the plug-in would, from its load-time state. False, with
// a message, when the file cannot be read.
bool CheckSettingsFile(const std::string& path, CheckResult* result, std::string* error);

// The first template that stopped a read; 0 when the file read whole. A
// missing header does not count when the main-options heading matched, since
// the rest then reads normally.
int StopTemplate(const SettingsReadReport& report);

// The file reads whole and INI Check is 1234.
bool Passes(const CheckResult& result);

// The report in plain words; `fileName` is how the report names the file.
void PrintPlainReport(std::ostream& out, const std::string& fileName, const CheckResult& result);

// The report as one JSON object (the documented keys, in their order).
nlohmann::ordered_json JsonReport(const CheckResult& result);

// Writes `text` as lines of at most 80 columns, broken at spaces: the first
// line indented by `indent`, the others by `hanging`.
void PrintWrapped(std::ostream& out, const std::string& text, size_t indent, size_t hanging);

// The whole command line: arguments without the program name, and the folder
// the program sits in (where a file is looked for when none is named).
// Returns the exit status: 0 when the file passes (or the corrected copy
// reads whole), 1 otherwise or on an error.
int RunIniCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programFolder = "");

}  // namespace checker

// The command line of korvane-ini-check.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "korvane_version.h"
#include "sim/checker/ini_check.h"
#include "sim/checker/ini_fix.h"

namespace checker {

namespace {

namespace fs = std::filesystem;

// With no file named: Korvane.ini beside the program, where players put it in
// the game's folder; failing that, the one in the current folder.
std::string DefaultFile(const std::string& programFolder) {
    if (!programFolder.empty()) {
        fs::path beside = fs::path(programFolder) / "Korvane.ini";
        std::error_code ec;
        if (fs::is_regular_file(beside, ec)) {
            return beside.string();
        }
    }
    return "Korvane.ini";
}

int Fix(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string text;
    if (!fs::is_regular_file(path) || !LoadSettingsText(path.c_str(), text)) {
        err << "korvane-ini-check: cannot read " << path << "\n";
        return 1;
    }
    FixResult fix = FixSettingsText(text);
    const std::string target = FixedCopyPath(path);
    {
        std::ofstream file(target, std::ios::binary | std::ios::trunc);
        file << fix.text;
        if (!file.good()) {
            err << "korvane-ini-check: cannot write " << target << "\n";
            return 1;
        }
    }
    out << "Corrected copy: " << fs::path(target).filename().string() << "\n";
    out << "Your file " << fs::path(path).filename().string() << " is left as it is.\n\n";
    if (fix.changes.empty()) {
        out << "Nothing needed changing.\n";
    } else {
        out << "Changes:\n";
        for (const std::string& change : fix.changes) {
            PrintWrapped(out, "- " + change, 2, 4);
        }
    }
    CheckResult check;
    std::string error;
    if (!CheckSettingsFile(target, &check, &error)) {
        out << "\nThe corrected copy cannot be checked: " << error << "\n";
        return 1;
    }
    if (!Passes(check)) {
        // Says why, in the words of the checker's own report on the copy.
        out << "\nThe corrected copy still does not read whole. What Korvane makes of it:\n\n";
        PrintPlainReport(out, fs::path(target).filename().string(), check);
        return 1;
    }
    out << "\nThe corrected copy reads whole. To use it, rename it to Korvane.ini\n"
        << "(keep your old file under another name if you like).\n";
    return 0;
}

}  // namespace

int RunIniCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programFolder) {
    CLI::App app{"Checks a Korvane settings file the way the game reads it."};
    std::string path;
    bool json = false;
    bool fix = false;
    bool version = false;
    app.add_option("FILE", path,
                   "the settings file to check (default: Korvane.ini beside this program, "
                   "else in the current folder)");
    app.add_flag("--json", json, "print one JSON object instead of plain words");
    app.add_flag("--fix", fix,
                 "write a corrected copy beside the file (Korvane.fixed.ini for Korvane.ini)");
    app.add_flag("--version", version, "print the version and exit");
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }
    if (version) {
        out << "korvane-ini-check " << KORVANE_VERSION << "\n";
        return 0;
    }
    if (path.empty()) {
        path = DefaultFile(programFolder);
    }
    if (fix) {
        return Fix(path, out, err);
    }

    CheckResult result;
    std::string error;
    if (!CheckSettingsFile(path, &result, &error)) {
        err << "korvane-ini-check: " << error << "\n";
        return 1;
    }
    if (json) {
        out << JsonReport(result).dump(2, ' ', false,
                                       nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    } else {
        PrintPlainReport(out, fs::path(path).filename().string(), result);
    }
    return Passes(result) ? 0 : 1;
}

}  // namespace checker

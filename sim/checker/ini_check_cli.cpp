// The command line of korvane-ini-check.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "sim/checker/ini_check.h"

namespace checker {

int RunIniCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Checks a Korvane settings file the way the game reads it."};
    std::string path;
    bool json = false;
    app.add_option("FILE", path, "the settings file to check")->required();
    app.add_flag("--json", json, "print one JSON object instead of plain words");
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
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
        PrintPlainReport(out, std::filesystem::path(path).filename().string(), result);
    }
    return Passes(result) ? 0 : 1;
}

}  // namespace checker

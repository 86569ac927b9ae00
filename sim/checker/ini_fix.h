// Repairing a settings file: a lenient read of what the player meant, written
// back in the exact form the plug-in's reader expects.
#pragma once

#include <string>
#include <vector>

namespace checker {

struct FixResult {
    std::string text;                  // the corrected file, CR LF line ends
    std::vector<std::string> changes;  // each change made, in words
};

// Reads `text` (as LoadSettingsText leaves it) line by line, forgiving letter
// case, spacing, text after a bracket, a missing x, a decimal distance, a
// space before a list colon, a missing final semicolon, a missing or wrong
// INI Check line and lines out of order, and writes every value and list
// name it finds into a file that reads whole. What the plug-in's own read
// takes from `text` is kept as it is; numbers are written so that the reader
// takes back the same value.
FixResult FixSettingsText(const std::string& text);

// Where the corrected copy of `path` goes: beside it, ".ini" replaced by
// ".fixed.ini" (Korvane.fixed.ini for Korvane.ini). Never `path` itself.
std::string FixedCopyPath(const std::string& path);

}  // namespace checker

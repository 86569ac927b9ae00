// Comparing two traces entry by entry, as korvane-trace-diff does: the same
// operations with the same arguments and results, numbers equal within a
// tolerance (floats computed on different platforms may differ in their last
// bits).
#pragma once

#include <istream>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// Whether two numbers are equal within `tolerance`: absolutely for numbers up
// to 1 in size, relative to the larger beyond.
bool NumbersClose(double a, double b, double tolerance);

// Compares two JSON values; on the first difference returns false and names
// its place (e.g. "args[2][1]") in `*where`.
bool JsonClose(const nlohmann::json& a, const nlohmann::json& b, double tolerance,
               std::string* where);

struct TraceDifference {
    bool differ = false;
    long line = 0;      // 1-based line of the first difference
    std::string where;  // place within the entry, or what is missing
    std::string left;   // the two lines (empty where a trace has ended)
    std::string right;
};

// Compares two traces line by line. An unreadable line is a difference.
TraceDifference CompareTraces(std::istream& left, std::istream& right, double tolerance);

}  // namespace sim

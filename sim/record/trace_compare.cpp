#include "sim/record/trace_compare.h"

#include <algorithm>
#include <cmath>

namespace sim {

bool NumbersClose(double a, double b, double tolerance) {
    if (a == b) {
        return true;
    }
    double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
    return std::fabs(a - b) <= tolerance * scale;
}

bool JsonClose(const nlohmann::json& a, const nlohmann::json& b, double tolerance,
               std::string* where) {
    if (a.is_number() && b.is_number()) {
        if (a.is_number_float() || b.is_number_float()) {
            if (NumbersClose(a.get<double>(), b.get<double>(), tolerance)) {
                return true;
            }
        } else if (a == b) {  // integers exactly
            return true;
        }
        return false;
    }
    if (a.type() != b.type()) {
        return false;
    }
    if (a.is_array()) {
        if (a.size() != b.size()) {
            *where += " (" + std::to_string(a.size()) + " against " + std::to_string(b.size()) +
                      " elements)";
            return false;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            std::string inner = *where + "[" + std::to_string(i) + "]";
            if (!JsonClose(a[i], b[i], tolerance, &inner)) {
                *where = inner;
                return false;
            }
        }
        return true;
    }
    if (a.is_object()) {
        for (const auto& [key, value] : a.items()) {
            std::string inner = where->empty() ? key : *where + "." + key;
            if (!b.contains(key)) {
                *where = inner + " (missing on the right)";
                return false;
            }
            if (!JsonClose(value, b.at(key), tolerance, &inner)) {
                *where = inner;
                return false;
            }
        }
        for (const auto& [key, value] : b.items()) {
            if (!a.contains(key)) {
                *where = (where->empty() ? key : *where + "." + key) + " (missing on the left)";
                return false;
            }
        }
        return true;
    }
    return a == b;
}

TraceDifference CompareTraces(std::istream& left, std::istream& right, double tolerance) {
    TraceDifference difference;
    std::string a;
    std::string b;
    for (long line = 1;; ++line) {
        bool haveA = static_cast<bool>(std::getline(left, a));
        bool haveB = static_cast<bool>(std::getline(right, b));
        if (!haveA && !haveB) {
            return difference;
        }
        difference.line = line;
        if (haveA != haveB) {
            difference.differ = true;
            difference.where = haveA ? "the right trace ends here" : "the left trace ends here";
            difference.left = haveA ? a : "";
            difference.right = haveB ? b : "";
            return difference;
        }
        nlohmann::json ja = nlohmann::json::parse(a, nullptr, false);
        nlohmann::json jb = nlohmann::json::parse(b, nullptr, false);
        std::string where;
        bool same;
        if (ja.is_discarded() || jb.is_discarded()) {
            same = a == b;
            where = "a line that is not JSON";
        } else if (ja.is_object() && jb.is_object() && ja.contains("op") && jb.contains("op") &&
                   ja.at("op") != jb.at("op")) {
            // Another operation altogether: that, not its arguments, is the news.
            same = false;
            where = "op";
        } else {
            same = JsonClose(ja, jb, tolerance, &where);
        }
        if (!same) {
            difference.differ = true;
            difference.where = where.empty() ? "the entry" : where;
            difference.left = a;
            difference.right = b;
            return difference;
        }
    }
}

}  // namespace sim

// Readable names for the cases of a parameterised test: in a failure message
// and in the names ctest lists, a case shows as its name, not as raw bytes
// with addresses in them.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Names the cases of a table after their `name` field.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

// Declares, in the namespace of a case struct with a `name` field, how the
// test framework prints it.
#define KORVANE_CASE_PRINTS_ITS_NAME(Case)                           \
    [[maybe_unused]] void PrintTo(const Case& c, std::ostream* os) { \
        *os << c.name;                                               \
    }

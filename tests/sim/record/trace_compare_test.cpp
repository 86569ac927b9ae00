// Comparing traces entry by entry, numbers within a tolerance.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sim/record/trace_compare.h"

namespace {

const double Tolerance = 1e-4;

struct Case {
    const char* what;
    std::string left;
    std::string right;
    bool differ;
    long line;          // of the first difference
    const char* where;  // its place
};

TEST(TraceCompareTest, FindsTheFirstDifference) {
    const std::string a =
        R"({"frame":1,"op":"GetEntityPosition","hash":"0x3FEF770D40960D5A","args":[7,1],"ret":[1.5,2.0,-3.25]})";
    const std::string wait = R"({"frame":1,"op":"scriptWait","args":[0],"ret":null})";
    const Case cases[] = {
        {"equal", a + "\n" + wait + "\n", a + "\n" + wait + "\n", false, 2, ""},
        {"floats within the tolerance", R"({"op":"X","args":[1.00001,12345.678]})",
         R"({"op":"X","args":[1.00008,12345.679]})", false, 1, ""},
        {"a float beyond it", R"({"op":"X","args":[[0.5,1.0,2.0]]})",
         R"({"op":"X","args":[[0.5,1.001,2.0]]})", true, 1, "args[0][1]"},
        {"integers exactly", R"({"op":"X","args":[100000]})", R"({"op":"X","args":[100001]})", true,
         1, "args[0]"},
        {"an integer against a float of its value", R"({"op":"X","ret":1})",
         R"({"op":"X","ret":1.0})", false, 1, ""},
        {"another operation", wait + "\n" + a, wait + "\n" + wait, true, 2, "op"},
        {"a missing key", R"({"op":"X","ret":null})", R"({"op":"X"})", true, 1,
         "ret (missing on the right)"},
        {"another length", R"({"op":"X","args":[1,2]})", R"({"op":"X","args":[1]})", true, 1,
         "args (2 against 1 elements)"},
        {"null against a number", R"({"op":"X","ret":null})", R"({"op":"X","ret":0})", true, 1,
         "ret"},
        {"the left ends first", wait, wait + "\n" + wait, true, 2, "the left trace ends here"},
        {"text that is not JSON", "garbage", "garbage!", true, 1, "a line that is not JSON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream left(c.left);
        std::istringstream right(c.right);
        sim::TraceDifference d = sim::CompareTraces(left, right, Tolerance);
        EXPECT_EQ(d.differ, c.differ);
        EXPECT_EQ(d.line, c.line);
        if (c.differ) {
            EXPECT_EQ(d.where, c.where);
        }
    }
}

TEST(TraceCompareTest, ToleranceIsAbsoluteForSmallAndRelativeForLargeNumbers) {
    struct Pair {
        double a, b;
        bool close;
    };
    const Pair pairs[] = {
        {0.0, 0.00009, true},   {0.0, 0.00011, false},   {1.0, 1.00009, true},
        {-5.0, -5.0006, false}, {3000.0, 3000.25, true}, {3000.0, 3000.5, false},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(sim::NumbersClose(p.a, p.b, Tolerance), p.close) << p.a << " " << p.b;
        EXPECT_EQ(sim::NumbersClose(p.b, p.a, Tolerance), p.close) << p.b << " " << p.a;
    }
}

}  // namespace

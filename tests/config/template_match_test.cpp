// The template matcher on its own, over text in memory.
#include "config/template_match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct NumberCase {
    const char* pattern;
    std::string text;
    TemplateEnd end;
    bool assigned;
    int32_t value;    // meaningful when assigned
    size_t position;  // where the call left the cursor
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << '"' << c.pattern << "\" on \"" << c.text << '"';
}

class IntegerTemplates : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IntegerTemplates, MatchAsTheRulesSay) {
    const NumberCase& c = GetParam();
    TextCursor cursor{c.text.data(), c.text.size(), 0};
    int32_t value = -77;
    ConversionTarget target;
    target.Integer = &value;
    TemplateMatch match = MatchTemplate(cursor, c.pattern, target);
    EXPECT_EQ(match.End, c.end);
    EXPECT_EQ(match.Assigned, c.assigned);
    EXPECT_EQ(value, c.assigned ? c.value : -77);
    EXPECT_EQ(cursor.Position, c.position);
}

const int32_t Max = std::numeric_limits<int32_t>::max();
const int32_t Min = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Matcher, IntegerTemplates,
    ::testing::Values(
        // Whitespace in the template takes any run, including none.
        NumberCase{"Hotkey = [%x]%*\n", "Hotkey=[63]\n", TemplateEnd::Complete, true, 0x63, 12},
        NumberCase{"Hotkey = [%x]%*\n", "Hotkey   =\t [63]  \n\n\nX", TemplateEnd::Complete, true,
                   0x63, 21},
        // Hex with and without prefix, either case; a bare 0x is just 0.
        NumberCase{"[%x]", "[0x71]", TemplateEnd::Complete, true, 0x71, 6},
        NumberCase{"[%x]", "[0X7a]", TemplateEnd::Complete, true, 0x7a, 6},
        NumberCase{"[%x]", "[71]", TemplateEnd::Complete, true, 0x71, 4},
        NumberCase{"[%x]", "[0x]", TemplateEnd::Mismatch, true, 0, 2},
        NumberCase{"[%x]", "[-0x10]", TemplateEnd::Complete, true, -16, 7},
        NumberCase{"[%x]", "[FFFFFFFF]", TemplateEnd::Complete, true, Max, 10},
        // Case matters in literal text; the mismatching character stays unread.
        NumberCase{"Hotkey = [%x]%*\n", "hotkey = [63]\n", TemplateEnd::Mismatch, false, 0, 0},
        NumberCase{"Hotkey = [%x]%*\n", "Hotkey = (63)\n", TemplateEnd::Mismatch, false, 0, 9},
        // The value is kept even when the text after it fails.
        NumberCase{"Rate = [%dx]%*\n", "Rate = [2]\n", TemplateEnd::Mismatch, true, 2, 9},
        NumberCase{"[%d]%*\n", "[ +12]", TemplateEnd::Complete, true, 12, 6},
        NumberCase{"[%d]%*\n", "[-5]", TemplateEnd::Complete, true, -5, 4},
        // No digit: nothing assigned, the sign stays unread.
        NumberCase{"[%d]", "[-]", TemplateEnd::NoNumber, false, 0, 1},
        NumberCase{"[%d]", "[abc]", TemplateEnd::NoNumber, false, 0, 1},
        NumberCase{"[%d]", "[", TemplateEnd::EndOfData, false, 0, 1},
        NumberCase{"[%d]", "[  \n", TemplateEnd::EndOfData, false, 0, 4},
        NumberCase{"[%d]", "", TemplateEnd::EndOfData, false, 0, 0},
        // A number cut off by the end of the text is still a number.
        NumberCase{"[%d]", "[42", TemplateEnd::EndOfData, true, 42, 3},
        // Beyond 32 bits: the nearest limit, however many digits.
        NumberCase{"[%d]", "[2147483647]", TemplateEnd::Complete, true, Max, 12},
        NumberCase{"[%d]", "[2147483648]", TemplateEnd::Complete, true, Max, 12},
        NumberCase{"[%d]", "[-2147483648]", TemplateEnd::Complete, true, Min, 13},
        NumberCase{"[%d]", "[-2147483649]", TemplateEnd::Complete, true, Min, 13},
        NumberCase{"[%d]", "[99999999999999999999999999999999]", TemplateEnd::Complete, true, Max,
                   34},
        // The skip directive takes whitespace only; other text stays.
        NumberCase{"[%d]%*\n", "[1] # comment\n", TemplateEnd::Complete, true, 1, 4},
        // A NUL byte is an ordinary character that matches nothing.
        NumberCase{"[%d]",
                   std::string("[\0"
                               "1]",
                               4),
                   TemplateEnd::NoNumber, false, 0, 1},
        // A whitespace-only template at the end of the text completes.
        NumberCase{"%*\n\n", "", TemplateEnd::Complete, false, 0, 0}));

struct RealCase {
    std::string text;
    TemplateEnd end;
    bool assigned;
    float value;
    size_t position;
};

void PrintTo(const RealCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class RealTemplates : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealTemplates, MatchAsTheRulesSay) {
    const RealCase& c = GetParam();
    TextCursor cursor{c.text.data(), c.text.size(), 0};
    float value = -77.0f;
    ConversionTarget target;
    target.Real = &value;
    TemplateMatch match = MatchTemplate(cursor, "[%f]", target);
    EXPECT_EQ(match.End, c.end);
    EXPECT_EQ(match.Assigned, c.assigned);
    EXPECT_EQ(value, c.assigned ? c.value : -77.0f);
    EXPECT_EQ(cursor.Position, c.position);
}

const float FloatMax = std::numeric_limits<float>::max();

INSTANTIATE_TEST_SUITE_P(
    Matcher, RealTemplates,
    ::testing::Values(RealCase{"[80.0]", TemplateEnd::Complete, true, 80.0f, 6},
                      RealCase{"[ 80]", TemplateEnd::Complete, true, 80.0f, 5},
                      RealCase{"[-2.5]", TemplateEnd::Complete, true, -2.5f, 6},
                      RealCase{"[+.5]", TemplateEnd::Complete, true, 0.5f, 5},
                      RealCase{"[5.]", TemplateEnd::Complete, true, 5.0f, 4},
                      RealCase{"[1.5e2]", TemplateEnd::Complete, true, 150.0f, 7},
                      RealCase{"[1E-1]", TemplateEnd::Complete, true, 0.1f, 6},
                      // An exponent mark without digits is not part of the number.
                      RealCase{"[3e]", TemplateEnd::Mismatch, true, 3.0f, 2},
                      RealCase{"[3e+]", TemplateEnd::Mismatch, true, 3.0f, 2},
                      // Only decimal numbers: no words, no hex.
                      RealCase{"[inf]", TemplateEnd::NoNumber, false, 0.0f, 1},
                      RealCase{"[nan]", TemplateEnd::NoNumber, false, 0.0f, 1},
                      RealCase{"[0x10]", TemplateEnd::Mismatch, true, 0.0f, 2},
                      RealCase{"[.]", TemplateEnd::NoNumber, false, 0.0f, 1},
                      // Out of range: the largest finite float, or zero.
                      RealCase{"[1e39]", TemplateEnd::Complete, true, FloatMax, 6},
                      RealCase{"[-1e999999999999]", TemplateEnd::Complete, true, -FloatMax, 17},
                      RealCase{"[0.0001e-99]", TemplateEnd::Complete, true, 0.0f, 12},
                      RealCase{"[" + std::string(400, '9') + "]", TemplateEnd::Complete, true,
                               FloatMax, 402}));

// "%[^;]" into a buffer of a given size.
struct BlockCase {
    std::string text;
    size_t capacity;
    TemplateEnd end;
    const char* stored;  // null when nothing is assigned
    size_t position;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" into " << c.capacity << " bytes";
}

class BlockTemplates : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockTemplates, TakeTheWholeBlockOrNothing) {
    const BlockCase& c = GetParam();
    TextCursor cursor{c.text.data(), c.text.size(), 0};
    // One guard byte past the buffer shows any write beyond its size.
    std::vector<char> buffer(c.capacity + 1, '#');
    buffer[0] = 'O';
    buffer[1] = '\0';
    ConversionTarget target;
    target.Text = buffer.data();
    target.TextCapacity = c.capacity;
    TemplateMatch match = MatchTemplate(cursor, ":\n%[^;];%*\n\n", target);
    EXPECT_EQ(match.End, c.end);
    EXPECT_EQ(match.Assigned, c.stored != nullptr);
    EXPECT_STREQ(buffer.data(), c.stored != nullptr ? c.stored : "O");
    EXPECT_EQ(buffer[c.capacity], '#');
    EXPECT_EQ(cursor.Position, c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Matcher, BlockTemplates,
    ::testing::Values(BlockCase{":\nasea, bus\ntaxi;\n\nINI", 64, TemplateEnd::Complete,
                                "asea, bus\ntaxi", 19},
                      // No whitespace is skipped inside the block: it starts after the
                      // template's own newline took the run.
                      BlockCase{":  \n  asea ;", 64, TemplateEnd::Complete, "asea ", 12},
                      BlockCase{": ;x", 64, TemplateEnd::EmptyBlock, nullptr, 2},
                      BlockCase{":\n\n;", 64, TemplateEnd::EmptyBlock, nullptr, 3},
                      BlockCase{" :a;", 64, TemplateEnd::Mismatch, nullptr, 0},
                      BlockCase{":", 64, TemplateEnd::EndOfData, nullptr, 1},
                      BlockCase{":\nasea, bus", 64, TemplateEnd::BlockUnterminated, nullptr, 2},
                      // Exactly the capacity less the NUL fits; one more does not.
                      BlockCase{":abcdefg;", 8, TemplateEnd::Complete, "abcdefg", 9},
                      BlockCase{":abcdefgh;", 8, TemplateEnd::BlockTooLong, nullptr, 1},
                      BlockCase{std::string(":a\0b;", 5), 8, TemplateEnd::Complete, "a", 5}));

TEST(Matcher, HugeBlockNeverWritesPastItsBuffer) {
    std::string text = ":\n" + std::string(20000, 'x') + ";\n";
    char buffer[16385];
    buffer[16384] = '#';
    buffer[0] = '\0';
    TextCursor cursor{text.data(), text.size(), 0};
    ConversionTarget target;
    target.Text = buffer;
    target.TextCapacity = 16384;
    TemplateMatch match = MatchTemplate(cursor, ":\n%[^;];%*\n\n", target);
    EXPECT_EQ(match.End, TemplateEnd::BlockTooLong);
    EXPECT_FALSE(match.Assigned);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[16384], '#');
    EXPECT_EQ(cursor.Position, 2u);
}

// The matcher reads only the bytes it is given: a template longer than the
// text stops at the text's end even when more memory follows it.
TEST(Matcher, NeverReadsPastTheText) {
    const std::string line = "Hotkey = [63]";
    for (size_t size = 0; size < line.size(); size++) {
        // A heap copy of exactly `size` bytes, so the sanitizer sees any overrun.
        std::vector<char> memory(line.begin(), line.begin() + size);
        TextCursor cursor{memory.data(), memory.size(), 0};
        int32_t value = -1;
        ConversionTarget target;
        target.Integer = &value;
        TemplateMatch match = MatchTemplate(cursor, "Hotkey = [%x]%*\n", target);
        EXPECT_EQ(match.End, TemplateEnd::EndOfData) << size;
        EXPECT_LE(cursor.Position, size);
        // Cut inside the digits, the digits that are there are the value.
        if (size == 11) {
            EXPECT_EQ(value, 6);
        }
    }
}

}  // namespace

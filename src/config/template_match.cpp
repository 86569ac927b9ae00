// The template matcher. It works on bytes: every value a byte can hold is
// ordinary text to it, NUL included, and it never looks past the text's size.
#include "config/template_match.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

// Far beyond any exponent a float can use, and far below overflow of int64.
const int64_t ExponentLimit = 1000000000;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool AtEnd(const TextCursor& cursor) {
    return cursor.Position >= cursor.Size;
}

char Peek(const TextCursor& cursor, size_t ahead) {
    size_t at = cursor.Position + ahead;
    return at < cursor.Size ? cursor.Data[at] : '\0';
}

bool HasAhead(const TextCursor& cursor, size_t ahead) {
    return cursor.Position + ahead < cursor.Size;
}

void SkipWhitespace(TextCursor& cursor) {
    while (!AtEnd(cursor) && IsSpace(cursor.Data[cursor.Position])) {
        cursor.Position++;
    }
}

// Reads a signed whole number in base 10 or 16. Returns false, consuming
// nothing, when no digit follows the optional sign (and prefix).
bool ReadInteger(TextCursor& cursor, int base, int32_t& value) {
    size_t at = 0;
    bool negative = false;
    if (HasAhead(cursor, at) && (Peek(cursor, at) == '+' || Peek(cursor, at) == '-')) {
        negative = Peek(cursor, at) == '-';
        at++;
    }
    if (base == 16 && HasAhead(cursor, at + 2) && Peek(cursor, at) == '0' &&
        (Peek(cursor, at + 1) == 'x' || Peek(cursor, at + 1) == 'X') &&
        HexDigitValue(Peek(cursor, at + 2)) >= 0) {
        at += 2;
    }
    // The magnitude is capped just past the largest one an int32 can hold, so
    // it never overflows however many digits follow.
    const int64_t MagnitudeCap = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    size_t digits = 0;
    while (HasAhead(cursor, at)) {
        char c = Peek(cursor, at);
        int digit = base == 16 ? HexDigitValue(c) : (IsDecimalDigit(c) ? c - '0' : -1);
        if (digit < 0) {
            break;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > MagnitudeCap) {
            magnitude = MagnitudeCap;
        }
        digits++;
        at++;
    }
    if (digits == 0) {
        return false;
    }
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) {
        signedValue = std::numeric_limits<int32_t>::max();
    }
    value = int32_t(signedValue);
    cursor.Position += at;
    return true;
}

// Counts a run of decimal digits starting `at` characters ahead.
size_t CountDigits(const TextCursor& cursor, size_t at) {
    size_t count = 0;
    while (HasAhead(cursor, at + count) && IsDecimalDigit(Peek(cursor, at + count))) {
        count++;
    }
    return count;
}

// The decimal order of magnitude of a number's text (sign already passed),
// used only to tell overflow from underflow when a float cannot hold it.
int64_t DecimalMagnitude(const char* text, size_t length) {
    size_t i = 0;
    int64_t magnitude = 0;
    size_t integerDigits = 0;
    bool seenNonZero = false;
    for (; i < length && IsDecimalDigit(text[i]); i++) {
        if (text[i] != '0' || seenNonZero) {
            seenNonZero = true;
            integerDigits++;
        }
    }
    if (integerDigits > 0) {
        magnitude = int64_t(integerDigits) - 1;
    }
    if (i < length && text[i] == '.') {
        i++;
        int64_t zeros = 0;
        for (; i < length && IsDecimalDigit(text[i]); i++) {
            if (!seenNonZero && text[i] == '0') {
                zeros++;
            } else if (!seenNonZero) {
                seenNonZero = true;
                magnitude = -(zeros + 1);
            }
        }
    }
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        i++;
        bool negative = false;
        if (i < length && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            i++;
        }
        int64_t exponent = 0;
        for (; i < length && IsDecimalDigit(text[i]); i++) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > ExponentLimit) {
                exponent = ExponentLimit;
            }
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

// Reads a decimal number with optional sign, fraction and exponent. Returns
// false, consuming nothing, when the mantissa has no digit. An exponent mark
// without digits after it is not part of the number.
bool ReadReal(TextCursor& cursor, float& value) {
    size_t at = 0;
    bool negative = false;
    if (HasAhead(cursor, at) && (Peek(cursor, at) == '+' || Peek(cursor, at) == '-')) {
        negative = Peek(cursor, at) == '-';
        at++;
    }
    size_t unsignedStart = at;
    size_t integerDigits = CountDigits(cursor, at);
    at += integerDigits;
    size_t fractionDigits = 0;
    if (HasAhead(cursor, at) && Peek(cursor, at) == '.') {
        fractionDigits = CountDigits(cursor, at + 1);
        if (integerDigits > 0 || fractionDigits > 0) {
            at += 1 + fractionDigits;
        }
    }
    if (integerDigits == 0 && fractionDigits == 0) {
        return false;
    }
    if (HasAhead(cursor, at) && (Peek(cursor, at) == 'e' || Peek(cursor, at) == 'E')) {
        size_t signLength = 0;
        if (HasAhead(cursor, at + 1) &&
            (Peek(cursor, at + 1) == '+' || Peek(cursor, at + 1) == '-')) {
            signLength = 1;
        }
        size_t exponentDigits = CountDigits(cursor, at + 1 + signLength);
        if (exponentDigits > 0) {
            at += 1 + signLength + exponentDigits;
        }
    }
    const char* first = cursor.Data + cursor.Position + unsignedStart;
    const char* last = cursor.Data + cursor.Position + at;
    float magnitude = 0.0f;
    std::from_chars_result result = std::from_chars(first, last, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        magnitude = DecimalMagnitude(first, size_t(last - first)) > 0
                        ? std::numeric_limits<float>::max()
                        : 0.0f;
    }
    value = negative ? -magnitude : magnitude;
    cursor.Position += at;
    return true;
}

// "%[^;]": the whole block up to the semicolon, or nothing.
TemplateEnd ReadBlock(TextCursor& cursor, char* text, size_t capacity) {
    if (AtEnd(cursor)) {
        return TemplateEnd::EndOfData;
    }
    const char* start = cursor.Data + cursor.Position;
    size_t remaining = cursor.Size - cursor.Position;
    if (*start == ';') {
        return TemplateEnd::EmptyBlock;
    }
    const char* semicolon = static_cast<const char*>(std::memchr(start, ';', remaining));
    if (semicolon == nullptr) {
        return TemplateEnd::BlockUnterminated;
    }
    size_t length = size_t(semicolon - start);
    if (capacity == 0 || length > capacity - 1) {
        return TemplateEnd::BlockTooLong;
    }
    std::memcpy(text, start, length);
    text[length] = '\0';
    cursor.Position += length;
    return TemplateEnd::Complete;
}

}  // namespace

TemplateMatch MatchTemplate(TextCursor& cursor, const char* pattern, ConversionTarget target) {
    TemplateMatch match;
    const char* p = pattern;
    while (*p != '\0') {
        if (IsSpace(*p)) {
            SkipWhitespace(cursor);
            p++;
            continue;
        }
        if (*p != '%') {
            if (AtEnd(cursor)) {
                match.End = TemplateEnd::EndOfData;
                return match;
            }
            if (cursor.Data[cursor.Position] != *p) {
                match.End = TemplateEnd::Mismatch;
                return match;
            }
            cursor.Position++;
            p++;
            continue;
        }
        char directive = p[1];
        if (directive == '*') {
            SkipWhitespace(cursor);
            p += 2;
            continue;
        }
        if (directive == '[') {
            // Only the one scan set the templates use: everything but ';'.
            TemplateEnd end = ReadBlock(cursor, target.Text, target.TextCapacity);
            if (end != TemplateEnd::Complete) {
                match.End = end;
                return match;
            }
            match.Assigned = true;
            p += std::strlen("%[^;]");
            continue;
        }
        SkipWhitespace(cursor);
        if (AtEnd(cursor)) {
            match.End = TemplateEnd::EndOfData;
            return match;
        }
        bool read = false;
        if (directive == 'd' || directive == 'x') {
            int32_t value = 0;
            read = ReadInteger(cursor, directive == 'x' ? 16 : 10, value);
            if (read) {
                *target.Integer = value;
            }
        } else {
            float value = 0.0f;
            read = ReadReal(cursor, value);
            if (read) {
                *target.Real = value;
            }
        }
        if (!read) {
            match.End = TemplateEnd::NoNumber;
            return match;
        }
        match.Assigned = true;
        p += 2;
    }
    match.End = TemplateEnd::Complete;
    return match;
}

// Matching a line template against text in memory, in the style of formatted
// input, with rules of our own that do not vary between platforms:
//
// - A space or newline in the template consumes any run of whitespace,
//   including none.
// - Any other ordinary character must equal the next character of the text,
//   case included; on a mismatch the call stops before that character, and
//   what was already matched stays consumed.
// - "%d" and "%x" skip whitespace, then read an optional sign and decimal or
//   hexadecimal digits ("%x" also takes a 0x or 0X prefix when a hex digit
//   follows it). A value beyond the 32-bit range becomes the nearest limit.
// - "%f" skips whitespace and reads a decimal number with optional sign,
//   fraction and exponent. Beyond the float range it becomes the largest
//   finite float of its sign; a value too small for a float becomes 0.
// - A number is assigned as soon as it is read, even if the rest fails. With
//   no digit the call stops before the sign and assigns nothing.
// - "%[^;]" copies every character up to the next semicolon, without
//   skipping anything, into the text buffer with a terminating NUL. It stops
//   without assigning or consuming when the block is empty, does not fit the
//   buffer, or has no semicolon after it.
// - "%*" followed by whitespace skips any run of whitespace; other text stays
//   for the next call.
// - The end of the text stops a call where a character is needed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/settings_record.h"

// A read position in text held in memory.
struct TextCursor {
    const char* Data = nullptr;
    size_t Size = 0;
    size_t Position = 0;
};

// Where the one conversion of a template goes. Only the pointer the template's
// conversion needs is used.
struct ConversionTarget {
    int32_t* Integer = nullptr;  // "%d", "%x"
    float* Real = nullptr;       // "%f"
    char* Text = nullptr;        // "%[^;]"
    size_t TextCapacity = 0;     // bytes of Text, the terminating NUL included
};

struct TemplateMatch {
    TemplateEnd End = TemplateEnd::NotTried;
    bool Assigned = false;
};

// Matches one template at the cursor and advances it past what was consumed.
TemplateMatch MatchTemplate(TextCursor& cursor, const char* pattern, ConversionTarget target);

#include "sim/checker/float_text.h"

#include <charconv>

namespace checker {

std::string ShortestFloatText(float value) {
    char buffer[64];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, r.ptr);
}

}  // namespace checker

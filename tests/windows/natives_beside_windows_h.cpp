// Built by the Windows preset only. <windows.h> comes first, as it would in
// any file of the plug-in that needs both: every operation must keep its name
// and resolve to the one the operation layer defines.
#include <windows.h>

#include "host/natives.h"

namespace {

constexpr bool SameText(const char* a, const char* b) {
    return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}

#define KORVANE_EXPANDED_TEXT(name) #name
#define KORVANE_AS_EXPANDED(name) KORVANE_EXPANDED_TEXT(name)
#define KORVANE_CHECK_NAME(name, hash, slots)                      \
    static_assert(SameText(#name, KORVANE_AS_EXPANDED(name)),      \
                  "a Windows macro renames the operation " #name); \
    [[maybe_unused]] const auto name##Address = &game::name;
KORVANE_NATIVE_OPERATIONS(KORVANE_CHECK_NAME)
#undef KORVANE_CHECK_NAME

}  // namespace

// Fuzzes the settings fixer: Korvane.ini holds the input, and the corrected
// copy must keep every promise of fuzz/fix_checks.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/fix_checks.h"
#include "fuzz/fuzz_host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_host::Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_host::Require(fix_checks::CheckFix(data, size));
    return 0;
}

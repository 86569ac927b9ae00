// Fuzzes the user model-list loader: the first byte picks the full (even) or
// the small (odd) list, the rest is the list block's text.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_host.h"
#include "fuzz/reader_checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_host::Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_host::Require(reader_checks::CheckModelListText(data, size));
    return 0;
}

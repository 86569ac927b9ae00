// Fuzzes the sibling plug-in's hotkey file: palvenorhub.ini holds the input.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_host.h"
#include "fuzz/reader_checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_host::Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_host::Require(reader_checks::CheckSiblingFile(data, size));
    return 0;
}

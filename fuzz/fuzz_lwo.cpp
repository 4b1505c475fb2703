// LWO forms, both layouts.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runLwo(data, size);
    return 0;
}

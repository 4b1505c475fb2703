// 3MF packages: the zip container, its XML parts, the build and its components.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::run3mf(data, size);
    return 0;
}

// PLY polygons, ASCII and binary in both byte orders.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runPly(data, size);
    return 0;
}

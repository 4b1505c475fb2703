// STL triangles, binary and ASCII.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runStl(data, size);
    return 0;
}

// Work files: read, then drawn, unfolded when they hold no development, edited, saved and
// read back.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runWorkFile(data, size);
    return 0;
}

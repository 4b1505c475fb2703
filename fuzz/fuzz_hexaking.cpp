// HexaKing scenes (.6kt and .6ks are the same layout), with the edge marks applied as the
// loader does after construction.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runHexaKing(data, size);
    return 0;
}

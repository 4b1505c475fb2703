// PNG textures, decoded and scaled to the texture square.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runPng(data, size);
    return 0;
}

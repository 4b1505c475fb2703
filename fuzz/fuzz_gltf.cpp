// glTF scenes, JSON or binary; external files are never found.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runGltf(data, size);
    return 0;
}

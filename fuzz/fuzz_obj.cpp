// OBJ text with its material library: the input up to its first NUL byte is the model, the
// rest the library.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runObj(data, size);
    return 0;
}

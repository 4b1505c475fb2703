// Any model format through the whole program: the first byte chooses the reader, the rest is
// the file. A model that loads is unfolded, laid out, drawn, edited, saved and read back.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plikatra::fuzz::runUnfold(data, size);
    return 0;
}

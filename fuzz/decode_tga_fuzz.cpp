// libFuzzer target: the TGA decoder on arbitrary bytes in memory. It must never crash or read
// outside the bytes; an image it returns has the header's size and channels in [0, 1].
#include "fuzz/tga_check.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string broken = checkDecodedTga(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

// libFuzzer target: the image decoders (TGA, PNG and JPEG) on arbitrary bytes in memory. They must
// never crash, leak or read outside the bytes; an image they return is within the size limit
// and its channels are in [0, 1].
#include "fuzz/image_check.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string broken = checkDecodedImage(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

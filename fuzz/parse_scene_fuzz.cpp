// libFuzzer target: the scene file parser on arbitrary bytes. The parser must never crash, read
// outside the text or hang, whatever it returns must satisfy checkParsedScene, and its fast
// paths must agree with the template interpreter; the same bytes read as a mesh file too.
#include "fuzz/scene_check.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    SceneDescription description;
    ParseError error = parseScene(text, &description);
    std::string broken = checkParsedScene(description, error, text);
    if (broken.empty()) broken = checkFastPathsAgree(text);
    if (broken.empty()) broken = checkMeshFileAgrees(text);
    if (!broken.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

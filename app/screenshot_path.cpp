// The numbering of the F12 screenshots (krestel-0001.png, krestel-0002.png, ...), shared by the
// desktop's and the browser's screenshot writers.
#include "app/screenshot.h"

#include <cstdio>

std::string nextScreenshotPath(const std::string& folder,
                               const std::function<bool(const std::string&)>& exists) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    for (int n = 1; n <= MAX_SCREENSHOTS; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "krestel-%04d.png", n);
        std::string path = prefix + name;
        if (!exists(path)) return path;
    }
    return {};
}

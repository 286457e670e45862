// Screenshots in the browser: the canvas as a PNG download (krestel-0001.png, ...), taken right
// after the frame is drawn, while the canvas still holds it. Same interface as the desktop's
// app/screenshot.cpp; nothing is written to the page's own file system.
#include "app/screenshot.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <set>

namespace {

std::set<std::string> downloaded; // names already handed to the browser this session

EM_JS(void, downloadCanvasPng, (const char* name), {
    var link = document.createElement('a');
    link.download = UTF8ToString(name);
    link.href = Module['canvas'].toDataURL('image/png');
    document.body.appendChild(link);
    link.click();
    link.remove();
});

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool writeWindowPng(const char* path) {
    downloadCanvasPng(baseName(path).c_str());
    return true;
}

void writeScreenshotBeside(std::string folder) {
    (void)folder; // downloads go where the browser puts them
    const std::string name =
        nextScreenshotPath("", [](const std::string& p) { return downloaded.count(p) != 0; });
    if (name.empty()) return;
    downloaded.insert(name);
    if (writeWindowPng(name.c_str())) std::printf("Screenshot: %s\n", name.c_str());
}

// Screenshots: the window's back buffer written to a PNG file through libpng, and the numbering
// of the F12 files (krestel-0001.png, krestel-0002.png, ...) in the scene's folder.
#pragma once

#include <functional>
#include <string>

// Reads the back buffer of the current window (call after drawing, before the buffer swap) and
// writes it to path as an 8-bit RGB PNG. On failure prints an ERROR line naming path and says no.
bool writeWindowPng(const char* path);

inline constexpr int MAX_SCREENSHOTS = 9999;

// The first of folder/krestel-0001.png ... krestel-9999.png for which exists() says no; empty
// when all are taken. An empty folder means the working folder.
std::string nextScreenshotPath(const std::string& folder,
                               const std::function<bool(const std::string&)>& exists);

// F12's shot: the back buffer (call after drawing, before the swap, so the file holds the frame
// the window shows) to the next free krestel-NNNN.png in folder. The working folder stands in for
// a folder that cannot be written. Prints "Screenshot: PATH" on standard output.
void writeScreenshotBeside(std::string folder);

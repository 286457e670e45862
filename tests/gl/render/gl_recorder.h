// A recording layer for one test executable: it defines the GL, GLU and GLUT entry points the
// renderer calls, writes each down as text while recording is on, then calls the real library.
// glutGet can report a fake window size.
#pragma once

#include <string>
#include <vector>

namespace gl_recorder {
void start();
std::vector<std::string> stop();
// Array pointers are recorded as offsets from `vertices`, the index pointer as "indices".
void setArrayBases(const void* vertices, const void* indices);
void fakeWindow(int width, int height); // a negative width leaves glutGet alone
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
void record(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
} // namespace gl_recorder

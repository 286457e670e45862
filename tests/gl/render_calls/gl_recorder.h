// A recording layer for one test executable: this executable defines the GL, GLU and GLUT entry
// points the renderer calls, so the engine's calls land here first; each is written down as text
// while recording is on and then passed to the real library. glutGet can report a fake window.
#pragma once

#include <string>
#include <vector>

namespace gl_recorder {

void start();
std::vector<std::string> stop();
// Pointers handed to the vertex-array calls are recorded as offsets from this base, and the
// index pointer as "indices" when it equals `indices`.
void setArrayBases(const void* vertices, const void* indices);
// A negative width leaves glutGet alone.
void fakeWindow(int width, int height);
// The text the recorder writes for a call, for building expected sequences.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

} // namespace gl_recorder

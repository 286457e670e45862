// The recording layer: each entry point below takes precedence over the shared libraries' own
// (the executable's definitions win at link time), writes the call down as text while recording
// is on, and forwards to the next definition the dynamic linker finds, which is the real one.
#include "gl/render/gl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace gl_recorder {
namespace {
bool recording = false;
std::vector<std::string> calls;
const char* vertexBase = nullptr;
const void* indexBase = nullptr;
int fakeWidth = -1, fakeHeight = -1;

std::string vformat(const char* pattern, va_list args) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    return buffer;
}
} // namespace

void record(const char* pattern, ...) {
    if (!recording) return;
    va_list args;
    va_start(args, pattern);
    calls.push_back(vformat(pattern, args));
    va_end(args);
}

// Three significant digits and no negative zeros, so expected texts are easy to write.
std::string floats(const GLfloat* values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += format(i ? " %.3g" : "%.3g", values[i] + 0.0);
    return text;
}

long offset(const void* pointer) {
    return static_cast<long>(static_cast<const char*>(pointer) - vertexBase);
}

void* realSymbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    // The linker drops GLU when the only GLU function the engine calls is defined here.
    if (symbol == nullptr) symbol = dlsym(dlopen("libGLU.so.1", RTLD_NOW | RTLD_GLOBAL), name);
    if (symbol == nullptr) std::abort();
    return symbol;
}

void start() {
    calls.clear();
    recording = true;
}
std::vector<std::string> stop() {
    recording = false;
    return calls;
}
void setArrayBases(const void* vertices, const void* indices) {
    vertexBase = static_cast<const char*>(vertices);
    indexBase = indices;
}
void fakeWindow(int width, int height) {
    fakeWidth = width;
    fakeHeight = height;
}
std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    std::string text = vformat(pattern, args);
    va_end(args);
    return text;
}
} // namespace gl_recorder

using namespace gl_recorder;
#define F(v, n) floats(v, n).c_str()
// Defines NAME(PARAMS), records it with the printf arguments that follow, calls the real one.
#define WRAP(NAME, PARAMS, ARGS, ...)                                                              \
    void NAME PARAMS {                                                                             \
        record(__VA_ARGS__);                                                                       \
        static const auto real = reinterpret_cast<decltype(&NAME)>(realSymbol(#NAME));             \
        real ARGS;                                                                                 \
    }

extern "C" {
WRAP(glClear, (GLbitfield m), (m), "glClear(%#x)", m)
WRAP(glMatrixMode, (GLenum m), (m), "glMatrixMode(%#x)", m)
WRAP(glLoadIdentity, (), (), "glLoadIdentity()")
WRAP(glPushMatrix, (), (), "glPushMatrix()")
WRAP(glPopMatrix, (), (), "glPopMatrix()")
WRAP(glLoadMatrixf, (const GLfloat* m), (m), "glLoadMatrixf(%s)", F(m, 16))
WRAP(glMultMatrixf, (const GLfloat* m), (m), "glMultMatrixf(%s)", F(m, 16))
WRAP(glEnable, (GLenum c), (c), "glEnable(%#x)", c)
WRAP(glDisable, (GLenum c), (c), "glDisable(%#x)", c)
WRAP(glLightfv, (GLenum l, GLenum p, const GLfloat* v), (l, p, v), "glLightfv(%#x, %#x, %s)", l, p,
     F(v, 4))
WRAP(glLightModelfv, (GLenum p, const GLfloat* v), (p, v), "glLightModelfv(%#x, %s)", p, F(v, 4))
WRAP(glEnableClientState, (GLenum a), (a), "glEnableClientState(%#x)", a)
WRAP(glShadeModel, (GLenum m), (m), "glShadeModel(%#x)", m)
WRAP(glMaterialfv, (GLenum f, GLenum p, const GLfloat* v), (f, p, v), "glMaterialfv(%#x, %#x, %s)",
     f, p, F(v, p == GL_SHININESS ? 1 : 4))
WRAP(glTexEnvf, (GLenum t, GLenum p, GLfloat v), (t, p, v), "glTexEnvf(%#x, %#x, %#x)", t, p,
     static_cast<unsigned>(v))
WRAP(glBindTexture, (GLenum t, GLuint n), (t, n), "glBindTexture(%#x, %u)", t, n)
WRAP(glVertexPointer, (GLint s, GLenum t, GLsizei d, const void* p), (s, t, d, p),
     "glVertexPointer(%d, %#x, %d, +%ld)", s, t, d, offset(p))
WRAP(glNormalPointer, (GLenum t, GLsizei d, const void* p), (t, d, p),
     "glNormalPointer(%#x, %d, +%ld)", t, d, offset(p))
WRAP(glTexCoordPointer, (GLint s, GLenum t, GLsizei d, const void* p), (s, t, d, p),
     "glTexCoordPointer(%d, %#x, %d, +%ld)", s, t, d, offset(p))
WRAP(glDrawElements, (GLenum m, GLsizei n, GLenum t, const void* i), (m, n, t, i),
     "glDrawElements(%#x, %d, %#x, %s)", m, n, t, i == indexBase ? "indices" : "other")
WRAP(glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h), "glViewport(%d, %d, %d, %d)",
     x, y, w, h)
WRAP(gluPerspective, (GLdouble f, GLdouble a, GLdouble n, GLdouble z), (f, a, n, z),
     "gluPerspective(%.3g, %.3g, %.3g, %.3g)", f, a, n, z)
WRAP(glCopyTexSubImage2D, (GLenum t, GLint l, GLint a, GLint b, GLint x, GLint y, GLsizei w, GLsizei h),
     (t, l, a, b, x, y, w, h), "glCopyTexSubImage2D(%#x, %d, %d, %d, %d, %d, %d, %d)", t, l, a, b, x,
     y, w, h)
WRAP(glDepthMask, (GLboolean f), (f), "glDepthMask(%d)", f)
WRAP(glBlendFunc, (GLenum s, GLenum d), (s, d), "glBlendFunc(%#x, %#x)", s, d)
WRAP(glBegin, (GLenum m), (m), "glBegin(%#x)", m)
WRAP(glEnd, (), (), "glEnd()")
WRAP(glColor4fv, (const GLfloat* v), (v), "glColor4fv(%s)", F(v, 4))
WRAP(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), "glVertex3f(%.3g %.3g %.3g)",
     x + 0.0, y + 0.0, z + 0.0)
WRAP(glVertex3fv, (const GLfloat* v), (v), "glVertex3fv(%s)", F(v, 3))
WRAP(glTexCoord2f, (GLfloat s, GLfloat t), (s, t), "glTexCoord2f(%.3g %.3g)", s + 0.0, t + 0.0)
WRAP(glPointSize, (GLfloat s), (s), "glPointSize(%.3g)", s + 0.0)

int glutGet(GLenum query) {
    if (fakeWidth >= 0 && query == GLUT_WINDOW_WIDTH) return fakeWidth;
    if (fakeWidth >= 0 && query == GLUT_WINDOW_HEIGHT) return fakeHeight;
    static const auto real = reinterpret_cast<decltype(&glutGet)>(realSymbol("glutGet"));
    return real(query);
}
} // extern "C"

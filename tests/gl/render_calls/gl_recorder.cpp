// The recording layer: each entry point below takes precedence over the shared libraries' own
// (the executable's definitions win at link time) and forwards to the next definition found by
// the dynamic linker, which is the real one.
#include "gl/render_calls/gl_recorder.h"

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
int fakeWidth = -1;
int fakeHeight = -1;

std::string vformat(const char* pattern, va_list args) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    return buffer;
}

void record(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
void record(const char* pattern, ...) {
    if (!recording) return;
    va_list args;
    va_start(args, pattern);
    calls.push_back(vformat(pattern, args));
    va_end(args);
}

// Numbers are written with three significant digits and without negative zeros.
double tidy(double value) {
    return value == 0.0 ? 0.0 : value;
}

std::string floats(const GLfloat* values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char item[32];
        std::snprintf(item, sizeof item, "%s%.3g", i ? " " : "", tidy(values[i]));
        text += item;
    }
    return text;
}

long offset(const void* pointer) {
    return static_cast<long>(static_cast<const char*>(pointer) - vertexBase);
}

void* realSymbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    // The linker drops GLU from this executable when the only GLU function the engine calls is
    // the one defined here; load it by hand then.
    if (symbol == nullptr) {
        void* glu = dlopen("libGLU.so.1", RTLD_NOW | RTLD_GLOBAL);
        if (glu != nullptr) symbol = dlsym(glu, name);
    }
    if (symbol == nullptr) {
        std::fprintf(stderr, "gl_recorder: no real %s\n", name);
        std::abort();
    }
    return symbol;
}

} // namespace

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

using gl_recorder::floats;
using gl_recorder::offset;
using gl_recorder::record;
using gl_recorder::tidy;

#define REAL(name)                                                                                 \
    static const auto real = reinterpret_cast<decltype(&name)>(gl_recorder::realSymbol(#name));    \
    real

extern "C" {

void glClear(GLbitfield mask) {
    record("glClear(%#x)", mask);
    REAL(glClear)(mask);
}
void glMatrixMode(GLenum mode) {
    record("glMatrixMode(%#x)", mode);
    REAL(glMatrixMode)(mode);
}
void glLoadIdentity() {
    record("glLoadIdentity()");
    REAL(glLoadIdentity)();
}
void glPushMatrix() {
    record("glPushMatrix()");
    REAL(glPushMatrix)();
}
void glPopMatrix() {
    record("glPopMatrix()");
    REAL(glPopMatrix)();
}
void glLoadMatrixf(const GLfloat* m) {
    record("glLoadMatrixf(%s)", floats(m, 16).c_str());
    REAL(glLoadMatrixf)(m);
}
void glMultMatrixf(const GLfloat* m) {
    record("glMultMatrixf(%s)", floats(m, 16).c_str());
    REAL(glMultMatrixf)(m);
}
void glEnable(GLenum cap) {
    record("glEnable(%#x)", cap);
    REAL(glEnable)(cap);
}
void glDisable(GLenum cap) {
    record("glDisable(%#x)", cap);
    REAL(glDisable)(cap);
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    record("glLightfv(%#x, %#x, %s)", light, pname, floats(params, 4).c_str());
    REAL(glLightfv)(light, pname, params);
}
void glLightModelfv(GLenum pname, const GLfloat* params) {
    record("glLightModelfv(%#x, %s)", pname, floats(params, 4).c_str());
    REAL(glLightModelfv)(pname, params);
}
void glEnableClientState(GLenum array) {
    record("glEnableClientState(%#x)", array);
    REAL(glEnableClientState)(array);
}
void glShadeModel(GLenum mode) {
    record("glShadeModel(%#x)", mode);
    REAL(glShadeModel)(mode);
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    record("glMaterialfv(%#x, %#x, %s)", face, pname,
           floats(params, pname == GL_SHININESS ? 1 : 4).c_str());
    REAL(glMaterialfv)(face, pname, params);
}
void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
    record("glTexEnvf(%#x, %#x, %#x)", target, pname, static_cast<unsigned>(param));
    REAL(glTexEnvf)(target, pname, param);
}
void glBindTexture(GLenum target, GLuint texture) {
    record("glBindTexture(%#x, %u)", target, texture);
    REAL(glBindTexture)(target, texture);
}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    record("glVertexPointer(%d, %#x, %d, +%ld)", size, type, stride, offset(pointer));
    REAL(glVertexPointer)(size, type, stride, pointer);
}
void glNormalPointer(GLenum type, GLsizei stride, const void* pointer) {
    record("glNormalPointer(%#x, %d, +%ld)", type, stride, offset(pointer));
    REAL(glNormalPointer)(type, stride, pointer);
}
void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    record("glTexCoordPointer(%d, %#x, %d, +%ld)", size, type, stride, offset(pointer));
    REAL(glTexCoordPointer)(size, type, stride, pointer);
}
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    record("glDrawElements(%#x, %d, %#x, %s)", mode, count, type,
           indices == gl_recorder::indexBase ? "indices" : "other");
    REAL(glDrawElements)(mode, count, type, indices);
}
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    record("glViewport(%d, %d, %d, %d)", x, y, width, height);
    REAL(glViewport)(x, y, width, height);
}
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    record("gluPerspective(%.3g, %.3g, %.3g, %.3g)", fovy, aspect, zNear, zFar);
    REAL(gluPerspective)(fovy, aspect, zNear, zFar);
}
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y,
                         GLsizei width, GLsizei height) {
    record("glCopyTexSubImage2D(%#x, %d, %d, %d, %d, %d, %d, %d)", target, level, xoffset, yoffset,
           x, y, width, height);
    REAL(glCopyTexSubImage2D)(target, level, xoffset, yoffset, x, y, width, height);
}
void glDepthMask(GLboolean flag) {
    record("glDepthMask(%d)", flag);
    REAL(glDepthMask)(flag);
}
void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    record("glBlendFunc(%#x, %#x)", sfactor, dfactor);
    REAL(glBlendFunc)(sfactor, dfactor);
}
void glBegin(GLenum mode) {
    record("glBegin(%#x)", mode);
    REAL(glBegin)(mode);
}
void glEnd() {
    record("glEnd()");
    REAL(glEnd)();
}
void glColor4fv(const GLfloat* v) {
    record("glColor4fv(%s)", floats(v, 4).c_str());
    REAL(glColor4fv)(v);
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    record("glVertex3f(%.3g %.3g %.3g)", tidy(x), tidy(y), tidy(z));
    REAL(glVertex3f)(x, y, z);
}
void glVertex3fv(const GLfloat* v) {
    record("glVertex3fv(%s)", floats(v, 3).c_str());
    REAL(glVertex3fv)(v);
}
void glTexCoord2f(GLfloat s, GLfloat t) {
    record("glTexCoord2f(%.3g %.3g)", tidy(s), tidy(t));
    REAL(glTexCoord2f)(s, t);
}
void glPointSize(GLfloat size) {
    record("glPointSize(%.3g)", size);
    REAL(glPointSize)(size);
}
int glutGet(GLenum query) {
    if (gl_recorder::fakeWidth >= 0 && query == GLUT_WINDOW_WIDTH) return gl_recorder::fakeWidth;
    if (gl_recorder::fakeWidth >= 0 && query == GLUT_WINDOW_HEIGHT) return gl_recorder::fakeHeight;
    static const auto real =
        reinterpret_cast<decltype(&glutGet)>(gl_recorder::realSymbol("glutGet"));
    return real(query);
}

} // extern "C"

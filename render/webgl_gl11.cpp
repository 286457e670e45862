// The OpenGL 1.1 and GLU calls that the shared app and texture code make outside the frame
// records (start-up state, the reshape projection, the texture registry's uploads and binds),
// answered on WebGL through the fixed-function state of webgl_fixed. Defining them here takes the
// place of emscripten's own versions, which refuse fixed-function calls.
#include <GL/gl.h>
#include <GL/glu.h>

#include "render/webgl_fixed.h"

namespace {

constexpr GLenum LIGHTING = 0x0B50;
constexpr GLenum LIGHT0 = 0x4000;
constexpr GLenum PROJECTION = 0x1701;

int32_t capability(GLenum cap) {
    if (cap == LIGHTING) return FF_LIGHTING;
    if (cap == GL_TEXTURE_2D) return FF_TEXTURE_2D;
    if (cap == GL_BLEND) return FF_BLEND;
    if (cap == GL_DEPTH_TEST) return FF_DEPTH_TEST;
    if (cap >= LIGHT0 && cap < LIGHT0 + FF_MAX_LIGHTS) return FF_LIGHT0 + int32_t(cap - LIGHT0);
    return -1;
}

} // namespace

extern "C" {

void emscripten_glClearDepthf(GLfloat depth);

void glEnable(GLenum cap) {
    ffEnable(capability(cap));
}

void glDisable(GLenum cap) {
    ffDisable(capability(cap));
}

void glClearDepth(GLclampd depth) {
    emscripten_glClearDepthf(GLfloat(depth));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    ffViewport(x, y, width, height);
}

void glMatrixMode(GLenum mode) {
    ffMatrixMode(mode == PROJECTION ? FfMatrix::Projection : FfMatrix::Modelview);
}

void glLoadIdentity() {
    ffLoadIdentity();
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    ffPerspective(fovy, aspect, zNear, zFar);
}

void glBindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) ffBindTexture(texture);
}

// The registry uploads float RGBA; WebGL 1 takes bytes.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    (void)internalFormat;
    (void)border;
    if (target != GL_TEXTURE_2D || level != 0 || format != GL_RGBA || type != GL_FLOAT) return;
    ffTexImage(width, height, static_cast<const Colour*>(pixels));
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (target == GL_TEXTURE_2D) ffTexParameter(name, value);
}

} // extern "C"

// The fixed-function OpenGL 1.1 subset the desktop back end draws with, reproduced on WebGL 1
// (GLSL ES 1.00): matrix stacks, per-vertex lighting with eight lights, materials, textures
// modulating the lit colour, immediate-mode points, lines, triangles and quads, client-array
// meshes, bitmap text in the desktop's HUD font, and an off-screen 256 by 256 target for the
// dynamic-texture passes. Matrices are column-major here, as GL takes them. Web build only; the
// one WebGL context must be current before ffInit.
#pragma once

#include <cstdint>

#include "core/math.h"
#include "core/records.h"

enum class FfMatrix { Modelview, Projection };

// What ffEnable and ffDisable switch; FF_LIGHT0 + i is light i.
enum FfCap : int32_t {
    FF_LIGHTING = 0,
    FF_TEXTURE_2D = 1,
    FF_BLEND = 2,
    FF_DEPTH_TEST = 3,
    FF_LIGHT0 = 4,
};

enum class FfPrimitive { Points, Lines, LineLoop, Triangles, Quads };

// The blend factors the engine uses.
enum class FfBlend { Zero, One, SrcAlpha, OneMinusSrcAlpha };

inline constexpr int FF_MAX_LIGHTS = 8;

// Builds the program lit textured meshes need (the others are built when first needed) and the
// font atlas; false (with a message on stderr) when WebGL cannot run the shaders.
bool ffInit();

void ffViewport(int32_t x, int32_t y, int32_t width, int32_t height);
// Clears colour and depth (depth only while depth writes are on, as GL does).
void ffClear();

void ffMatrixMode(FfMatrix mode);
void ffLoadIdentity();
void ffPushMatrix();
void ffPopMatrix();
void ffLoadMatrix(const float* columnMajor);
void ffMultMatrix(const float* columnMajor);
// gluPerspective and glOrtho: multiply the current matrix.
void ffPerspective(double fovyDegrees, double aspect, double zNear, double zFar);
void ffOrtho(double left, double right, double bottom, double top, double zNear, double zFar);

void ffEnable(int32_t cap);
void ffDisable(int32_t cap);
void ffDepthMask(bool on);
void ffBlendFunc(FfBlend source, FfBlend destination);
void ffPointSize(float size);

// Light i's position goes through the modelview matrix current now, as glLightfv does.
void ffLightPosition(int32_t i, const float position[4]);
void ffLightDiffuse(int32_t i, Colour colour);
void ffLightSpecular(int32_t i, Colour colour);
void ffLightModelAmbient(Colour colour);
void ffMaterial(Colour ambient, Colour diffuse, Colour emission, Colour specular, float shininess);

void ffColour(float r, float g, float b, float a);
void ffTexCoord(float u, float v);
void ffBegin(FfPrimitive primitive);
void ffVertex(float x, float y, float z);
void ffEnd();
// glDrawElements of GL_TRIANGLES from interleaved vertex, normal and texture-coordinate arrays.
void ffDrawMesh(const Vertex* vertices, int32_t vertexCount, const uint32_t* indices,
                int32_t indexCount);
// Drops the buffers kept for meshes drawn so far (their arrays are about to be freed).
void ffForgetMeshes();

// glBindTexture of GL_TEXTURE_2D.
void ffBindTexture(uint32_t name);
// glTexImage2D of float RGBA into the bound texture, rows bottom first, stored as bytes as GL
// stores them (null pixels: white).
void ffTexImage(int32_t width, int32_t height, const Colour* pixels);
// glTexParameteri on the bound texture (wrap and filter names and values as GL has them).
void ffTexParameter(uint32_t name, int32_t value);
// glCopyTexSubImage2D of the lower-left size by size pixels of what is being drawn into, into
// level 0 of texture `name`, which is then bound.
void ffCopyToTexture(uint32_t name, int32_t size);
// The dynamic-texture passes draw into a size by size framebuffer object instead of the window.
void ffBeginOffscreen(int32_t size);
void ffEndOffscreen();

// glRasterPos2f, and glutBitmapCharacter for each character of a text, with the 12-pixel
// Helvetica of the desktop: the raster colour and texture coordinate are the current ones at
// ffRasterPos; a position outside the view volume draws nothing until the next ffRasterPos.
void ffRasterPos(float x, float y);
void ffBitmapString(const char* text);

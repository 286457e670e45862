// The OpenGL 1.1 back end: draws FrameRecords (render/frame_records.h) with fixed-function GL,
// client-array meshes, immediate-mode particles, boxes and HUD quads, and the HUD text through
// GLUT's bitmap font. With render/gl_textures.cpp, the only place besides app/'s GLUT glue that
// calls GL.
#pragma once

#include "render/frame_records.h"

struct Resources;

// Draws every step of the frame in order. Textures are bound through the registry of
// `resources`, which skips a bind of the texture bound last; meshes are read from its mesh list.
void drawFrameRecords(const FrameRecords& frame, Resources* resources);
// The advance of each character of the HUD font; needs GLUT initialised.
const GlyphWidths& hudGlyphWidths();

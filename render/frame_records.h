// What one display turn draws, as plain records, in order. The front ends fill them without a GL
// call (render/frame.cpp: the dynamic-texture passes and the main pass; hud/hud_draw.cpp: the HUD
// and the message panel); a back end (render/gl_backend.cpp for OpenGL 1.1) turns them into
// drawing. The front ends never know which back end reads them, so every value a back end needs
// is here: matrices by value, materials by value, meshes and textures by index.
//
// Conventions: matrices are row-major (element (r, c) at 4r + c), as everywhere in the engine; a
// GL back end transposes them. Angles are already in matrices. Colours are RGBA floats. Texture
// indices are registry indices already resolved (an index the registry does not hold is 0, the
// white "None" texture) or NO_TEXTURE. Mesh indices are resolved the same way (see ObjectRecord).
//
// Ownership: a FrameRecords is made once and reused; clearFrameRecords empties its lists and
// keeps their storage, so a frame allocates nothing once the lists have grown to its size.
#pragma once

#include <cstdint>
#include <vector>

#include "core/math.h"

inline constexpr int32_t MAX_LIGHTS = 8; // lights per scene pass; later LIGHT entities do not count
inline constexpr int32_t NO_TEXTURE = -1; // nothing to bind: the texture bound before stays
inline constexpr int32_t TEXT_SIZE = 256; // bytes of a text record, terminating zero included
// Every scene pass clears colour to this (set once at start-up) and depth to 1.
inline constexpr Colour CLEAR_COLOUR{0.85f, 0.85f, 0.95f, 1.0f};

// The frame is a list of steps; each names a kind and an index into that kind's list (for
// COPY_TO_TEXTURE the index is the texture's). Steps run strictly in list order.
struct StepKind {
    enum : int32_t {
        // The dynamic passes that follow draw into a 256 by 256 off-screen target, because the
        // window cannot hold a whole dynamic texture. A back end without one draws into the
        // window's lower-left corner as usual. Index unused.
        OFFSCREEN_BEGIN = 0,
        // Viewport and perspective projection for the passes that follow (ProjectionRecord).
        PROJECTION = 1,
        // One complete scene pass (ScenePassRecord).
        SCENE_PASS = 2,
        // Copy the lower-left 256 by 256 pixels just drawn into level 0 of DYNAMIC texture
        // `index`; the texture is left bound (it counts as the bound texture afterwards).
        COPY_TO_TEXTURE = 3,
        // Back to the window after OFFSCREEN_BEGIN. Index unused.
        OFFSCREEN_END = 4,
        // HUD quads and text over the finished picture (OverlayRecord).
        OVERLAY = 5,
    };
};

struct FrameStep {
    int32_t kind; // StepKind
    int32_t index;
};

// glViewport(x, y, width, height) and gluPerspective(fieldOfView, aspect, near, far), loaded on
// an identity projection matrix. Dynamic passes: 0, 0, 256, 256, 60, 1, 0.1, 100; the main pass:
// the window (a side below 0 counted as 0), 60, width / height (the last aspect with an area when
// the window has none), 0.1, 1000.
struct ProjectionRecord {
    int32_t x, y, width, height;
    double fieldOfView; // degrees, vertical
    double aspect;
    double near, far;
};

// One light as fixed-function lighting takes it: GL_LIGHT0 + its place in the pass, enabled (and
// never disabled afterwards: a light stays on in later frames even when the scene has fewer).
// The position (w = 1: a positional light, no attenuation, no spot) is transformed by
// `modelview`, the matrix current when it was set: the pass's view. Each light's own ambient is
// left black; the light materials' ambients add up into the pass's global ambient instead.
struct LightRecord {
    float position[4]; // world coordinates
    Colour diffuse;
    Colour specular;
    Matrix44 modelview; // row-major
};

// A material by value, as set on the front faces with GL_MODULATE texturing.
struct MaterialRecord {
    Colour ambient;
    Colour diffuse; // its alpha is the lit colour's alpha
    Colour emission;
    Colour specular;
    float shininess;
    int32_t texture; // resolved index, or NO_TEXTURE with an empty registry
};

// The node walk, depth first, parent before children: an ENTER for each node, its children's
// records, then its LEAVE. ENTER pushes the modelview and multiplies `local` onto it; if the node
// is a visible OBJECT it then draws `object`; LEAVE pops back to the matrix before the ENTER.
// `depth` counts from 0 at the root: a back end whose matrix stack is shallower than the tree
// saves and restores the deeper levels itself.
struct NodeStepKind {
    enum : int32_t { ENTER = 0, LEAVE = 1 };
};

struct NodeRecord {
    int32_t kind; // NodeStepKind
    int32_t depth;
    Matrix44 local; // ENTER only: the node's local matrix, row-major
    int32_t object; // ENTER only: index into FrameRecords::objects, or -1 when nothing is drawn
};

// A visible OBJECT: texturing on (GL_MODULATE), the material, the mesh, texturing off. `model`
// is the product of the local matrices from the root down to this node (row-major, what the
// matrix stack holds under the view), so a back end may draw without replaying the walk.
// `mesh` is an index into the mesh list (one past the list already replaced by 0), or -1 when
// there is no sound mesh to draw: the material is set and bound all the same.
struct ObjectRecord {
    Matrix44 model;
    MaterialRecord material;
    int32_t mesh;
};

// A node's world box as a wire box, unlit, blended with the blend function in force, depth-tested
// but not depth-writing. Corners 0-3 are the face on the +axis1 side (c+P+Q+R, c-P+Q+R, c-P+Q-R,
// c+P+Q-R), 4-7 the same corners on the -axis1 side; each face is a closed loop, and the edges
// between them are (0, 4), (1, 5), (2, 6), (3, 7). World coordinates, drawn under the view.
struct BoxRecord {
    Float3 corners[8];
    Colour colour;
};

struct ParticleShape {
    enum : int32_t {
        POINTS = 0,    // one vertex per particle, pointSize pixels
        TRIANGLES = 1, // three vertices per particle
        QUADS = 2,     // four vertices per particle, counter-clockwise, textured
        NOTHING = 3,   // an unknown display type: state is set and restored, nothing drawn
    };
};

struct BlendMode {
    enum : int32_t {
        ADDITIVE = 0, // source x 1 + destination x 1 (SATURATE)
        ALPHA = 1,    // source x alpha + destination x (1 - alpha) (BLEND)
    };
};

// A particle vertex in eye space (drawn with an identity modelview under the pass's projection).
// All vertices of one particle carry its colour; texCoord is used by QUADS only.
struct ParticleVertex {
    Float3 position;
    TexCoord texCoord;
    Colour colour;
};

// One PARTICLE entity's system: its live particles' vertices, unlit, blended, depth-tested but not
// depth-writing. The blend function stays in force after the batch (the boxes of a later pass
// blend with it). A pointSize that is not positive leaves the point size as it was.
struct ParticleBatch {
    int32_t shape; // ParticleShape
    int32_t blend; // BlendMode
    float pointSize;
    int32_t texture;                  // QUADS only
    int32_t firstVertex, vertexCount; // in FrameRecords::particleVertices
};

// A complete pass: clear colour and depth, load `view` as the modelview, lighting on, the lights
// with the global ambient (set only when the pass has a light), smooth shading, the node walk,
// the boxes, then the particle batches with an identity modelview. Ranges index the lists of
// FrameRecords.
struct ScenePassRecord {
    Matrix44 view; // row-major: world to eye
    int32_t firstLight, lightCount;
    Colour ambient; // global ambient: the sum of the lights' material ambients
    int32_t firstNode, nodeCount;
    int32_t firstBox, boxCount;
    int32_t firstBatch, batchCount;
};

// A tinted, textured rectangle in HUD coordinates (x from -aspect to aspect, y from -1 to 1),
// corners counter-clockwise from the lower left with the matching texture coordinates.
struct QuadRecord {
    Colour colour;
    int32_t texture; // resolved index, or NO_TEXTURE (no resources): the bound texture stays
    Float2 min, max;
    TexCoord texMin, texMax;
};

// A line of text in the HUD font (the 12-pixel Helvetica bitmaps) starting at `position` in HUD
// coordinates, which is `window` in window pixels from the lower-left corner (where the first
// glyph's origin lands; text whose start falls outside the window is not drawn). The colour's
// alpha is not used: the text is opaque, modulated by the bound texture.
struct TextRecord {
    Float2 position;
    Float2 window;
    Colour colour;
    char text[TEXT_SIZE];
};

// The HUD or the message panel: an orthographic projection (-aspect, aspect, -1, 1, 0, 1) pushed
// over the scene's, blending (alpha), no lighting, no depth test, texturing on (GL_MODULATE);
// the quads in order; then `textTexture` bound (the white texture, or NO_TEXTURE) and the texts in
// order; then back: texturing and blending off, depth test, lighting and depth writes on, the
// scene's projection popped, the modelview the current matrix. The modelview stays the identity
// the scene pass left.
struct OverlayRecord {
    float aspect;
    int32_t windowWidth, windowHeight;
    int32_t firstQuad, quadCount;
    int32_t textTexture;
    int32_t firstText, textCount;
};

// Pixel advance of each character of the HUD font, from the back end that draws the text; the
// message panel wraps its lines with it.
struct GlyphWidths {
    int32_t advance[256];
};

struct FrameRecords {
    std::vector<FrameStep> steps;
    std::vector<ProjectionRecord> projections;
    std::vector<ScenePassRecord> passes;
    std::vector<LightRecord> lights;
    std::vector<NodeRecord> nodes;
    std::vector<ObjectRecord> objects;
    std::vector<BoxRecord> boxes;
    std::vector<ParticleBatch> batches;
    std::vector<ParticleVertex> particleVertices;
    std::vector<OverlayRecord> overlays;
    std::vector<QuadRecord> quads;
    std::vector<TextRecord> texts;
    // Carried from frame to frame: the aspects of the last window that had an area, which a
    // window minimised to a height of 0 keeps (the scene's in double, the HUD's in float).
    double sceneAspect = 800.0 / 600.0;
    float hudAspect = 800.0f / 600.0f;
};

// Empties every list, keeping its storage and the carried aspects.
inline void clearFrameRecords(FrameRecords* frame) {
    frame->steps.clear();
    frame->projections.clear();
    frame->passes.clear();
    frame->lights.clear();
    frame->nodes.clear();
    frame->objects.clear();
    frame->boxes.clear();
    frame->batches.clear();
    frame->particleVertices.clear();
    frame->overlays.clear();
    frame->quads.clear();
    frame->texts.clear();
}

// The frame benchmark's yardstick: draws a benchmark scene with the same OpenGL calls the engine
// makes for it (dynamic-texture passes, lights, client-array meshes, particle billboards, the HUD
// and its read-outs) but from flat arrays prepared once, with no scene graph, registry or lists
// around them. Matrices here are column-major, ready for OpenGL. Owns its GL textures.
#pragma once

#include "bench/scenes.h"
#include "sim/particles.h"

#include <GL/gl.h>

#include <vector>

namespace bench {

struct ReferenceItem {
    float world[16];
    const BenchMesh* mesh;
    const BenchMaterial* material;
    GLuint texture;
};

struct ReferenceLight {
    float position[4];
    float diffuse[4];
    float specular[4];
    Colour ambient;
};

// One system as it stands when the engine's frames are timed: its live particles only.
struct ReferenceParticles {
    int32_t displayType;
    int32_t blendType;
    float size;
    std::vector<Particle> live;
};

struct ReferencePanel {
    Colour colour;
    Float2 min, max;
};

struct ReferenceRenderer {
    const BenchScene* scene;
    std::vector<ReferenceItem> items;
    std::vector<ReferenceLight> lights;
    std::vector<ReferencePanel> panels;
    std::vector<ReferenceParticles> particles;
    std::vector<GLuint> dynamicTextures;
    std::vector<Matrix44> dynamicViews; // row-major, as the particles need them on the CPU
    Matrix44 mainView;                  // row-major
    GLuint white;
    GLuint panelTexture;
    GLuint spotTexture;
    GLuint bound;
    double appTime, simTime; // shown by the read-outs
};

// Prepares the arrays and textures (a GL context must be current). `particles` are the systems
// the PARTICLE entities draw, in entity order.
void setupReference(ReferenceRenderer* r, const BenchScene& scene,
                    std::vector<ReferenceParticles> particles);
// One display turn: dynamic passes, main pass, HUD, swap.
void drawReferenceFrame(ReferenceRenderer* r);
// The same without the swap, so the back buffer can be read.
void drawReferenceImage(ReferenceRenderer* r);

} // namespace bench

// Small scenes built in code for the rendering tests: a fresh scene and resources holder, mesh,
// material and entity builders, particle systems with hand-placed particles, the GL state that
// start-up establishes, and where the main projection puts an eye-space point on screen.
#pragma once

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gl/gl_fixture.h"
#include "render/frame.h"
#include "render/records.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

namespace render_world {

inline Colour rgba(float r, float g, float b, float a = 1.0f) {
    return {r, g, b, a};
}

// A material that shows exactly `colour` without lights: emission only.
inline Material emissive(Colour colour, int32_t textureId = 0) {
    Material m{};
    std::snprintf(m.name, sizeof m.name, "Glow");
    m.emission = colour;
    m.diffuse = rgba(0, 0, 0, 1);
    m.textureId = textureId;
    return m;
}

// A material lit only through its diffuse and ambient response.
inline Material matte(Colour diffuse, Colour ambient = rgba(0, 0, 0, 1)) {
    Material m{};
    std::snprintf(m.name, sizeof m.name, "Matte");
    m.diffuse = diffuse;
    m.ambient = ambient;
    m.emission = rgba(0, 0, 0, 1);
    m.specular = rgba(0, 0, 0, 1);
    return m;
}

// A square in the entity's XY plane facing +Z, from -half to +half, texcoords 0..1.
inline Mesh squareMesh(float half) {
    static Vertex vertices[4];
    static uint32_t indices[6] = {0, 1, 2, 0, 2, 3};
    vertices[0] = {{-half, -half, 0}, {0, 0, 1}, {0, 0}};
    vertices[1] = {{half, -half, 0}, {0, 0, 1}, {1, 0}};
    vertices[2] = {{half, half, 0}, {0, 0, 1}, {1, 1}};
    vertices[3] = {{-half, half, 0}, {0, 0, 1}, {0, 1}};
    Mesh mesh{};
    std::snprintf(mesh.name, sizeof mesh.name, "Square");
    mesh.vertexCount = 4;
    mesh.vertices = vertices;
    mesh.indexCount = 6;
    mesh.indices = indices;
    mesh.bounds = boundsOfVertices(vertices, 4);
    return mesh;
}

inline Quaternion noRotation() {
    return {0, 0, 0, 1};
}

inline Entity entity(const char* name, int32_t entityType, Float3 position,
                     Quaternion rotation = noRotation()) {
    Entity e{};
    std::snprintf(e.name, sizeof e.name, "%s", name);
    e.entityType = entityType;
    e.type = MotionType::STATIC;
    e.position = position;
    e.rotation = rotation;
    e.visible = 1;
    e.material = matte(rgba(0, 0, 0, 1));
    return e;
}

struct World {
    Scene* scene;
    Resources* resources;

    int32_t addObject(const char* name, Float3 position, Material material, int32_t mesh,
                      int32_t parent = 0, Quaternion rotation = noRotation()) {
        Entity e = entity(name, EntityType::OBJECT, position, rotation);
        e.material = material;
        e.link = mesh;
        e.bounds = getMeshBounds(&resources->meshes, mesh);
        return addEntity(scene, e, parent);
    }
    int32_t addGroup(const char* name, Float3 position, int32_t parent = 0,
                     Quaternion rotation = noRotation()) {
        return addEntity(scene, entity(name, EntityType::GROUP, position, rotation), parent);
    }
    int32_t addLight(const char* name, Float3 position, Colour diffuse, Colour ambient,
                     int32_t parent = 0) {
        Entity e = entity(name, EntityType::LIGHT, position);
        e.material = matte(diffuse, ambient);
        return addEntity(scene, e, parent);
    }
    int32_t addCamera(const char* name, Float3 position, Quaternion rotation = noRotation()) {
        return addEntity(scene, entity(name, EntityType::CAMERA, position, rotation), 0);
    }
    // A particle system of the display and blend type with the given live particles; returns
    // the system's index and adds a PARTICLE entity linked to it.
    int32_t addParticles(int32_t displayType, int32_t blendType, float size,
                         const std::vector<Particle>& particles, int32_t textureId = 0) {
        ParticleSystem* system =
            createParticleSystem(ParticleType::POINT, displayType, blendType, 1.0f, 0.0f, size);
        system->textureId = textureId;
        if (static_cast<int32_t>(particles.size()) > system->capacity) {
            system->particles = static_cast<Particle*>(
                std::realloc(system->particles, sizeof(Particle) * particles.size()));
            system->capacity = static_cast<int32_t>(particles.size());
        }
        for (size_t i = 0; i < particles.size(); ++i) system->particles[i] = particles[i];
        system->count = static_cast<int32_t>(particles.size());
        const int32_t index = addParticleSystem(resources, system);
        Entity e = entity("Emitter", EntityType::PARTICLE, {0, 0, 0});
        e.link = index;
        addEntity(scene, e, 0);
        return index;
    }
};

inline Particle particle(Float3 position, Colour colour, int32_t dead = 0) {
    Particle p{};
    p.dead = dead;
    p.life = 1.0f;
    p.position = position;
    p.colour = colour;
    return p;
}

// The GL state that start-up leaves (clear colour and depth, depth test, lighting) plus the
// blend function the HUD leaves, with every light switched off again: tests share one context.
inline void resetStartupState(Colour background) {
    glClearColor(background.r, background.g, background.b, background.a);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    const GLfloat defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPointSize(1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

inline World makeWorld() {
    World world{createScene(), createResources()};
    return world;
}

struct ScreenPoint {
    int x, y;
};

// Where a 60-degree perspective of the given aspect puts an eye-space point in a viewport.
inline ScreenPoint project(Float3 eye, int width, int height) {
    const double t = std::tan(30.0 * 3.14159265358979 / 180.0);
    const double aspect = static_cast<double>(width) / height;
    const double nx = eye.x / (-eye.z * t * aspect);
    const double ny = eye.y / (-eye.z * t);
    return {static_cast<int>(std::lround((nx + 1) * 0.5 * width)),
            static_cast<int>(std::lround((ny + 1) * 0.5 * height))};
}

inline Rgba8 rgb8(float r, float g, float b, float a = 1.0f) {
    auto c = [](float v) { return static_cast<uint8_t>(std::lround(v * 255.0f)); };
    return {c(r), c(g), c(b), c(a)};
}

// A 2 by 2 texture: red and green along the bottom row, blue and white along the top.
inline int32_t loadQuadrantTexture(Resources* resources) {
    const char* path = "render_quads.tga";
    writeBytes(
        path, makeTga({.width = 2, .height = 2}, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    const int32_t index = loadTexture(resources, path, TextureType::STATIC, "");
    std::remove(path);
    return index;
}

// Colours compare on red, green and blue: the window's visual may have no alpha bits.
inline ::testing::AssertionResult RgbNear(const char* ae, const char* be, const char* te,
                                          Rgba8 actual, Rgba8 expected, int tolerance) {
    expected.a = actual.a;
    return ColourNear(ae, be, te, actual, expected, tolerance);
}

inline bool rgbClose(Rgba8 a, Rgba8 b, int tolerance) {
    b.a = a.a;
    return nearColour(a, b, tolerance);
}

// Shared set-up: start-up state over a known background, a fresh scene and resources holder,
// the main window at 800 by 600, and the picture written out when a test fails.
class RenderTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        resetStartupState(background);
        world = makeWorld();
    }
    void TearDown() override {
        if (HasFailure()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            std::printf(
                "frame written to %s\n",
                dumpFrame(std::string(info->test_suite_name()) + "-" + info->name()).c_str());
        }
    }
    void frame() {
        updateTransforms(world.scene);
        renderFrame(world.scene, world.resources);
    }
    Rgba8 at(ScreenPoint p) { return pixelAt(p.x, p.y); }
    Rgba8 at(Float3 eye) { return at(project(eye, 800, 600)); }

    Colour background = rgba(0.25f, 0.25f, 0.25f, 1.0f);
    World world{};
};

} // namespace render_world

#define EXPECT_RGB_NEAR(actual, expected, tolerance)                                               \
    EXPECT_PRED_FORMAT3(render_world::RgbNear, actual, expected, tolerance)

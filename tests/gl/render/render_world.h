// Small scenes built in code for the rendering tests: a fresh scene and resources holder, mesh,
// material and entity builders, particle systems with hand-placed particles, and where the main
// projection puts an eye-space point on screen.
#pragma once

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
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

// A material lit through its diffuse and ambient response; `emissive` shows its colour unlit.
inline Material matte(Colour diffuse, Colour ambient = rgba(0, 0, 0, 1)) {
    Material m{};
    std::snprintf(m.name, sizeof m.name, "Matte");
    m.diffuse = diffuse;
    m.ambient = ambient;
    m.emission = m.specular = rgba(0, 0, 0, 1);
    return m;
}
inline Material emissive(Colour colour, int32_t textureId = 0) {
    Material m = matte(rgba(0, 0, 0, 1));
    m.emission = colour;
    m.textureId = textureId;
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

inline Entity entity(const char* name, int32_t entityType, Float3 position,
                     Quaternion rotation = {0, 0, 0, 1}) {
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

inline Particle particle(Float3 position, Colour colour, int32_t dead = 0) {
    Particle p{};
    p.dead = dead;
    p.life = 1.0f;
    p.position = position;
    p.colour = colour;
    return p;
}

struct World {
    Scene* scene;
    Resources* resources;

    int32_t addObject(const char* name, Float3 position, Material material, int32_t mesh,
                      int32_t parent = 0) {
        Entity e = entity(name, EntityType::OBJECT, position);
        e.material = material;
        e.link = mesh;
        e.bounds = getMeshBounds(&resources->meshes, mesh);
        return addEntity(scene, e, parent);
    }
    int32_t addGroup(const char* name, Float3 position, int32_t parent = 0) {
        return addEntity(scene, entity(name, EntityType::GROUP, position), parent);
    }
    int32_t addLight(const char* name, Float3 position, Colour diffuse, Colour ambient) {
        Entity e = entity(name, EntityType::LIGHT, position);
        e.material = matte(diffuse, ambient);
        return addEntity(scene, e, 0);
    }
    int32_t addCamera(const char* name, Float3 position) {
        return addEntity(scene, entity(name, EntityType::CAMERA, position), 0);
    }
    // A system of the given live particles, and a PARTICLE entity linked to it.
    int32_t addParticles(int32_t displayType, int32_t blendType, float size,
                         const std::vector<Particle>& particles) {
        ParticleSystem* system =
            createParticleSystem(ParticleType::POINT, displayType, blendType, 1.0f, 0.0f, size);
        system->particles = static_cast<Particle*>(
            std::realloc(system->particles, sizeof(Particle) * particles.size()));
        system->capacity = system->count = static_cast<int32_t>(particles.size());
        for (size_t i = 0; i < particles.size(); ++i) system->particles[i] = particles[i];
        const int32_t index = addParticleSystem(resources, system);
        Entity e = entity("Emitter", EntityType::PARTICLE, {0, 0, 0});
        e.link = index;
        addEntity(scene, e, 0);
        return index;
    }
};

inline World makeWorld() {
    return World{createScene(), createResources()};
}

// Where a 60-degree perspective puts an eye-space point in an 800 by 600 viewport.
inline Rgba8 seen(Float3 eye) {
    const double t = std::tan(3.14159265358979 / 6.0);
    return pixelAt(static_cast<int>(std::lround((eye.x / (-eye.z * t * 4 / 3) + 1) * 400)),
                   static_cast<int>(std::lround((eye.y / (-eye.z * t) + 1) * 300)));
}

inline Rgba8 rgb8(float r, float g, float b) {
    auto c = [](float v) { return static_cast<uint8_t>(std::lround(v * 255.0f)); };
    return {c(r), c(g), c(b), 255};
}

// The state start-up leaves, over a grey background, with every light off: tests share one
// context. A fresh scene and resources holder; the picture is written out when a test fails.
class RenderTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        glClearColor(0.25f, 0.25f, 0.25f, 1);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
        world = makeWorld();
    }
    void TearDown() override {
        if (HasFailure()) dumpFrame(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void frame() {
        updateTransforms(world.scene);
        renderFrame(world.scene, world.resources);
    }
    World world{};
};

} // namespace render_world

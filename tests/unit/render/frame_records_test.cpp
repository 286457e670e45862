// The drawing front ends without a window: one small scene recorded as frame records, the steps in
// order and the matrices, lights, particles and HUD placements against values worked by hand, and
// the message panel wrapped by glyph width.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "hud/hud.h"
#include "render/frame.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

int32_t add(Scene* scene, const char* name, int32_t type, Float3 at, int32_t parent = 0,
            Quaternion turn = {0, 0, 0, 1}) {
    Entity e{};
    std::snprintf(e.name, sizeof e.name, "%s", name);
    e.entityType = type, e.type = MotionType::STATIC, e.position = at, e.rotation = turn,
    e.visible = 1;
    e.material.diffuse = {1, 0.5f, 0.25f, 1}, e.material.ambient = {0.1f, 0.2f, 0.3f, 1};
    e.material.textureId = 2; // one past the registry: the white texture
    return addEntity(scene, e, parent);
}

// Pairs of (actual, expected), within float rounding and the engine's 3.1415 for pi.
void expectNear(std::initializer_list<std::pair<float, float>> pairs) {
    int i = 0;
    for (const auto& [actual, expected] : pairs)
        EXPECT_NEAR(actual, expected, 1e-4f) << "number " << i++;
}

} // namespace

// Root; a group at (0, 0, -5) turned 90 degrees about Y holding an object at (1, 0, 0); a light at
// (0, 2, 0); a camera entity at (0, 0, 3) seen by a dynamic texture; a triangle particle system
// with one live particle at (0, 0, -5); one HUD panel. The viewer stands at (0, 1, 0).
TEST(FrameRecords, ASmallSceneBecomesItsStepsMatricesAndPlacements) {
    Scene* scene = createScene();
    Texture textures[2] = {{TextureType::STATIC, "", 0, "None", 0},
                           {TextureType::DYNAMIC, "Eye", 0, "", 0}};
    Resources resources{};
    resources.textures.count = 2, resources.textures.entries = textures;
    Vertex v[3] = {{{0, 0, 0}, {0, 0, 1}, {0, 0}},
                   {{1, 0, 0}, {0, 0, 1}, {1, 0}},
                   {{0, 1, 0}, {0, 0, 1}, {0, 1}}};
    uint32_t indices[3] = {0, 1, 2};
    addMesh(&resources, Mesh{"Tri", 3, v, 3, indices, {}});
    const int32_t group =
        add(scene, "Group", EntityType::GROUP, {0, 0, -5}, 0, quaternionFromAxisAngle(90, 0, 1, 0));
    add(scene, "Object", EntityType::OBJECT, {1, 0, 0}, group);
    add(scene, "Light", EntityType::LIGHT, {0, 2, 0});
    add(scene, "Eye", EntityType::CAMERA, {0, 0, 3});
    ParticleSystem* system = createParticleSystem(ParticleType::POINT, DisplayType::TRIANGLE,
                                                  BlendType::SATURATE, 1, 0, 1);
    Particle& live = system->particles[0];
    live.dead = 0, live.position = {0, 0, -5}, live.colour = {0, 1, 0, 1}, system->count = 1;
    const int32_t emitter = add(scene, "Emitter", EntityType::PARTICLE, {0, 0, 0});
    scene->entities->items[emitter].link = addParticleSystem(&resources, system);
    resolveTextureLinks(&resources.textures, scene);
    updateTransforms(scene);
    setCameraPosition(&scene->camera, 0, 1, 0);
    Background panel{{1, 1, 1, 0.5f}, 9, {-1, -1}, {1, 0}, {0, 0}, {1, 1}};
    Hud hud{};
    hud.clock = createClockAt(0), hud.backgroundCount = 1, hud.backgrounds = &panel;
    hud.simTime = {-1.3f, 0.8f}, hud.appTime = {-1.3f, 0.9f}, hud.timeColour = {1, 1, 0, 1};

    FrameRecords frame;
    recordFrame(&frame, scene, &resources, 800, 600);
    recordHud(&frame, &hud, &resources, 800, 600);

    using K = StepKind;
    const std::vector<std::pair<int32_t, int32_t>> steps = {
        {K::PROJECTION, 0}, {K::SCENE_PASS, 0}, {K::COPY_TO_TEXTURE, 1},
        {K::PROJECTION, 1}, {K::SCENE_PASS, 1}, {K::OVERLAY, 0}};
    ASSERT_EQ(frame.steps.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(std::pair(frame.steps[i].kind, frame.steps[i].index), steps[i]) << i;

    // The walk as {kind, depth, draws}: root, group, object, then the root's other children.
    const std::vector<std::array<int32_t, 3>> walk = {{0, 0, 0}, {0, 1, 0}, {0, 2, 1}, {1, 2, 0},
                                                      {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {0, 1, 0},
                                                      {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const ScenePassRecord& main = frame.passes[1];
    ASSERT_EQ(main.nodeCount, static_cast<int32_t>(walk.size()));
    for (size_t i = 0; i < walk.size(); ++i) {
        const NodeRecord& n = frame.nodes[main.firstNode + i];
        EXPECT_EQ((std::array{n.kind, n.depth, n.object >= 0 ? 1 : 0}), walk[i]) << i;
    }
    // The object's model matrix: the group's turn takes +X to -Z, so its origin lands at
    // (0, 0, -6) and its own X axis points along -Z. Mesh 0, the white texture.
    const ObjectRecord& object = frame.objects[1];
    const Matrix44& m = object.model;
    expectNear({{m.m[3], 0}, {m.m[7], 0}, {m.m[11], -6}, {m.m[0], 0}, {m.m[4], 0}, {m.m[8], -1}});
    EXPECT_EQ(object.mesh, 0);
    EXPECT_EQ(object.material.texture, 0);
    // The dynamic pass looks from (0, 0, 3), the main pass from (0, 1, 0): pure translations.
    expectNear({{frame.passes[0].view.m[11], -3}, {main.view.m[7], -1}, {main.view.m[11], 0}});

    ASSERT_EQ(main.lightCount, 1);
    const LightRecord& light = frame.lights[main.firstLight];
    expectNear({{light.position[1], 2}, {light.position[3], 1}, {light.modelview.m[7], -1}});
    EXPECT_EQ(main.ambient.b, 0.3f);

    // The particle in eye space, (0, -1, -5) from the viewer: the lower-left half of a unit square.
    ASSERT_EQ(main.batchCount, 1);
    const ParticleBatch& batch = frame.batches[main.firstBatch];
    EXPECT_EQ((std::array{batch.shape, batch.blend, batch.vertexCount}),
              (std::array{int32_t(ParticleShape::TRIANGLES), int32_t(BlendMode::ADDITIVE), 3}));
    const Float3 corners[3] = {{-0.5f, -1.5f, -5}, {0.5f, -1.5f, -5}, {-0.5f, -0.5f, -5}};
    for (int k = 0; k < 3; ++k)
        expectFloat3(frame.particleVertices[batch.firstVertex + k].position, corners[k]);
    expectFloat3(frame.particleVertices[frame.batches[0].firstVertex].position, {-0.5f, -0.5f, -8});

    // The HUD: the panel (texture 9 is none: white), then the read-outs over the white texture;
    // (-1.3, 0.8) in an 800 by 600 window is 10 pixels from the left, 540 from the bottom.
    const OverlayRecord& overlay = frame.overlays[0];
    EXPECT_EQ((std::array{overlay.quadCount, frame.quads[0].texture, overlay.textTexture,
                          overlay.textCount}),
              (std::array{1, 0, 0, 2}));
    EXPECT_STREQ(frame.texts[0].text, "Simulation Time: 0.00");
    expectNear({{frame.texts[0].window.x, 10},
                {frame.texts[0].window.y, 540},
                {overlay.aspect, 4.0f / 3.0f}});
    // A zero-height window keeps the HUD's last aspect; the panel wraps at blanks, by glyph width.
    GlyphWidths tenPixels;
    std::fill(std::begin(tenPixels.advance), std::end(tenPixels.advance), 10);
    const char* message = "ERROR aaaa bbbb cccc";
    clearFrameRecords(&frame);
    recordMessagePanel(&frame, &resources, &message, 1, 116, 0, tenPixels);
    EXPECT_EQ(frame.overlays[0].aspect, 4.0f / 3.0f);
    ASSERT_EQ(frame.texts.size(), 3u);
    EXPECT_STREQ(frame.texts[1].text, "    bbbb");
    freeScene(scene), std::free(hud.clock), std::free(system->particles), std::free(system);
    std::free(resources.particleSystems.items), std::free(resources.meshes.items[0].vertices);
    std::free(resources.meshes.items[0].indices), std::free(resources.meshes.items);
}

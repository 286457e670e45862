// The main pass: where the projection puts emissive geometry, local matrices accumulating down
// the hierarchy, mesh-index fallbacks, lights taken from LIGHT entities, and the GL state handed
// to the HUD.
#include <GL/glut.h>

#include <cmath>

#include "gl/render/render_world.h"
#include "loader/parse.h"
#include "render/draw.h"

using namespace render_world;

namespace {

class ScenePass : public RenderTest {};

TEST_F(ScenePass, EmissiveSquareLandsWhereTheProjectionPutsIt) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
    world.addObject("Red", {2, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
    world.addObject("Blue", {-1, -1, -8}, emissive(rgba(0, 0, 1)), mesh);
    frame();
    EXPECT_RGB_NEAR(at(Float3{2, 0, -5}), rgb8(1, 0, 0), 1);
    EXPECT_RGB_NEAR(at(Float3{-1, -1, -8}), rgb8(0, 0, 1), 1);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
    // Outside the square's half-size the background shows again.
    EXPECT_RGB_NEAR(at(Float3{2.8f, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
}

TEST_F(ScenePass, AComparisonTellsAMovedObjectApart) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
    const int32_t red = world.addObject("Red", {2, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
    setEntityPosition(world.scene, red, {-2, 0, -5});
    frame();
    EXPECT_FALSE(rgbClose(at(Float3{2, 0, -5}), rgb8(1, 0, 0), 1));
    EXPECT_RGB_NEAR(at(Float3{-2, 0, -5}), rgb8(1, 0, 0), 1);
}

TEST_F(ScenePass, AChildMovesAndTurnsWithItsGroup) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.3f));
    // A group at (0, 0, -5) turned 90 degrees about Z: its child's local +X becomes world +Y.
    const int32_t group =
        world.addGroup("Turned", {0, 0, -5}, 0, quaternionFromAxisAngle(90, 0, 0, 1));
    world.addObject("Child", {1, 0, 0}, emissive(rgba(0, 1, 0)), mesh, group);
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 1, -5}), rgb8(0, 1, 0), 1);
    EXPECT_RGB_NEAR(at(Float3{1, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
}

TEST_F(ScenePass, InvisibleObjectsHideOnlyThemselves) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.3f));
    const int32_t parent = world.addObject("Parent", {0, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
    world.addObject("Child", {1, 0, 0}, emissive(rgba(0, 1, 0)), mesh, parent);
    world.scene->entities->items[parent].visible = 0;
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
    EXPECT_RGB_NEAR(at(Float3{1, 0, -5}), rgb8(0, 1, 0), 1);
}

// As deep as a scene file may nest: the leaf is at the deepest level the loader accepts. The
// boxes are drawn too, in a second frame, so every walk of the tree meets the full depth.
TEST_F(ScenePass, HierarchiesDeeperThanTheMatrixStackStillDrawInPlace) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.3f));
    int32_t parent = world.addGroup("Base", {0, 0, -5});
    const int links = MAX_NESTING_DEPTH - 2;
    for (int i = 0; i < links; ++i)
        parent = world.addGroup("Link", {3.0f / static_cast<float>(links), 0, 0}, parent);
    world.addObject("Leaf", {-1, 0, 0}, emissive(rgba(1, 1, 0)), mesh, parent);
    world.addObject("Sibling", {0, -1, -5}, emissive(rgba(0, 1, 1)), mesh);
    frame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_RGB_NEAR(at(Float3{2, 0, -5}), rgb8(1, 1, 0), 1);
    EXPECT_RGB_NEAR(at(Float3{0, -1, -5}), rgb8(0, 1, 1), 1);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    world.resources->drawBoundings = 1;
    setEntityPosition(world.scene, parent, {3.0f / static_cast<float>(links), 0.5f, 0});
    frame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_RGB_NEAR(at(Float3{2, 0.5f, -5}), rgb8(1, 1, 0), 1);
}

TEST_F(ScenePass, MeshIndicesOutsideTheListFallBackOrDrawNothing) {
    const int32_t first = addMesh(world.resources, squareMesh(0.3f));
    addMesh(world.resources, squareMesh(0.1f));
    world.addObject("Beyond", {-1, 0, -5}, emissive(rgba(1, 0, 0)), 7);
    world.addObject("Negative", {1, 0, -5}, emissive(rgba(0, 1, 0)), -1);
    world.addObject("First", {0, 1, -5}, emissive(rgba(0, 0, 1)), first);
    frame();
    // Index 7 draws mesh 0, whose half-size 0.3 reaches 0.25 from the centre.
    EXPECT_RGB_NEAR(at(Float3{-1.25f, 0, -5}), rgb8(1, 0, 0), 1);
    EXPECT_RGB_NEAR(at(Float3{1, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
    EXPECT_RGB_NEAR(at(Float3{0, 1, -5}), rgb8(0, 0, 1), 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScenePass, AnObjectWithoutAnyMeshDrawsNothing) {
    world.addObject("Lonely", {0, 0, -5}, emissive(rgba(1, 0, 0)), 0);
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);
}

TEST_F(ScenePass, LightsFollowTheirEntitiesThroughGroups) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Wall", {0, 0, -5}, matte(rgba(1, 1, 1)), mesh);
    // The light's group starts behind the wall, so the wall's front gets no diffuse light.
    const int32_t group = world.addGroup("Carrier", {0, 0, -10});
    world.addLight("Lamp", {0, 0, 0}, rgba(1, 1, 1), rgba(0, 0, 0, 0), group);
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0, 0, 0), 2);
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[2], -10.0f);
    EXPECT_FLOAT_EQ(position[3], 1.0f);

    // Moved in front of the wall, it lights it; lighting is per vertex, and each corner
    // (1, 1) away from the axis at distance 5 sees the light at cos = 5 / sqrt(27).
    setEntityPosition(world.scene, group, {0, 0, 0});
    frame();
    const float corner = 5.0f / std::sqrt(27.0f);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(corner, corner, corner), 2);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[2], 0.0f);
}

TEST_F(ScenePass, LightPositionsAreInEyeSpace) {
    world.addLight("Lamp", {3, 2, -4}, rgba(1, 1, 1), rgba(0, 0, 0, 0));
    setCameraPosition(&world.scene->camera, 1, 1, 1);
    frame();
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_NEAR(position[0], 2.0f, 1e-5);
    EXPECT_NEAR(position[1], 1.0f, 1e-5);
    EXPECT_NEAR(position[2], -5.0f, 1e-5);
    EXPECT_FLOAT_EQ(position[3], 1.0f);
}

TEST_F(ScenePass, OnlyTheFirstEightLightsCountAmbientsIncluded) {
    for (int i = 0; i < 9; ++i) {
        const float shade = 0.1f * static_cast<float>(i + 1);
        world.addLight("Lamp", {0, 0, 0}, rgba(shade, shade, shade), rgba(0.1f, 0.1f, 0.1f, 1));
    }
    frame();
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i)) << "light " << i;
        GLfloat diffuse[4];
        glGetLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
        EXPECT_NEAR(diffuse[0], 0.1f * static_cast<float>(i + 1), 1e-6) << "light " << i;
    }
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_NEAR(ambient[0], 0.8f, 1e-5);
    EXPECT_NEAR(ambient[3], 8.0f, 1e-5);
}

TEST_F(ScenePass, TheGlobalAmbientIsTheSumOfTheLightsAmbients) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    // Material ambient 1 and no diffuse: the wall shows exactly the global ambient.
    world.addObject("Wall", {0, 0, -5}, matte(rgba(0, 0, 0), rgba(1, 1, 1)), mesh);
    world.addLight("One", {0, 0, 0}, rgba(0, 0, 0), rgba(0.1f, 0.1f, 0.1f, 1));
    world.addLight("Two", {0, 0, 0}, rgba(0, 0, 0), rgba(0.1f, 0.1f, 0.1f, 1));
    frame();
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_NEAR(ambient[0], 0.2f, 1e-6);
    EXPECT_NEAR(ambient[1], 0.2f, 1e-6);
    EXPECT_NEAR(ambient[2], 0.2f, 1e-6);
    EXPECT_NEAR(ambient[3], 2.0f, 1e-6);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.2f, 0.2f, 0.2f), 2);
}

TEST_F(ScenePass, WithoutLightsTheDefaultAmbientApplies) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Wall", {0, 0, -5}, matte(rgba(0, 0, 0), rgba(1, 0.5f, 1)), mesh);
    frame();
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i)) << "light " << i;
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.2f, 0.1f, 0.2f), 2);
}

TEST_F(ScenePass, TheHudInheritsTheAgreedState) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Wall", {0, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 1.0f,
                       {particle({0, 0, -3}, rgba(0, 1, 0, 0.5f))});
    setDrawBoundings(world.resources, 1);
    frame();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(WindowAspect, DividesWidthByHeightAndKeepsTheLastValueForAnEmptyWindow) {
    EXPECT_NEAR(windowAspect(800, 600, 9.0), 4.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(windowAspect(400, 400, 9.0), 1.0);
    EXPECT_DOUBLE_EQ(windowAspect(1, 3, 9.0), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(windowAspect(300, 0, 1.25), 1.25);
    EXPECT_DOUBLE_EQ(windowAspect(0, 300, 1.25), 1.25);
    EXPECT_DOUBLE_EQ(windowAspect(-5, -5, 1.25), 1.25);
}

} // namespace

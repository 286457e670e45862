// What frames put on screen and leave in GL: textures the right way up and tinted, render to
// texture through the window or off-screen, hierarchies deeper than GL's matrix stack, and the
// eight-light cap.
#include <GL/glut.h>

#include "gl/render/render_world.h"
#include "loader/parse.h"

using namespace render_world;

namespace {

class Render : public RenderTest {};

TEST_F(Render, ATgaTextureCoversASquareTheRightWayUpTintedByItsMaterial) {
    // 2 by 2, bottom row first: red, green; then blue, white.
    writeBytes("quads.tga", makeTga({.width = 2, .height = 2},
                                    {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    const int32_t texture = loadTexture(world.resources, "quads.tga", TextureType::STATIC, "");
    std::remove("quads.tga");
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Tiles", {-1, 0, -5}, emissive(rgba(1, 1, 1), texture), mesh);
    world.addObject("Tinted", {1.5f, 0, -5}, emissive(rgba(0.5f, 1, 1), texture), mesh);
    frame();
    // Texel centres sit a quarter of the way in from each edge.
    const struct {
        Float3 at;
        Rgba8 colour;
    } rows[] = {{{-1.5f, -0.5f, -5}, rgb8(1, 0, 0)},   {{-0.5f, -0.5f, -5}, rgb8(0, 1, 0)},
                {{-1.5f, 0.5f, -5}, rgb8(0, 0, 1)},    {{-0.5f, 0.5f, -5}, rgb8(1, 1, 1)},
                {{1.0f, -0.5f, -5}, rgb8(0.5f, 0, 0)}, {{2.0f, 0.5f, -5}, rgb8(0.5f, 1, 1)},
                {{0.25f, 0, -5}, rgb8(0.25f, 0.25f, 0.25f)}};
    for (const auto& row : rows) EXPECT_COLOUR_NEAR(seen(row.at), row.colour, 2) << row.at.x;
    EXPECT_FALSE(nearColour(seen(rows[2].at), rgb8(1, 0, 0))); // a mirror image is told apart
}

// Windows that hold the 256 by 256 texture and windows that do not (in either direction): the
// camera's whole view reaches the texture, and the main pass draws into the window after it.
TEST_F(Render, AMonitorShowsItsCamerasWholeViewWhateverTheWindowSize) {
    for (auto [width, height] : {std::pair{800, 600}, {200, 150}, {1000, 200}, {200, 1000}}) {
        ensureGlContext(width, height);
        ASSERT_EQ(glutGet(GLUT_WINDOW_HEIGHT), height);
        world = makeWorld();
        const int32_t mesh = addMesh(world.resources, squareMesh(10.0f));
        const int32_t small = addMesh(world.resources, squareMesh(1.0f));
        world.addObject("Wall", {20, 0, -5}, emissive(rgba(0, 1, 0)), mesh);
        world.addCamera("Spy", {20, 0, 0});
        const int32_t texture = loadTexture(world.resources, "tv", TextureType::DYNAMIC, "Spy");
        world.addObject("Monitor", {0, 0, -5}, emissive(rgba(1, 1, 1), texture), small);
        resolveTextureLinks(world.resources, world.scene);
        frame();
        std::vector<Rgba8> texels(256 * 256);
        bindTexture(world.resources, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (auto [x, y] : {std::pair{5, 5}, {128, 128}, {250, 250}, {250, 5}, {5, 250}}) {
            EXPECT_COLOUR_NEAR(texels[y * 256 + x], rgb8(0, 1, 0), 1) << width << "x" << height;
        }
        EXPECT_COLOUR_NEAR(pixelAt(width / 2, height / 2), rgb8(0, 1, 0), 2) << width;
        EXPECT_COLOUR_NEAR(pixelAt(2, 2), rgb8(0.25f, 0.25f, 0.25f), 1) << width;
        GLint framebuffer = -1, view[4];
        glGetIntegerv(0x8CA6 /* framebuffer binding */, &framebuffer);
        glGetIntegerv(GL_VIEWPORT, view);
        EXPECT_EQ(framebuffer, 0);
        EXPECT_EQ(view[2] * 10000 + view[3], width * 10000 + height);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    ensureGlContext();
}

// As deep as a scene file may nest, boxes drawn too, so every walk of the tree meets it.
TEST_F(Render, HierarchiesDeeperThanTheMatrixStackDrawInPlace) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.3f));
    int32_t parent = world.addGroup("Base", {0, 0, -5});
    const int links = MAX_NESTING_DEPTH - 2;
    for (int i = 0; i < links; ++i) parent = world.addGroup("Link", {3.0f / links, 0, 0}, parent);
    world.addObject("Leaf", {-1, 0, 0}, emissive(rgba(1, 1, 0)), mesh, parent);
    world.addObject("Sibling", {0, -1, -5}, emissive(rgba(0, 1, 1)), mesh);
    world.resources->drawBoundings = 1;
    frame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_COLOUR_NEAR(seen({2, 0, -5}), rgb8(1, 1, 0), 1);
    EXPECT_COLOUR_NEAR(seen({0, -1, -5}), rgb8(0, 1, 1), 1);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(Render, OnlyTheFirstEightLightsCountAmbientsIncluded) {
    for (int i = 1; i <= 9; ++i) {
        world.addLight("Lamp", {0, 0, 0}, rgba(0.1f * i, 0, 0), rgba(0.1f, 0.1f, 0.1f, 1));
    }
    frame();
    for (int i = 0; i < 8; ++i) {
        GLfloat diffuse[4];
        glGetLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i)) << i;
        EXPECT_NEAR(diffuse[0], 0.1f * (i + 1), 1e-6) << i;
    }
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_NEAR(ambient[0], 0.8f, 1e-5);
    EXPECT_NEAR(ambient[3], 8.0f, 1e-5);
}

} // namespace

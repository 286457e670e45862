// Render-to-texture: a square textured with a camera entity's view shows what only that camera
// sees, the off-screen passes use their own far plane, never show on screen, and still fill the
// whole 256 by 256 texture when the window is smaller than that.
#include <GL/gl.h>
#include <GL/glut.h>

#include "gl/render/render_world.h"

using namespace render_world;

namespace {

class Dynamic : public RenderTest {
  protected:
    // A square at (0, 0, -5) in the main view, textured with the view of camera `cameraName`.
    int32_t addMonitor(const char* cameraName, Float3 position = {0, 0, -5}) {
        const int32_t texture =
            loadTexture(world.resources, "monitor", TextureType::DYNAMIC, cameraName);
        const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
        world.addObject("Monitor", position, emissive(rgba(1, 1, 1), texture), mesh);
        return texture;
    }
    void link() { resolveTextureLinks(world.resources, world.scene); }
    // Texel (x, y) of a registry texture, read back from GL.
    Rgba8 texel(int32_t texture, int x, int y) {
        std::vector<Rgba8> pixels(256 * 256);
        bindTexture(world.resources, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels[static_cast<size_t>(y) * 256 + static_cast<size_t>(x)];
    }
};

TEST_F(Dynamic, TheMonitorShowsWhatOnlyItsCameraSees) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    // Far to the right of the main view, straight ahead of the camera entity.
    world.addObject("Secret", {20, 0, -5}, emissive(rgba(0, 1, 0)), mesh);
    world.addCamera("Spy", {20, 0, 0});
    const int32_t texture = addMonitor("Spy");
    link();
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0, 1, 0), 2);
    EXPECT_RGB_NEAR(texel(texture, 128, 128), rgb8(0, 1, 0), 1);
    // The secret object is outside the main view.
    EXPECT_RGB_NEAR(pixelAt(799, 300), rgb8(0.25f, 0.25f, 0.25f), 1);
}

TEST_F(Dynamic, AnUnknownCameraLooksFromTheOriginAndMissesTheObject) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Secret", {20, 0, -5}, emissive(rgba(0, 1, 0)), mesh);
    world.addCamera("Spy", {20, 0, 0});
    addMonitor("Nobody", {0, 0, -50});
    link();
    frame();
    EXPECT_FALSE(rgbClose(at(Float3{0, 0, -50}), rgb8(0, 1, 0), 2));
}

TEST_F(Dynamic, ACameraTurnedHalfwayRoundSeesBehindIt) {
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Behind", {0, 0, 5}, emissive(rgba(1, 0, 1)), mesh);
    world.addCamera("Mirror", {0, 0, 0}, quaternionFromAxisAngle(180, 0, 1, 0));
    addMonitor("Mirror");
    link();
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(1, 0, 1), 2);
}

TEST_F(Dynamic, FarPlanesDifferBetweenTheTwoPasses) {
    const int32_t mesh = addMesh(world.resources, squareMesh(30.0f));
    // 150 units ahead of both cameras: beyond the texture's far plane of 100, within the main
    // pass's 1000. The monitor stands aside so the main view sees the far object too.
    world.addObject("Distant", {0, 0, -150}, emissive(rgba(0, 1, 0)), mesh);
    world.addCamera("Spy", {0, 0, 0});
    const int32_t texture = addMonitor("Spy", {-2.5f, 0, -5});
    link();
    frame();
    EXPECT_RGB_NEAR(pixelAt(400, 300), rgb8(0, 1, 0), 1);
    EXPECT_RGB_NEAR(texel(texture, 128, 128), rgb8(0.25f, 0.25f, 0.25f), 1);
    EXPECT_RGB_NEAR(at(Float3{-2.5f, 0, -5}), rgb8(0.25f, 0.25f, 0.25f), 1);

    // The same object at 90 units is inside the texture's range.
    setEntityPosition(world.scene, 1, {0, 0, -90});
    frame();
    EXPECT_RGB_NEAR(texel(texture, 128, 128), rgb8(0, 1, 0), 1);
    EXPECT_RGB_NEAR(at(Float3{-2.5f, 0, -5}), rgb8(0, 1, 0), 2);
}

TEST_F(Dynamic, OffScreenPassesNeverShowOnScreen) {
    const int32_t mesh = addMesh(world.resources, squareMesh(10.0f));
    world.addObject("Wall", {20, 0, -5}, emissive(rgba(0, 1, 0)), mesh);
    world.addCamera("Spy", {20, 0, 0});
    addMonitor("Spy", {0, 2, -5});
    link();
    frame();
    // The camera's pass filled the lower-left 256 by 256 with green; the main pass cleared it.
    EXPECT_RGB_NEAR(pixelAt(128, 128), rgb8(0.25f, 0.25f, 0.25f), 1);
    EXPECT_RGB_NEAR(at(Float3{0, 2, -5}), rgb8(0, 1, 0), 2);
}

TEST_F(Dynamic, AWindowSmallerThanTheTextureStillFillsAllOfIt) {
    ensureGlContext(200, 150);
    ASSERT_EQ(glutGet(GLUT_WINDOW_WIDTH), 200);
    ASSERT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 150);
    const int32_t mesh = addMesh(world.resources, squareMesh(10.0f));
    world.addObject("Wall", {20, 0, -5}, emissive(rgba(0, 1, 0)), mesh);
    world.addCamera("Spy", {20, 0, 0});
    const int32_t texture = addMonitor("Spy");
    link();
    frame();
    for (const ScreenPoint p : {ScreenPoint{5, 5}, ScreenPoint{128, 128}, ScreenPoint{250, 250},
                                ScreenPoint{250, 5}, ScreenPoint{5, 250}}) {
        EXPECT_RGB_NEAR(texel(texture, p.x, p.y), rgb8(0, 1, 0), 1) << p.x << ", " << p.y;
    }
    EXPECT_RGB_NEAR(pixelAt(100, 75), rgb8(0, 1, 0), 2);
    GLint framebuffer = -1;
    glGetIntegerv(0x8CA6 /* framebuffer binding */, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 200);
    EXPECT_EQ(viewport[3], 150);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ensureGlContext();
}

} // namespace

// Particle billboards over a known background: additive and alpha blending, the three display
// types, dead slots, depth against meshes, and links or types that name nothing.
#include <GL/gl.h>

#include "gl/render/render_world.h"
#include "render/draw.h"

using namespace render_world;

namespace {

class Particles : public RenderTest {};

const Rgba8 grey = rgb8(0.25f, 0.25f, 0.25f);

TEST_F(Particles, SaturateAddsToTheBackgroundAndSaturates) {
    world.addParticles(DisplayType::TRIANGLE, BlendType::SATURATE, 1.0f,
                       {particle({0, 0, -5}, rgba(0.5f, 0, 0)),
                        particle({2, 0, -5}, rgba(0.5f, 0.5f, 0)),
                        particle({2, 0, -5}, rgba(0.5f, 0.5f, 0))});
    frame();
    // The triangle is the lower-left half of the particle's square.
    EXPECT_RGB_NEAR(at(Float3{-0.25f, -0.25f, -5}), rgb8(0.75f, 0.25f, 0.25f), 2);
    EXPECT_RGB_NEAR(at(Float3{0.3f, 0.3f, -5}), grey, 1);
    EXPECT_RGB_NEAR(at(Float3{1.75f, -0.25f, -5}), rgb8(1, 1, 0.25f), 2);
    // Alpha blending would have given a different colour.
    EXPECT_FALSE(rgbClose(at(Float3{-0.25f, -0.25f, -5}), rgb8(0.5f, 0, 0), 2));
}

TEST_F(Particles, BlendMixesByAlphaAndAnyOtherNonZeroTypeDoesToo) {
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 1.0f,
                       {particle({0, 0, -5}, rgba(1, 0, 0, 0.5f))});
    world.addParticles(DisplayType::QUAD, 3, 1.0f, {particle({2, 0, -5}, rgba(0, 0, 1, 0.5f))});
    frame();
    // A quad covers the whole square, upper-right corner included.
    EXPECT_RGB_NEAR(at(Float3{0.25f, 0.25f, -5}), rgb8(0.625f, 0.125f, 0.125f), 2);
    EXPECT_RGB_NEAR(at(Float3{1.75f, -0.25f, -5}), rgb8(0.125f, 0.125f, 0.625f), 2);
    EXPECT_RGB_NEAR(at(Float3{0.75f, 0, -5}), grey, 1);
}

TEST_F(Particles, QuadsCarryTheirTextureTheRightWayUp) {
    const int32_t texture = loadQuadrantTexture(world.resources);
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 2.0f,
                       {particle({0, 0, -5}, rgba(1, 1, 1, 1))}, texture);
    frame();
    EXPECT_RGB_NEAR(at(Float3{-0.5f, -0.5f, -5}), rgb8(1, 0, 0), 2);
    EXPECT_RGB_NEAR(at(Float3{0.5f, -0.5f, -5}), rgb8(0, 1, 0), 2);
    EXPECT_RGB_NEAR(at(Float3{-0.5f, 0.5f, -5}), rgb8(0, 0, 1), 2);
    EXPECT_RGB_NEAR(at(Float3{0.5f, 0.5f, -5}), rgb8(1, 1, 1), 2);
}

TEST_F(Particles, TrianglesAndPointsIgnoreTheSystemsTexture) {
    const int32_t texture = loadQuadrantTexture(world.resources);
    world.addParticles(DisplayType::TRIANGLE, BlendType::BLEND, 2.0f,
                       {particle({0, 0, -5}, rgba(1, 1, 0, 1))}, texture);
    frame();
    EXPECT_RGB_NEAR(at(Float3{-0.5f, -0.5f, -5}), rgb8(1, 1, 0), 2);
}

TEST_F(Particles, PointsArePixelSizedHalfTheSystemSize) {
    world.addParticles(
        DisplayType::POINT, BlendType::SATURATE, 20.0f,
        {particle({0, 0, -5}, rgba(0, 0.5f, 0)), particle({0, 0, -50}, rgba(0, 0, 0.5f))});
    // The far point sits at the same pixel; a second system shows the size in pixels.
    frame();
    const ScreenPoint centre = project({0, 0, -5}, 800, 600);
    EXPECT_RGB_NEAR(pixelAt(centre.x, centre.y), rgb8(0.25f, 0.75f, 0.75f), 2);
    // Half of 20 is a 10-pixel point: 3 pixels out is inside, 8 pixels out is not.
    EXPECT_RGB_NEAR(pixelAt(centre.x + 3, centre.y - 3), rgb8(0.25f, 0.75f, 0.75f), 2);
    EXPECT_RGB_NEAR(pixelAt(centre.x + 8, centre.y), grey, 1);
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_FLOAT_EQ(size, 10.0f);
}

TEST_F(Particles, DeadSlotsAreNeverDrawn) {
    world.addParticles(DisplayType::QUAD, BlendType::SATURATE, 1.0f,
                       {particle({-2, 0, -5}, rgba(1, 1, 1), 1),
                        particle({0, 0, -5}, rgba(0, 0, 0.5f)),
                        particle({2, 0, -5}, rgba(1, 1, 1), 1)});
    frame();
    EXPECT_RGB_NEAR(at(Float3{-2, 0, -5}), grey, 1);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0.25f, 0.25f, 0.75f), 2);
    EXPECT_RGB_NEAR(at(Float3{2, 0, -5}), grey, 1);
}

TEST_F(Particles, MeshesInFrontHideParticlesAndParticlesDoNotHideEachOther) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
    world.addObject("Screen", {0, 0, -4}, emissive(rgba(0, 0, 1)), mesh);
    world.addParticles(
        DisplayType::QUAD, BlendType::SATURATE, 4.0f,
        {particle({0, 0, -8}, rgba(1, 0, 0)), particle({3, 0, -6}, rgba(0, 0.5f, 0))});
    // A later system farther away still shows through the nearer one: no depth writes.
    world.addParticles(DisplayType::QUAD, BlendType::SATURATE, 4.0f,
                       {particle({3, 0, -9}, rgba(0, 0, 0.5f))});
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -4}), rgb8(0, 0, 1), 1);
    EXPECT_RGB_NEAR(at(Float3{-0.75f, 0.75f, -4}), rgb8(1, 0.25f, 0.25f), 2);
    EXPECT_RGB_NEAR(at(Float3{3, 0, -6}), rgb8(0.25f, 0.75f, 0.75f), 2);
}

TEST_F(Particles, BillboardsFollowTheView) {
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 1.0f,
                       {particle({0, 0, -5}, rgba(1, 0, 1))});
    setCameraPosition(&world.scene->camera, 1, 0, 0);
    frame();
    EXPECT_RGB_NEAR(at(Float3{-1, 0, -5}), rgb8(1, 0, 1), 1);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), grey, 1);
}

TEST_F(Particles, LinksAndDisplayTypesThatNameNothingDrawNothing) {
    world.addParticles(7, BlendType::BLEND, 1.0f, {particle({0, 0, -5}, rgba(1, 1, 1))});
    Entity stray = entity("Stray", EntityType::PARTICLE, {0, 0, 0});
    stray.link = 5;
    addEntity(world.scene, stray, 0);
    frame();
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), grey, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
}

TEST_F(Particles, TheLastBlendFunctionStaysInForce) {
    world.addParticles(DisplayType::POINT, BlendType::SATURATE, 2.0f,
                       {particle({0, 0, -5}, rgba(1, 1, 1))});
    frame();
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ONE);
}

} // namespace

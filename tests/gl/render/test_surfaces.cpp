// Materials and textures on meshes: a TGA texture mapped by the mesh's texture coordinates and
// modulated by the lit colour, and the white default texture leaving colours unchanged.
#include "gl/render/render_world.h"

using namespace render_world;

namespace {

class Surfaces : public RenderTest {};

TEST_F(Surfaces, ATgaTextureCoversTheSquareTheRightWayUp) {
    const int32_t texture = loadQuadrantTexture(world.resources);
    ASSERT_GT(texture, 0);
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Tiles", {0, 0, -5}, emissive(rgba(1, 1, 1), texture), mesh);
    frame();
    // Texel centres sit a quarter of the way in from each edge.
    EXPECT_RGB_NEAR(at(Float3{-0.5f, -0.5f, -5}), rgb8(1, 0, 0), 2);
    EXPECT_RGB_NEAR(at(Float3{0.5f, -0.5f, -5}), rgb8(0, 1, 0), 2);
    EXPECT_RGB_NEAR(at(Float3{-0.5f, 0.5f, -5}), rgb8(0, 0, 1), 2);
    EXPECT_RGB_NEAR(at(Float3{0.5f, 0.5f, -5}), rgb8(1, 1, 1), 2);
    // A mirrored mapping must be told apart.
    EXPECT_FALSE(rgbClose(at(Float3{-0.5f, 0.5f, -5}), rgb8(1, 0, 0), 2));
}

TEST_F(Surfaces, TheTextureIsTintedByTheLitColour) {
    const int32_t texture = loadQuadrantTexture(world.resources);
    const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
    world.addObject("Tiles", {0, 0, -5}, emissive(rgba(0.5f, 1, 1), texture), mesh);
    frame();
    EXPECT_RGB_NEAR(at(Float3{0.5f, 0.5f, -5}), rgb8(0.5f, 1, 1), 2);
    EXPECT_RGB_NEAR(at(Float3{-0.5f, -0.5f, -5}), rgb8(0.5f, 0, 0), 2);
}

TEST_F(Surfaces, ObjectsSharingATextureAndOthersWithoutOneKeepTheirColours) {
    const int32_t texture = loadQuadrantTexture(world.resources);
    const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
    world.addObject("Left", {-2, 0, -5}, emissive(rgba(1, 1, 1), texture), mesh);
    world.addObject("Plain", {0, 0, -5}, emissive(rgba(0, 1, 1)), mesh);
    world.addObject("Right", {2, 0, -5}, emissive(rgba(1, 1, 1), texture), mesh);
    // An index beyond the registry selects the white default texture.
    world.addObject("Stray", {0, 2, -5}, emissive(rgba(1, 1, 0), 99), mesh);
    frame();
    // Small squares: the sampled spot is a pixel off the texel centre, mixing in a little.
    EXPECT_RGB_NEAR(at(Float3{-2.25f, -0.25f, -5}), rgb8(1, 0, 0), 8);
    EXPECT_RGB_NEAR(at(Float3{2.25f, 0.25f, -5}), rgb8(1, 1, 1), 8);
    EXPECT_RGB_NEAR(at(Float3{0, 0, -5}), rgb8(0, 1, 1), 1);
    EXPECT_RGB_NEAR(at(Float3{0, 2, -5}), rgb8(1, 1, 0), 1);
}

} // namespace

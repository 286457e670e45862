// The bounding-box overlay: half-transparent white lines at every node's world box when the flag
// is on, nothing when it is off, hidden behind meshes in front of them.
#include <GL/gl.h>

#include "gl/render/render_world.h"

using namespace render_world;

namespace {

class Bounds : public RenderTest {
  protected:
    void SetUp() override {
        background = rgba(0, 0, 0, 1);
        RenderTest::SetUp();
    }
    // The brightest pixel of a short stretch of one row, to catch a one-pixel line.
    Rgba8 brightestInRow(int y, int x0, int x1) {
        Rgba8 best{0, 0, 0, 0};
        for (const Rgba8& p : readPixels(x0, y, x1 - x0, 1)) {
            if (p.r + p.g + p.b > best.r + best.g + best.b) best = p;
        }
        return best;
    }
    // An invisible square at (3, 0, -5): its box spans x 2..4, y -1..1; nothing else is drawn
    // near the box's left edge x = 2, which lands on screen column 608.
    void addHiddenSquare() {
        const int32_t mesh = addMesh(world.resources, squareMesh(1.0f));
        const int32_t square = world.addObject("Hidden", {3, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
        world.scene->entities->items[square].visible = 0;
    }
};

TEST_F(Bounds, BoxesAreHalfTransparentWhiteLinesWhenSwitchedOn) {
    addHiddenSquare();
    setDrawBoundings(world.resources, 1);
    frame();
    // The flat box's side edges are drawn twice (its depth half-axis is zero), each time
    // blending white at alpha 0.5 over what is there: 0.5, then 0.75.
    const ScreenPoint edge = project({2, 0, -5}, 800, 600);
    EXPECT_RGB_NEAR(brightestInRow(edge.y, edge.x - 6, edge.x + 6), rgb8(0.75f, 0.75f, 0.75f), 3);
    // Halfway between the edges there is no line.
    EXPECT_RGB_NEAR(at(Float3{3, 0.5f, -5}), rgb8(0, 0, 0), 1);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Bounds, NothingIsDrawnWhenSwitchedOff) {
    addHiddenSquare();
    frame();
    const ScreenPoint edge = project({2, 0, -5}, 800, 600);
    EXPECT_RGB_NEAR(brightestInRow(edge.y, edge.x - 6, edge.x + 6), rgb8(0, 0, 0), 1);
}

TEST_F(Bounds, AMeshInFrontHidesTheLinesBehindIt) {
    addHiddenSquare();
    const int32_t mesh = addMesh(world.resources, squareMesh(0.3f));
    // Seen from the origin, this blue square at depth 4 covers the box edge's lower middle.
    world.addObject("Shield", {1.6f, 0, -4}, emissive(rgba(0, 0, 1)), mesh);
    setDrawBoundings(world.resources, 1);
    frame();
    const ScreenPoint covered = project({2, 0, -5}, 800, 600);
    const ScreenPoint open = project({2, 0.8f, -5}, 800, 600);
    EXPECT_RGB_NEAR(brightestInRow(covered.y, covered.x - 6, covered.x + 6), rgb8(0, 0, 1), 1);
    EXPECT_RGB_NEAR(brightestInRow(open.y, open.x - 6, open.x + 6), rgb8(0.75f, 0.75f, 0.75f), 3);
}

} // namespace

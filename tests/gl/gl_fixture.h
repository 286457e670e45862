// GL test support: one real GLUT window and context per test process (under Xvfb in the test
// script), pixel read-back from the back buffer, and a PPM dump of what a failing test saw.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct Rgba8 {
    uint8_t r, g, b, a;
};

// Creates the window on first use, makes its context current and resizes it to the given size.
void ensureGlContext(int width = 800, int height = 600);

// A rectangle of the back buffer (GL's origin: bottom-left), rows bottom-up.
std::vector<Rgba8> readPixels(int x, int y, int width, int height);
Rgba8 pixelAt(int x, int y);

// Compares red, green and blue only: the window's visual may have no alpha bits.
bool nearColour(Rgba8 a, Rgba8 b, int tolerance = 3);

// Writes the current viewport to <KRESTEL_TEST_OUTPUT or /tmp>/<name>.ppm.
void dumpFrame(const std::string& name);

// Base for GL tests: an 800 by 600 context is current and the GL error flag is clear.
class GlTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

::testing::AssertionResult ColourNear(const char*, const char*, const char*, Rgba8 a, Rgba8 b,
                                      int tolerance);
#define EXPECT_COLOUR_NEAR(a, b, tol) EXPECT_PRED_FORMAT3(ColourNear, a, b, tol)

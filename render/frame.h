// Frame rendering: one off-screen pass per dynamic texture, then the main pass from the scene's
// camera; each pass clears, loads the view, sets up to MAX_LIGHTS lights, draws the node tree,
// the boxes when switched on, and the particle systems.
#pragma once

#include "core/math.h"

struct Scene;
struct Resources;

inline constexpr int MAX_LIGHTS = 8;

// Width over height of a window, or `fallback` when either side is not positive (a minimised
// or collapsed window), so the projection never divides by zero.
double windowAspect(int width, int height, double fallback);

void renderFrame(Scene* scene, Resources* resources);
void renderScene(Scene* scene, Matrix44 view, Resources* resources);

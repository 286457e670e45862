// The drawing front end of the 3D passes: one off-screen pass per dynamic texture, then the main
// pass from the scene's camera, recorded as FrameRecords (render/frame_records.h). Each pass
// clears, loads the view, sets up to MAX_LIGHTS lights, walks the node tree, adds the boxes when
// switched on and the particle systems. No GL call here: a back end draws the records.
#pragma once

#include "core/math.h"
#include "render/frame_records.h"

struct Scene;
struct Resources;

// Width over height of a window, or `fallback` when either side is not positive (a minimised
// or collapsed window), so the projection never divides by zero.
double windowAspect(int width, int height, double fallback);

// Appends the frame's 3D passes for a window of the given size in pixels (as the window system
// reports it) to `frame`. Brings the scene camera's axes up to date, as taking its view does.
void recordFrame(FrameRecords* frame, Scene* scene, const Resources* resources, int windowWidth,
                 int windowHeight);
// Appends one scene pass seen through `view` (row-major, world to eye).
void recordScenePass(FrameRecords* frame, const Scene* scene, Matrix44 view,
                     const Resources* resources);
// The registry index that binding `index` binds: the index itself, 0 (the white texture) for one
// the registry does not hold, NO_TEXTURE when there is no registry entry at all.
int32_t resolveTexture(const Resources* resources, int32_t index);

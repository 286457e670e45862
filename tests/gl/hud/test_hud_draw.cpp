// The HUD drawn into a real window: panels, then buttons, each in file order, placed in HUD
// units and textured by their corner pairs; the read-outs in their own colour over a textured
// panel; the GL state handed back to the scene pass.
#include <GL/freeglut.h>

#include <algorithm>

#include "app/clock.h"
#include "gl/gl_fixture.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "render/camera.h"
#include "scene/scene.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

const Rgba8 CLEAR{200, 100, 40, 255}, RED{255, 0, 0, 255}, GREEN{0, 255, 0, 255},
    BLUE{0, 0, 255, 255}, WHITE{255, 255, 255, 255}, YELLOW{255, 255, 0, 255};

// A panel or button (the same fields) in HUD units, showing the whole texture.
template <typename Rect>
Rect rect(float x0, float y0, float x1, float y1, Colour colour, int32_t texture = 0) {
    Rect r{};
    r.colour = colour;
    r.texture = texture;
    r.min = Float2{x0, y0};
    r.max = Float2{x1, y1};
    r.texMax = TexCoord{1.0f, 1.0f};
    return r;
}

int countColour(int x, int y, Rgba8 colour) {
    int count = 0;
    for (const Rgba8& p : readPixels(x, y, 200, 20)) count += nearColour(p, colour, 40);
    return count;
}

class HudDraw : public GlTest {};

TEST_F(HudDraw, PanelsThenButtonsInOrderTexturedTheReadOutsUntintedAndTheStateRestored) {
    TempFolder folder(true);
    Camera viewpoint = createCamera();
    Resources* resources = createResources();
    Hud hud{};
    initHud(&hud, createScene(), &viewpoint, createClockAt(12345), resources);
    // The state the scene pass leaves: perspective, identity modelview, depth and lighting on.
    glClearColor(CLEAR.r / 255.0f, CLEAR.g / 255.0f, CLEAR.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDepthMask(GL_FALSE); // the HUD turns depth writes back on
    // 2 by 2, bottom row first: red, green; then blue, white.
    writeBytes("hud.tga", makeTga({.width = 2, .height = 2}, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    const int32_t quads = loadTexture(resources, "hud.tga", TextureType::STATIC, "");
    addBackground(&hud, rect<Background>(-1.0f, -1.0f, 1.0f, 0.0f, Colour{1, 0, 0, 1}));
    addButton(&hud, rect<Button>(-0.5f, -0.8f, 0.0f, -0.2f, Colour{0, 1, 0, 1}));
    addButton(&hud, rect<Button>(-0.25f, -0.8f, 0.25f, -0.2f, Colour{0, 0, 1, 1}));
    addBackground(&hud, rect<Background>(-0.6f, -0.9f, 0.6f, -0.1f, Colour{1, 1, 0, 1}));
    addBackground(&hud, rect<Background>(-0.5f, 0.1f, 0.5f, 0.9f, Colour{1, 1, 1, 1}, quads));
    // The same texture on a button, texMin above texMax: turned half round.
    Button flipped = rect<Button>(0.6f, 0.1f, 1.2f, 0.9f, Colour{1, 1, 1, 1}, quads);
    std::swap(flipped.texMin, flipped.texMax);
    addButton(&hud, flipped);
    // The read-outs lie over the textured panel; the last texture coordinate given is green.
    hud.simTime = Float2{-0.45f, 0.5f};
    hud.appTime = Float2{-0.45f, 0.2f};
    hud.timeColour = Colour{1.0f, 1.0f, 0.0f, 0.0f}; // alpha has no effect
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    drawHud(&hud, resources);

    // HUD (x, y) is pixel (400 + 300x, 300 + 300y), GL rows bottom-up.
    const struct {
        int x, y;
        Rgba8 colour;
    } rows[] = {{280, 150, GREEN}, {430, 150, BLUE}, {340, 150, BLUE},   {550, 150, YELLOW},
                {150, 150, RED},   {400, 580, CLEAR}, {325, 390, RED},   {475, 390, GREEN},
                {325, 510, BLUE},  {475, 510, WHITE}, {625, 390, WHITE}, {715, 510, RED}};
    for (const auto& row : rows) EXPECT_COLOUR_NEAR(pixelAt(row.x, row.y), row.colour, 4) << row.x;
    EXPECT_GT(countColour(265, 446, YELLOW), 40);
    EXPECT_GT(countColour(265, 356, YELLOW), 40);
    EXPECT_EQ(countColour(265, 420, YELLOW), 0); // between the lines: none
    if (HasFailure()) dumpFrame("hud");

    glGetFloatv(GL_PROJECTION_MATRIX, after);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHTING) && depthMask);
    EXPECT_TRUE(mode == GL_MODELVIEW && std::equal(before, before + 16, after));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace

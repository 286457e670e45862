// The HUD drawn into a real window: panel placement in HUD coordinates, tint and translucency,
// buttons over panels, texture corners, the time read-outs, and the GL state left behind.
#include <GL/freeglut.h>

#include <cmath>
#include <cstring>

#include "app/clock.h"
#include "gl/gl_fixture.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "render/camera.h"
#include "scene/scene.h"
#include "texture/registry.h"

namespace {

const Rgba8 CLEAR{200, 100, 40, 255};

// A panel or a button (the same fields) in HUD units, showing the whole texture.
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
Background panel(float x0, float y0, float x1, float y1, Colour colour, int32_t texture = 0) {
    return rect<Background>(x0, y0, x1, y1, colour, texture);
}
Button button(float x0, float y0, float x1, float y1, Colour colour, int32_t texture = 0) {
    return rect<Button>(x0, y0, x1, y1, colour, texture);
}

class HudDraw : public GlTest {
  protected:
    Scene* scene = nullptr;
    Clock* clock = nullptr;
    Camera viewpoint{};
    Resources* resources = nullptr;
    Hud hud{};

    void SetUp() override {
        GlTest::SetUp();
        prepare(800, 600);
    }

    // The state the scene pass leaves behind: perspective projection, identity modelview,
    // depth test and lighting on, blending and texturing off.
    void prepare(int width, int height) {
        ensureGlContext(width, height);
        glClearColor(CLEAR.r / 255.0f, CLEAR.g / 255.0f, CLEAR.b / 255.0f, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, static_cast<double>(width) / height, 0.1, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);

        scene = createScene();
        clock = createClockAt(12345);
        viewpoint = createCamera();
        resources = createResources();
        std::memset(&hud, 0, sizeof hud);
        initHud(&hud, scene, &viewpoint, clock, resources);
        // Read-outs out of the way unless a test places them.
        hud.simTime = Float2{5.0f, 5.0f};
        hud.appTime = Float2{5.0f, 5.0f};
    }

    void draw() {
        drawHud(&hud, resources);
        glFinish();
    }

    void expectPixel(int x, int y, Rgba8 expected, const char* name) {
        Rgba8 seen = pixelAt(x, y);
        EXPECT_COLOUR_NEAR(seen, expected, 4) << "at " << x << "," << y;
        if (!nearColour(seen, expected, 4)) dumpFrame(name);
    }
};

Rgba8 halved(Rgba8 c) {
    return Rgba8{static_cast<uint8_t>(c.r / 2), static_cast<uint8_t>(c.g / 2),
                 static_cast<uint8_t>(c.b / 2), c.a};
}

TEST_F(HudDraw, TranslucentBlackStripDarkensTheBottomTenthByHalf) {
    addBackground(&hud, panel(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f, Colour{0, 0, 0, 0.5f}));
    draw();
    // The strip covers GL rows 0 to 59 across the whole width.
    for (int x : {5, 400, 795}) expectPixel(x, 30, halved(CLEAR), "hud_strip");
    for (int x : {5, 400, 795}) expectPixel(x, 90, CLEAR, "hud_strip");
    // The comparison tells the two apart.
    EXPECT_FALSE(nearColour(pixelAt(400, 30), CLEAR, 4));
}

TEST_F(HudDraw, WiderWindowKeepsUnitsAndNarrowsTheStrip) {
    // Aspect 2 (as 1200 by 600 would be), made by lowering the window so that it stays within
    // the drawable that the test window was created with.
    prepare(800, 400);
    addBackground(&hud, panel(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f, Colour{0, 0, 0, 0.5f}));
    // A square centred at the origin stays square: 0.2 units are 40 pixels either way.
    addBackground(&hud, panel(-0.2f, -0.2f, 0.2f, 0.2f, Colour{0, 0, 1, 1}));
    draw();
    expectPixel(60, 20, CLEAR, "hud_wide");  // left sixth of the bottom edge: uncovered
    expectPixel(740, 20, CLEAR, "hud_wide"); // right sixth
    expectPixel(400, 20, halved(CLEAR), "hud_wide");
    expectPixel(150, 20, halved(CLEAR), "hud_wide");
    const Rgba8 blue{0, 0, 255, 255};
    expectPixel(400, 200, blue, "hud_wide");
    expectPixel(400 + 36, 200, blue, "hud_wide");
    expectPixel(400 + 44, 200, CLEAR, "hud_wide");
    expectPixel(400, 200 + 36, blue, "hud_wide");
    expectPixel(400, 200 + 44, CLEAR, "hud_wide");
    prepare(800, 600);
}

TEST_F(HudDraw, ButtonsAreDrawnOverPanelsInOrder) {
    addBackground(&hud, panel(-1.0f, -1.0f, 1.0f, 0.0f, Colour{1, 0, 0, 1}));
    addButton(&hud, button(-0.5f, -0.8f, 0.0f, -0.2f, Colour{0, 1, 0, 1}));
    addButton(&hud, button(-0.25f, -0.8f, 0.25f, -0.2f, Colour{0, 0, 1, 1}));
    // Later panels still lie under every button.
    addBackground(&hud, panel(-0.6f, -0.9f, 0.6f, -0.1f, Colour{1, 1, 0, 1}));
    draw();
    // HUD (x, y) is pixel (400 + 300x, 300 + 300y) in GL's bottom-up rows.
    expectPixel(400 - 120, 150, Rgba8{0, 255, 0, 255}, "hud_buttons");
    expectPixel(400 + 30, 150, Rgba8{0, 0, 255, 255}, "hud_buttons");
    expectPixel(400 - 60, 150, Rgba8{0, 0, 255, 255}, "hud_buttons"); // later button on top
    expectPixel(400 + 150, 150, Rgba8{255, 255, 0, 255}, "hud_buttons");
    expectPixel(400 - 250, 150, Rgba8{255, 0, 0, 255}, "hud_buttons");
    expectPixel(400, 450, CLEAR, "hud_buttons");
}

TEST_F(HudDraw, TextureCornersFollowTheTexturePairs) {
    // A 2 by 2 texture with a distinct colour per texel, registered beside "None".
    const uint8_t texels[] = {
        255, 0, 0,   255, 0,   255, 0,   255, // row v = 0: red at u = 0, green at u = 1
        0,   0, 255, 255, 255, 255, 255, 255, // row v = 1: blue at u = 0, white at u = 1
    };
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    Texture entry{};
    entry.textureType = TextureType::STATIC;
    std::strncpy(entry.fileName, "quad.tga", NAME_SIZE - 1);
    entry.glName = name;
    int32_t index = appendRecord(&resources->textures.count, &resources->textures.entries, entry);
    resources->textures.boundIndex = -1;

    addBackground(&hud, panel(-0.5f, -0.5f, 0.5f, 0.5f, Colour{1, 1, 1, 1}, index));
    // The same texture flipped on a button: texMin above texMax swaps the corners.
    Button flipped = button(0.6f, -0.5f, 1.2f, 0.5f, Colour{1, 1, 1, 1}, index);
    flipped.texMin = TexCoord{1.0f, 1.0f};
    flipped.texMax = TexCoord{0.0f, 0.0f};
    addButton(&hud, flipped);
    draw();
    const Rgba8 red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255},
        white{255, 255, 255, 255};
    expectPixel(400 - 100, 300 - 100, red, "hud_texture");   // lower left
    expectPixel(400 + 100, 300 - 100, green, "hud_texture"); // lower right
    expectPixel(400 - 100, 300 + 100, blue, "hud_texture");  // upper left
    expectPixel(400 + 100, 300 + 100, white, "hud_texture"); // upper right
    expectPixel(400 + 210, 300 - 100, white, "hud_texture");
    expectPixel(400 + 330, 300 + 100, red, "hud_texture");
    glDeleteTextures(1, &name);
}

// Number of pixels in the rectangle (GL rows) within tolerance of the colour.
int countColour(int x, int y, int width, int height, Rgba8 colour, int tolerance) {
    int count = 0;
    for (const Rgba8& p : readPixels(x, y, width, height)) {
        if (nearColour(p, colour, tolerance)) ++count;
    }
    return count;
}

TEST_F(HudDraw, ReadOutsAreDrawnInTheTimeColourOverEverything) {
    addBackground(&hud, panel(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, 1.0f, Colour{0, 0, 0, 1}));
    addButton(&hud, button(-1.0f, 0.3f, 1.0f, 0.7f, Colour{0, 0, 1, 1}));
    hud.simTime = Float2{-0.5f, 0.5f};               // pixel (250, 450)
    hud.appTime = Float2{-0.5f, -0.5f};              // pixel (250, 150)
    hud.timeColour = Colour{1.0f, 1.0f, 0.0f, 0.0f}; // alpha has no effect
    draw();
    const Rgba8 yellow{255, 255, 0, 255};
    int simPixels = countColour(250, 446, 200, 20, yellow, 40);
    int appPixels = countColour(250, 146, 200, 20, yellow, 40);
    EXPECT_GT(simPixels, 40);
    EXPECT_GT(appPixels, 40);
    // Nothing of the colour left of the raster positions or elsewhere.
    EXPECT_EQ(countColour(100, 446, 140, 20, yellow, 40), 0);
    EXPECT_EQ(countColour(250, 300, 300, 20, yellow, 40), 0);
    if (simPixels <= 40 || appPixels <= 40) dumpFrame("hud_text");
}

TEST_F(HudDraw, ReadOutTextChangesWithTheClock) {
    hud.simTime = Float2{-0.5f, 0.0f};
    hud.timeColour = Colour{1.0f, 1.0f, 1.0f, 1.0f};
    draw();
    std::vector<Rgba8> first = readPixels(240, 290, 250, 24);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    std::vector<Rgba8> same = readPixels(240, 290, 250, 24);
    EXPECT_EQ(std::memcmp(first.data(), same.data(), first.size() * sizeof(Rgba8)), 0);
    updateClockAt(clock, 12345 + 2220); // 12.35 becomes 14.57
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    std::vector<Rgba8> later = readPixels(240, 290, 250, 24);
    EXPECT_NE(std::memcmp(first.data(), later.data(), first.size() * sizeof(Rgba8)), 0);
}

TEST_F(HudDraw, LeavesTheStateTheScenePassExpects) {
    addBackground(&hud, panel(-1, -1, 1, 1, Colour{0, 0, 0, 0.5f}));
    addButton(&hud, button(-0.5f, -0.5f, 0.5f, 0.5f, Colour{1, 1, 1, 1}));
    GLfloat projectionBefore[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
    glDepthMask(GL_FALSE); // the HUD turns depth writes back on
    GLint stackBefore = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &stackBefore);
    draw();

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint stackAfter = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &stackAfter);
    EXPECT_EQ(stackAfter, stackBefore);
    GLfloat projectionAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projectionAfter[i], projectionBefore[i]) << i;
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HudDraw, EmptyHudDrawsOnlyTheReadOuts) {
    hud.simTime = Float2{0.0f, 0.0f};
    hud.appTime = Float2{0.0f, 0.0f};
    draw();
    expectPixel(100, 100, CLEAR, "hud_empty");
    expectPixel(700, 500, CLEAR, "hud_empty");
    // Black text at the centre.
    EXPECT_GT(countColour(400, 296, 200, 20, Rgba8{0, 0, 0, 255}, 40), 20);
    drawHud(nullptr, resources);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HudDraw, LongTextIsCutNotOverflowed) {
    std::string longText(1000, 'M');
    drawText(-1.0f, 0.0f, Colour{1, 1, 1, 1}, "%s", longText.c_str());
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace

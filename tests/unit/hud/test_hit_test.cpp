// The HUD's pixel-to-HUD mapping and the hit test that selects panels and buttons.
#include <gtest/gtest.h>

#include <cmath>

#include "hud_test_support.h"

namespace {

struct PixelCase {
    int32_t x, y, width, height;
    float hx, hy;
};

TEST(HudPoint, MapsWindowPixelsToHudCoordinates) {
    const PixelCase cases[] = {
        {400, 300, 800, 600, 0.0f, 0.0f},
        {0, 0, 800, 600, -4.0f / 3.0f, 1.0f},
        {800, 600, 800, 600, 4.0f / 3.0f, -1.0f},
        {0, 600, 800, 600, -4.0f / 3.0f, -1.0f},
        {600, 150, 800, 600, 2.0f / 3.0f, 0.5f},
        // A wider window widens the x range; one unit stays half the height.
        {0, 0, 1200, 600, -2.0f, 1.0f},
        {900, 300, 1200, 600, 1.0f, 0.0f},
    };
    for (const PixelCase& c : cases) {
        Float2 p = hudPointFromPixel(c.x, c.y, c.width, c.height);
        EXPECT_FLOAT_EQ(p.x, c.hx) << c.x << "," << c.y << " in " << c.width << "x" << c.height;
        EXPECT_FLOAT_EQ(p.y, c.hy) << c.x << "," << c.y << " in " << c.width << "x" << c.height;
    }
}

// Presses the mouse at a pixel of an 800 by 600 window.
void pressAt(Hud* hud, int32_t x, int32_t y, int32_t width = 800, int32_t height = 600) {
    hud->mouseX = x;
    hud->mouseY = y;
    hudHitTest(hud, width, height);
}

TEST(HudHitTest, BottomStripEdgesCountAsInside) {
    HudWorld w;
    // A strip along the bottom edge whose top edge falls exactly on pixel row 525.
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.75f));
    const struct {
        int32_t x, y;
        int32_t overHud;
    } cases[] = {
        {400, 570, 1}, {0, 570, 1},  {800, 570, 1}, {400, 600, 1}, {400, 525, 1},
        {400, 524, 0}, {-1, 570, 0}, {801, 570, 0}, {400, 300, 0}, {400, 0, 0},
    };
    for (const auto& c : cases) {
        pressAt(&w.hud, c.x, c.y);
        EXPECT_EQ(w.hud.overHud, c.overHud) << "pixel " << c.x << "," << c.y;
    }
}

TEST(HudHitTest, FirstBackgroundSelectsAndLatestButtonWins) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-1.0f, -1.0f, 0.0f, 0.0f));
    addBackground(&w.hud, makeBackground(-0.5f, -0.5f, 0.5f, 0.5f));
    addButton(&w.hud, makeButton(-0.4f, -0.4f, 0.0f, 0.0f)); // 0: under the probe
    addButton(&w.hud, makeButton(0.1f, 0.1f, 0.2f, 0.2f));   // 1: elsewhere
    addButton(&w.hud, makeButton(-0.3f, -0.3f, 0.1f, 0.1f)); // 2: under the probe too
    addButton(&w.hud, makeButton(0.3f, 0.3f, 0.4f, 0.4f));   // 3: elsewhere

    // HUD point (-0.2, -0.2) is pixel (400 - 0.2*300, 300 + 0.2*300).
    pressAt(&w.hud, 340, 360);
    EXPECT_EQ(w.hud.overHud, 1);
    EXPECT_EQ(w.hud.overButton, 1);
    EXPECT_EQ(w.hud.hitButton, 2);

    // Inside a background but on no button: the selection is cleared, the index kept.
    pressAt(&w.hud, 400 - 0.45 * 300, 300 + 0.45 * 300);
    EXPECT_EQ(w.hud.overHud, 1);
    EXPECT_EQ(w.hud.overButton, 0);
    EXPECT_EQ(w.hud.hitButton, 2);

    pressAt(&w.hud, 400 + 0.15 * 300, 300 - 0.15 * 300);
    EXPECT_EQ(w.hud.overButton, 1);
    EXPECT_EQ(w.hud.hitButton, 1);
}

TEST(HudHitTest, ButtonOutsideEveryBackgroundIsNeverSelected) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-1.0f, -1.0f, -0.5f, -0.5f));
    addButton(&w.hud, makeButton(-0.9f, -0.9f, -0.6f, -0.6f)); // 0, on the panel
    addButton(&w.hud, makeButton(0.5f, 0.5f, 1.0f, 1.0f));     // 1, on no panel

    pressAt(&w.hud, 400 - 0.75 * 300, 300 + 0.75 * 300);
    ASSERT_EQ(w.hud.overButton, 1);
    ASSERT_EQ(w.hud.hitButton, 0);

    // Over button 1 but no panel: the previous selection stays untouched.
    pressAt(&w.hud, 400 + 0.75 * 300, 300 - 0.75 * 300);
    EXPECT_EQ(w.hud.overHud, 0);
    EXPECT_EQ(w.hud.overButton, 1);
    EXPECT_EQ(w.hud.hitButton, 0);
}

TEST(HudHitTest, WindowWithoutAreaIsAMiss) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-10.0f, -10.0f, 10.0f, 10.0f));
    addButton(&w.hud, makeButton(-10.0f, -10.0f, 10.0f, 10.0f));
    w.hud.overHud = 1;
    w.hud.overButton = 0;
    w.hud.hitButton = 7;
    const int32_t sizes[][2] = {{800, 0}, {0, 600}, {0, 0}, {-5, 600}, {800, -1}};
    for (const auto& size : sizes) {
        pressAt(&w.hud, 0, 0, size[0], size[1]);
        EXPECT_EQ(w.hud.overHud, 0) << size[0] << "x" << size[1];
        EXPECT_EQ(w.hud.overButton, 0);
        EXPECT_EQ(w.hud.hitButton, 7);
    }
}

TEST(HudHitTest, NullHudIsIgnored) {
    hudHitTest(nullptr, 800, 600);
    initHud(nullptr, nullptr, nullptr, nullptr, nullptr);
    addBackground(nullptr, Background{});
    addButton(nullptr, Button{});
    resolveButtons(nullptr);
}

} // namespace

// Draws the HUD over the finished scene: background panels, then buttons, as textured tinted
// quads in HUD coordinates (x from -aspect to +aspect, y from -1 to 1), then the two time
// read-outs in seconds. Changes no Hud field; leaves GL in the state the scene pass expects.
#include <GL/glut.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/clock.h"
#include "hud/hud.h"
#include "scene/scene.h"
#include "texture/registry.h"

namespace {

// The aspect of the last window that had an area; a zero-height window keeps it.
float lastAspect = 800.0f / 600.0f;

float windowAspect() {
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width > 0 && height > 0) {
        lastAspect = static_cast<float>(width) / static_cast<float>(height);
    }
    return lastAspect;
}

void drawQuad(Resources* resources, Colour colour, int32_t texture, Float2 min, Float2 max,
              TexCoord texMin, TexCoord texMax) {
    if (resources) bindTexture(resources, texture);
    const GLfloat tint[4] = {colour.r, colour.g, colour.b, colour.a};
    glBegin(GL_QUADS);
    glColor4fv(tint);
    glTexCoord2f(texMin.u, texMin.v);
    glVertex2f(min.x, min.y);
    glTexCoord2f(texMax.u, texMin.v);
    glVertex2f(max.x, min.y);
    glTexCoord2f(texMax.u, texMax.v);
    glVertex2f(max.x, max.y);
    glTexCoord2f(texMin.u, texMax.v);
    glVertex2f(min.x, max.y);
    glEnd();
}

// The F2 line, below the lower of the two time read-outs at their own spacing (15 pixels when
// they overlap or stand far apart).
void drawFrameStats(Hud* hud, Resources* resources, double appTime) {
    countFrame(&hud->frameStats, appTime);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    float line = std::fabs(hud->appTime.y - hud->simTime.y);
    if (!(line > 0.0f && line < 0.2f)) {
        line = height > 0 ? 30.0f / static_cast<float>(height) : 0.05f;
    }
    Float2 at = hud->appTime.y <= hud->simTime.y ? hud->appTime : hud->simTime;
    drawText(at.x, at.y - line, hud->timeColour,
             "FPS: %.1f  Frame: %.2f ms  Entities: %d  Particles: %d",
             hud->frameStats.framesPerSecond, hud->frameStats.frameMs,
             hud->scene ? getEntityCount(hud->scene) : 0, countLiveParticles(resources));
}

} // namespace

void drawText(float x, float y, Colour colour, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    // Cuts a long text at 255 characters rather than writing past the buffer.
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) text[0] = '\0';

    glColor3f(colour.r, colour.g, colour.b);
    glRasterPos2f(x, y);
    for (const char* c = text; *c; ++c) {
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, static_cast<unsigned char>(*c));
    }
    glRasterPos2f(-1.0f, -1.0f);
}

void drawHud(Hud* hud, Resources* resources) {
    if (!hud) return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    double aspect = windowAspect();
    glOrtho(-aspect, aspect, -1.0, 1.0, 0.0, 1.0);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    for (int32_t i = 0; i < hud->backgroundCount; ++i) {
        const Background& b = hud->backgrounds[i];
        drawQuad(resources, b.colour, b.texture, b.min, b.max, b.texMin, b.texMax);
    }
    for (int32_t i = 0; i < hud->buttonCount; ++i) {
        const Button& b = hud->buttons[i];
        drawQuad(resources, b.colour, b.texture, b.min, b.max, b.texMin, b.texMax);
    }

    // The read-outs are drawn with texturing still on: bind the white texture so that their
    // colour is TIMECOLOUR and not tinted by the last panel's image.
    if (resources) bindTexture(resources, 0);
    double simTime = hud->clock ? getSimTime(hud->clock) : 0.0;
    double appTime = hud->clock ? getAppTime(hud->clock) : 0.0;
    drawText(hud->simTime.x, hud->simTime.y, hud->timeColour, "Simulation Time: %.2f", simTime);
    drawText(hud->appTime.x, hud->appTime.y, hud->timeColour, "Application Time: %.2f", appTime);
    if (hud->showFrameStats) drawFrameStats(hud, resources, appTime);

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void drawMessagePanel(Resources* resources, const char* const* lines, int32_t count) {
    constexpr int32_t MAX_LINES = 16;
    constexpr Colour PANEL{0.08f, 0.08f, 0.1f, 0.85f};
    constexpr Colour ERROR_TEXT{1.0f, 0.55f, 0.5f, 1.0f};
    constexpr Colour WARNING_TEXT{1.0f, 0.85f, 0.4f, 1.0f};
    if (count <= 0) return;
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    double aspect = windowAspect();
    // Lines are placed in pixels so that the 12-point font keeps its spacing at any window size.
    const float pixel = height > 0 ? 2.0f / static_cast<float>(height) : 2.0f / 600.0f;
    const float lineHeight = 16.0f * pixel;
    const int32_t shown = count > MAX_LINES ? MAX_LINES : count;
    const int32_t rows = shown + (count > shown ? 1 : 0);
    const float left = static_cast<float>(-aspect);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-aspect, aspect, -1.0, 1.0, 0.0, 1.0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    drawQuad(resources, PANEL, 0, Float2{left, 1.0f - (rows + 0.5f) * lineHeight},
             Float2{-left, 1.0f}, TexCoord{0.0f, 0.0f}, TexCoord{1.0f, 1.0f});
    if (resources) bindTexture(resources, 0);
    for (int32_t i = 0; i < shown; ++i) {
        const bool error = std::strncmp(lines[i], "ERROR", 5) == 0;
        drawText(left + 8.0f * pixel, 1.0f - (i + 1) * lineHeight, error ? ERROR_TEXT : WARNING_TEXT,
                 "%s", lines[i]);
    }
    if (count > shown) {
        drawText(left + 8.0f * pixel, 1.0f - (shown + 1) * lineHeight, WARNING_TEXT,
                 "... and %d more on the console", count - shown);
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

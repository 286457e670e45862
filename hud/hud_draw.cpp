// Draws the HUD over the finished scene: background panels, then buttons, as textured tinted
// quads in HUD coordinates (x from -aspect to +aspect, y from -1 to 1), then the two time
// read-outs in seconds. Changes no Hud field; leaves GL in the state the scene pass expects.
#include <GL/glut.h>

#include <cmath>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// One row of the message panel. A message wider than the window is broken at blanks into rows,
// the later ones indented; what does not fit in maxRows is counted in a last row.
struct PanelRow {
    std::string text;
    bool error;
};

int textWidth(const std::string& text) {
    return glutBitmapLength(GLUT_BITMAP_HELVETICA_12,
                            reinterpret_cast<const unsigned char*>(text.c_str()));
}

std::vector<PanelRow> panelRows(const char* const* lines, int32_t count, int widthPixels,
                                size_t maxRows) {
    std::vector<PanelRow> rows;
    int32_t i = 0;
    for (; i < count; ++i) {
        const bool error = std::strncmp(lines[i], "ERROR", 5) == 0;
        std::vector<PanelRow> wrapped;
        std::string rest = lines[i];
        while (!rest.empty()) {
            std::string row = wrapped.empty() ? "" : "    ";
            size_t taken = 0;
            while (taken < rest.size()) {
                size_t next = rest.find(' ', taken + 1);
                if (next == std::string::npos) next = rest.size();
                // The first word of a row is taken whole even when it alone is too wide.
                if (taken > 0 && textWidth(row + rest.substr(0, next)) > widthPixels) break;
                taken = next;
            }
            wrapped.push_back({row + rest.substr(0, taken), error});
            rest.erase(0, std::min(rest.find_first_not_of(' ', taken), rest.size()));
        }
        const size_t moreRow = i + 1 < count ? 1 : 0;
        if (!rows.empty() && rows.size() + wrapped.size() + moreRow > maxRows) break;
        rows.insert(rows.end(), wrapped.begin(), wrapped.end());
    }
    if (i < count) {
        rows.push_back({"... and " + std::to_string(count - i) + " more on the console", false});
    }
    return rows;
}

// The HUD's pass over the finished scene: HUD coordinates, blended tinted quads, no lighting or
// depth test; endOverlay gives back the state the scene pass expects.
void beginOverlay(double aspect) {
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
}

void endOverlay() {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
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
    double aspect = windowAspect();
    beginOverlay(aspect);

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

    endOverlay();
}

void drawMessagePanel(Resources* resources, const char* const* lines, int32_t count) {
    constexpr size_t MAX_ROWS = 20;
    constexpr Colour PANEL{0.08f, 0.08f, 0.1f, 0.85f};
    constexpr Colour ERROR_TEXT{1.0f, 0.55f, 0.5f, 1.0f};
    constexpr Colour WARNING_TEXT{1.0f, 0.85f, 0.4f, 1.0f};
    if (count <= 0) return;
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    double aspect = windowAspect();
    // Rows are placed in pixels so that the 12-point font keeps its spacing at any window size.
    const float pixel = height > 0 ? 2.0f / static_cast<float>(height) : 2.0f / 600.0f;
    const float lineHeight = 16.0f * pixel;
    const float left = static_cast<float>(-aspect);
    std::vector<PanelRow> rows = panelRows(lines, count, width - 16, MAX_ROWS);

    beginOverlay(aspect);
    const float bottom = 1.0f - (static_cast<float>(rows.size()) + 0.5f) * lineHeight;
    drawQuad(resources, PANEL, 0, Float2{left, bottom}, Float2{-left, 1.0f}, TexCoord{0.0f, 0.0f},
             TexCoord{1.0f, 1.0f});
    if (resources) bindTexture(resources, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        drawText(left + 8.0f * pixel, 1.0f - static_cast<float>(i + 1) * lineHeight,
                 rows[i].error ? ERROR_TEXT : WARNING_TEXT, "%s", rows[i].text.c_str());
    }
    endOverlay();
}

// The HUD's front end: background panels, then buttons, as textured tinted quads in HUD
// coordinates (x from -aspect to +aspect, y from -1 to 1), then the two time read-outs in seconds,
// and the message panel, all recorded as overlays of FrameRecords. No GL or GLUT call here; the
// window size comes from the caller. Changes no Hud field but the frame statistics.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "hud/hud.h"
#include "render/frame.h"
#include "scene/scene.h"
#include "texture/registry.h"

namespace {

// The aspect of the last window that had an area, which a zero-height window keeps.
float hudAspect(FrameRecords* frame, int width, int height) {
    if (width > 0 && height > 0) {
        frame->hudAspect = static_cast<float>(width) / static_cast<float>(height);
    }
    return frame->hudAspect;
}

// Opens an overlay over a window of the given size; its quads and texts are the ones recorded
// until the next overlay.
OverlayRecord& beginOverlay(FrameRecords* frame, int width, int height, int32_t textTexture) {
    frame->steps.push_back({StepKind::OVERLAY, static_cast<int32_t>(frame->overlays.size())});
    OverlayRecord overlay{};
    overlay.aspect = hudAspect(frame, width, height);
    overlay.windowWidth = width > 0 ? width : 0;
    overlay.windowHeight = height > 0 ? height : 0;
    overlay.firstQuad = static_cast<int32_t>(frame->quads.size());
    overlay.textTexture = textTexture;
    overlay.firstText = static_cast<int32_t>(frame->texts.size());
    frame->overlays.push_back(overlay);
    return frame->overlays.back();
}

void addQuad(FrameRecords* frame, const Resources* resources, Colour colour, int32_t texture,
             Float2 min, Float2 max, TexCoord texMin, TexCoord texMax) {
    frame->quads.push_back({colour, resolveTexture(resources, texture), min, max, texMin, texMax});
    ++frame->overlays.back().quadCount;
}

// Formats into the record's 256 bytes (a longer text is cut at 255 characters) and places it.
void addText(FrameRecords* frame, float x, float y, Colour colour, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void addText(FrameRecords* frame, float x, float y, Colour colour, const char* format, ...) {
    OverlayRecord& overlay = frame->overlays.back();
    TextRecord& text = frame->texts.emplace_back();
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text.text, sizeof text.text, format, args);
    va_end(args);
    if (length < 0) text.text[0] = '\0';
    text.position = {x, y};
    text.window = {(x / overlay.aspect + 1.0f) * 0.5f * static_cast<float>(overlay.windowWidth),
                   (y + 1.0f) * 0.5f * static_cast<float>(overlay.windowHeight)};
    text.colour = colour;
    ++overlay.textCount;
}

// The F2 line, below the lower of the two time read-outs at their own spacing (15 pixels when
// they overlap or stand far apart).
void addFrameStats(FrameRecords* frame, Hud* hud, const Resources* resources, double appTime,
                   int height) {
    countFrame(&hud->frameStats, appTime);
    float line = std::fabs(hud->appTime.y - hud->simTime.y);
    if (!(line > 0.0f && line < 0.2f)) {
        line = height > 0 ? 30.0f / static_cast<float>(height) : 0.05f;
    }
    Float2 at = hud->appTime.y <= hud->simTime.y ? hud->appTime : hud->simTime;
    addText(frame, at.x, at.y - line, hud->timeColour,
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

// Pixels of the widest line of the text in the HUD font.
int textWidth(const GlyphWidths& glyphs, const std::string& text) {
    int widest = 0, line = 0;
    for (unsigned char c : text) {
        line = c == '\n' ? 0 : line + glyphs.advance[c];
        widest = std::max(widest, line);
    }
    return widest;
}

std::vector<PanelRow> panelRows(const char* const* lines, int32_t count, int widthPixels,
                                size_t maxRows, const GlyphWidths& glyphs) {
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
                if (taken > 0 && textWidth(glyphs, row + rest.substr(0, next)) > widthPixels) break;
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

} // namespace

void recordHud(FrameRecords* frame, Hud* hud, const Resources* resources, int windowWidth,
               int windowHeight) {
    if (!hud) return;
    // The read-outs are drawn with texturing still on: the white texture is bound for them so
    // that their colour is TIMECOLOUR and not tinted by the last panel's image.
    beginOverlay(frame, windowWidth, windowHeight, resolveTexture(resources, 0));
    for (int32_t i = 0; i < hud->backgroundCount; ++i) {
        const Background& b = hud->backgrounds[i];
        addQuad(frame, resources, b.colour, b.texture, b.min, b.max, b.texMin, b.texMax);
    }
    for (int32_t i = 0; i < hud->buttonCount; ++i) {
        const Button& b = hud->buttons[i];
        addQuad(frame, resources, b.colour, b.texture, b.min, b.max, b.texMin, b.texMax);
    }
    double simTime = hud->clock ? getSimTime(hud->clock) : 0.0;
    double appTime = hud->clock ? getAppTime(hud->clock) : 0.0;
    addText(frame, hud->simTime.x, hud->simTime.y, hud->timeColour, "Simulation Time: %.2f",
            simTime);
    addText(frame, hud->appTime.x, hud->appTime.y, hud->timeColour, "Application Time: %.2f",
            appTime);
    if (hud->showFrameStats) addFrameStats(frame, hud, resources, appTime, windowHeight);
}

void recordMessagePanel(FrameRecords* frame, const Resources* resources, const char* const* lines,
                        int32_t count, int windowWidth, int windowHeight,
                        const GlyphWidths& glyphs) {
    constexpr size_t MAX_ROWS = 20;
    constexpr Colour PANEL{0.08f, 0.08f, 0.1f, 0.85f};
    constexpr Colour ERROR_TEXT{1.0f, 0.55f, 0.5f, 1.0f};
    constexpr Colour WARNING_TEXT{1.0f, 0.85f, 0.4f, 1.0f};
    if (count <= 0) return;
    // Rows are placed in pixels so that the 12-point font keeps its spacing at any window size.
    const float pixel = windowHeight > 0 ? 2.0f / static_cast<float>(windowHeight) : 2.0f / 600.0f;
    const float lineHeight = 16.0f * pixel;
    std::vector<PanelRow> rows = panelRows(lines, count, windowWidth - 16, MAX_ROWS, glyphs);

    const float left =
        -beginOverlay(frame, windowWidth, windowHeight, resolveTexture(resources, 0)).aspect;
    const float bottom = 1.0f - (static_cast<float>(rows.size()) + 0.5f) * lineHeight;
    addQuad(frame, resources, PANEL, 0, Float2{left, bottom}, Float2{-left, 1.0f},
            TexCoord{0.0f, 0.0f}, TexCoord{1.0f, 1.0f});
    for (size_t i = 0; i < rows.size(); ++i) {
        addText(frame, left + 8.0f * pixel, 1.0f - static_cast<float>(i + 1) * lineHeight,
                rows[i].error ? ERROR_TEXT : WARNING_TEXT, "%s", rows[i].text.c_str());
    }
}

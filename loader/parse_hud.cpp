// Reads the scene camera line and the HUD section: read-out positions and colour, the background
// panels and the buttons with their action names, values, links and texture references. No GL,
// no I/O.
#include "loader/sections.h"

#include <cstring>

namespace {

constexpr size_t MIN_PANEL_BYTES = minTemplateBytes(COLOUR_LINE) + MIN_TEXTURE_BYTES +
                                   minTemplateBytes(MIN_LINE) + minTemplateBytes(MAX_LINE);
constexpr size_t MIN_BUTTON_BYTES = minTemplateBytes(ACTIONNAME_LINE) +
                                    minTemplateBytes(ACTIONVALUES_LINE) +
                                    minTemplateBytes(ACTIONLINK_LINE) + MIN_PANEL_BYTES;

// The six lines a background and a button share.
bool parsePanel(Parser* p, Colour* colour, TextureRef* texture, Float2* min, TexCoord* texMin,
                Float2* max, TexCoord* texMax) {
    return scan(p, COLOUR_LINE, {&colour->r, &colour->g, &colour->b, &colour->a}) &&
           parseLinkedTexture(p, texture) &&
           scan(p, MIN_LINE, {&min->x, &min->y, &texMin->u, &texMin->v}) &&
           scan(p, MAX_LINE, {&max->x, &max->y, &texMax->u, &texMax->v});
}

} // namespace

bool parseSceneCamera(Parser* p, SceneDescription* scene) {
    // Blank lines and indentation mean nothing anywhere, the start of the file included.
    if (!scan(p, " ") || !scan(p, SCENECAMERA_LINE, {&scene->sceneCamera})) return false;
    scene->sceneCameraLine = p->tokenLine;
    return true;
}

bool parseHudSection(Parser* p, HudDescription* hud) {
    if (!scan(p, HUD_LINE) || !scan(p, APPTIME_LINE, {&hud->appTime.x, &hud->appTime.y}) ||
        !scan(p, SIMTIME_LINE, {&hud->simTime.x, &hud->simTime.y})) {
        return false;
    }
    Colour& c = hud->timeColour;
    if (!scan(p, TIMECOLOUR_LINE, {&c.r, &c.g, &c.b, &c.a})) return false;

    int32_t count = 0;
    if (!scan(p, BACKGROUNDCOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_PANEL_BYTES, BACKGROUNDCOUNT_LINE)) {
        return false;
    }
    hud->backgrounds.reserve(count > 0 ? static_cast<size_t>(count) : 0);
    for (int32_t i = 0; i < count; ++i) {
        BackgroundDescription d{};
        Background& b = d.background;
        if (!parsePanel(p, &b.colour, &d.texture, &b.min, &b.texMin, &b.max, &b.texMax)) {
            return false;
        }
        hud->backgrounds.push_back(d);
    }
    return true;
}

bool parseButtonSection(Parser* p, HudDescription* hud) {
    int32_t count = 0;
    if (!scan(p, BUTTONCOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_BUTTON_BYTES, BUTTONCOUNT_LINE)) {
        return false;
    }
    hud->buttons.reserve(count > 0 ? static_cast<size_t>(count) : 0);
    for (int32_t i = 0; i < count; ++i) {
        ButtonDescription d{};
        Button& b = d.button;
        Word name{}, link{};
        float* v = b.actionValues;
        if (!scan(p, ACTIONNAME_LINE, {&name}) || (d.line = p->tokenLine, false) ||
            !scan(p, ACTIONVALUES_LINE, {&v[0], &v[1], &v[2], &v[3], &v[4]}) ||
            !scan(p, ACTIONLINK_LINE, {&link}) || (d.actionLinkLine = p->tokenLine, false) ||
            !parsePanel(p, &b.colour, &d.texture, &b.min, &b.texMin, &b.max, &b.texMax)) {
            return false;
        }
        std::memcpy(b.actionName, name.text, NAME_SIZE);
        std::memcpy(b.actionLink, link.text, NAME_SIZE);
        hud->buttons.push_back(d);
    }
    return true;
}

// Reads the HUD section: read-out positions and colour, the background panels and the buttons
// with their action names, values, links and texture references. No GL, no I/O.
#include "loader/sections.h"

#include <cstring>

namespace {

constexpr const char* COLOUR_LINE = "COLOUR: %f %f %f %f\n";
constexpr const char* MIN_LINE = "MIN: %f %f TEX: %f %f\n";
constexpr const char* MAX_LINE = "MAX: %f %f TEX: %f %f\n";
constexpr const char* ACTIONNAME_LINE = "ACTIONNAME: %s\n";
constexpr const char* ACTIONVALUES_LINE = "ACTIONVALUES: %f %f %f %f %f\n";
constexpr const char* ACTIONLINK_LINE = "ACTIONLINK: %s\n";

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

bool parseHudSection(Parser* p, HudDescription* hud) {
    if (!scan(p, "HUD:\n") || !scan(p, "APPTIME: %f %f\n", {&hud->appTime.x, &hud->appTime.y}) ||
        !scan(p, "SIMTIME: %f %f\n", {&hud->simTime.x, &hud->simTime.y})) {
        return false;
    }
    Colour& c = hud->timeColour;
    if (!scan(p, "TIMECOLOUR: %f %f %f %f\n", {&c.r, &c.g, &c.b, &c.a})) return false;

    int32_t count = 0;
    if (!scan(p, "BACKGROUNDCOUNT: %d\n", {&count}) ||
        !checkCount(p, count, MIN_PANEL_BYTES, "BACKGROUNDCOUNT:")) {
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

    if (!scan(p, "BUTTONCOUNT: %d\n", {&count}) ||
        !checkCount(p, count, MIN_BUTTON_BYTES, "BUTTONCOUNT:")) {
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

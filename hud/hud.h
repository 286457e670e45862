// The head-up display record: read-out positions and colour, background panels and buttons in
// HUD coordinates (origin at the window centre, one unit half the window height, x from
// -aspect to +aspect), the action table, and the recorded input state. Drawing is recorded as
// frame records for a back end; nothing here calls GL.
#pragma once

#include "core/camera.h"
#include "core/math.h"
#include "core/records.h"
#include "hud/frame_stats.h"

struct Scene;
struct Clock;
struct Resources;
struct Hud;

// Runs with the button's five action values (element 0 is the linked entity's index).
using ActionHandler = void (*)(float* actionValues, Hud* hud);

struct Action {
    char name[NAME_SIZE];
    ActionHandler handler;
};

inline constexpr int32_t ACTION_COUNT = 7;
inline constexpr int32_t MAX_REQUESTS = 16; // requests held between two idle turns

struct ActionTable {
    int32_t count;
    Action entries[ACTION_COUNT];
};

struct Background {
    Colour colour;
    int32_t texture;
    Float2 min;
    Float2 max;
    TexCoord texMin;
    TexCoord texMax;
};

struct Button {
    Colour colour;
    int32_t texture;
    Float2 min;
    Float2 max;
    TexCoord texMin;
    TexCoord texMax;
    ActionHandler action;
    char actionName[NAME_SIZE];
    char actionLink[NAME_SIZE];
    float actionValues[5];
};

struct Hud {
    Scene* scene;
    Clock* clock;
    Camera* viewpoint;
    Resources* resources;
    ActionTable* actions;
    int32_t backgroundCount;
    Background* backgrounds;
    int32_t buttonCount;
    Button* buttons;
    int32_t hitButton;
    Float2 appTime;
    Float2 simTime;
    Colour timeColour;
    int32_t keyW, keyS, keyA, keyD, keyQ, keyE, keyJ, keyK, keyPlus, keyMinus;
    int32_t overHud;
    int32_t overButton;
    int32_t leftDown;
    int32_t rightDown;
    int32_t prevX, prevY;
    int32_t mouseX, mouseY; // window pixels, y down from the top edge
    // Idle turns the held button's action has run since the left button went down: an on/off
    // action acts on the first only, so one press is one switch.
    int32_t heldTurns;
    int32_t showFrameStats; // 1 while F2 has the frame-rate line shown
    FrameStats frameStats;
    // Requests of Escape and the function keys (Request, app/input.h) recorded since the last
    // idle turn, oldest first; the turn acts on each once.
    int32_t requestCount;
    int32_t requests[MAX_REQUESTS];
};

struct FrameRecords;
struct GlyphWidths;

// Recording (no GL): the HUD over the finished scene, for a window of the given size in pixels.
void recordHud(FrameRecords* frame, Hud* hud, const Resources* resources, int windowWidth,
               int windowHeight);
// The load's error and warning lines on a dark strip across the top of the window, recorded after
// the HUD so the read-outs below stay as they were. Lines wider than the window are wrapped at
// blanks, measured with the font's glyph widths.
void recordMessagePanel(FrameRecords* frame, const Resources* resources, const char* const* lines,
                        int32_t count, int windowWidth, int windowHeight,
                        const GlyphWidths& glyphs);

// HUD set-up, the table of seven named button actions, button binding and the pointer hit test.
// No GL or GLUT here: the hit test is handed the window size. Times are seconds from the Clock
// getters, angles degrees; the Hud owns its background and button arrays and its action table,
// and freeHud frees them.
#include "hud/actions.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc.h"
#include "core/clock.h"
#include "core/list.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/registry.h"

namespace {

// Application time of the last bounding-display toggle, shared by every DRAWBOUNDINGS button so
// that holding any of them toggles at most once per tenth of a second.
float lastBoundingsToggle = -1.0f;

void setName(char (&out)[NAME_SIZE], const char* text) {
    std::strncpy(out, text, NAME_SIZE - 1);
    out[NAME_SIZE - 1] = '\0';
}

// The entity index an action value names, truncated toward zero, or -1 when it lies outside the
// entity list (the scene accessors that actions use do not all check their index).
int32_t actionEntity(const Hud* hud, float value) {
    if (!hud->scene || !hud->scene->entities) return -1;
    if (!(value > -1.0f) || value >= static_cast<float>(getEntityCount(hud->scene))) return -1;
    return static_cast<int32_t>(value);
}

bool contains(Float2 min, Float2 max, Float2 p) {
    return min.x <= p.x && p.x <= max.x && min.y <= p.y && p.y <= max.y;
}

} // namespace

void initHud(Hud* hud, Scene* scene, Camera* viewpoint, Clock* clock, Resources* resources) {
    if (!hud) return;
    hud->scene = scene;
    hud->clock = clock;
    hud->viewpoint = viewpoint;
    hud->resources = resources;
    hud->actions = createActionTable();
    hud->backgroundCount = 0;
    hud->backgrounds = nullptr;
    hud->buttonCount = 0;
    hud->buttons = nullptr;
    hud->hitButton = 0;
    hud->keyW = hud->keyS = hud->keyA = hud->keyD = hud->keyQ = hud->keyE = 0;
    hud->keyJ = hud->keyK = hud->keyPlus = hud->keyMinus = 0;
    hud->overHud = 0;
    hud->overButton = 0;
    hud->leftDown = 0;
    hud->rightDown = 0;
    hud->prevX = hud->prevY = 0;
    hud->mouseX = hud->mouseY = 0;
}

ActionTable* createActionTable() {
    auto* table =
        static_cast<ActionTable*>(allocZeroed(1, sizeof(ActionTable), "the action table"));
    static constexpr struct {
        const char* name;
        ActionHandler handler;
    } entries[ACTION_COUNT] = {
        {"ENTITYMOVE", actionEntityMove},
        {"ENTITYROTATE", actionEntityRotate},
        {"PARTICLESYSTEMSTATE", actionParticleSystemState},
        {"TIMERATE", actionTimeRate},
        {"DRAWBOUNDINGS", actionDrawBoundings},
        {"ANIMATIONSTART", actionNone},
        {"ANIMATIONEND", actionNone},
    };
    for (int32_t i = 0; i < ACTION_COUNT; ++i) {
        setName(table->entries[i].name, entries[i].name);
        table->entries[i].handler = entries[i].handler;
    }
    table->count = ACTION_COUNT;
    return table;
}

void freeHudArrays(Hud* hud) {
    if (!hud) return;
    std::free(hud->backgrounds);
    std::free(hud->buttons);
    hud->backgrounds = nullptr;
    hud->buttons = nullptr;
    hud->backgroundCount = 0;
    hud->buttonCount = 0;
}

void freeHud(Hud* hud) {
    if (!hud) return;
    freeHudArrays(hud);
    std::free(hud->actions);
    hud->actions = nullptr;
}

ActionHandler findAction(const ActionTable* table, const char* name) {
    if (!table || !name) return nullptr;
    int32_t count = table->count < ACTION_COUNT ? table->count : ACTION_COUNT;
    for (int32_t i = 0; i < count; ++i) {
        if (std::strncmp(table->entries[i].name, name, NAME_SIZE) == 0) {
            return table->entries[i].handler;
        }
    }
    return nullptr;
}

void addBackground(Hud* hud, const Background& background) {
    if (!hud) return;
    appendRecord(&hud->backgroundCount, &hud->backgrounds, background);
}

void addButton(Hud* hud, const Button& button) {
    if (!hud) return;
    appendRecord(&hud->buttonCount, &hud->buttons, button);
}

void resolveButtons(Hud* hud) {
    if (!hud) return;
    for (int32_t i = 0; i < hud->buttonCount; ++i) {
        Button& button = hud->buttons[i];
        // The name fields come from a file: never trust them to be terminated.
        char name[NAME_SIZE];
        std::memcpy(name, button.actionName, NAME_SIZE);
        name[NAME_SIZE - 1] = '\0';
        button.action = findAction(hud->actions, name);
        std::memcpy(name, button.actionLink, NAME_SIZE);
        name[NAME_SIZE - 1] = '\0';
        int32_t entity = hud->scene ? findEntityByName(hud->scene, name) : 0;
        button.actionValues[0] = static_cast<float>(entity);
    }
}

Float2 hudPointFromPixel(int32_t x, int32_t y, int32_t windowWidth, int32_t windowHeight) {
    if (windowWidth <= 0 || windowHeight <= 0) return Float2{0.0f, 0.0f};
    float w = static_cast<float>(windowWidth);
    float h = static_cast<float>(windowHeight);
    float aspect = w / h;
    Float2 p;
    p.x = (static_cast<float>(x) / w - 0.5f) * 2.0f * aspect;
    p.y = (static_cast<float>(y) / h - 0.5f) * -2.0f;
    return p;
}

void hudHitTest(Hud* hud, int32_t windowWidth, int32_t windowHeight) {
    if (!hud) return;
    hud->overHud = 0;
    // A window without area has no HUD under the pointer.
    if (windowWidth <= 0 || windowHeight <= 0) return;
    Float2 p = hudPointFromPixel(hud->mouseX, hud->mouseY, windowWidth, windowHeight);
    for (int32_t i = 0; i < hud->backgroundCount; ++i) {
        if (contains(hud->backgrounds[i].min, hud->backgrounds[i].max, p)) {
            hud->overHud = 1;
            break;
        }
    }
    if (!hud->overHud) return;
    hud->overButton = 0;
    for (int32_t i = 0; i < hud->buttonCount; ++i) {
        if (contains(hud->buttons[i].min, hud->buttons[i].max, p)) {
            hud->hitButton = i;
            hud->overButton = 1;
        }
    }
}

void actionEntityMove(float* values, Hud* hud) {
    if (!values || !hud || !hud->clock) return;
    int32_t e = actionEntity(hud, values[0]);
    if (e < 0) return;
    double dt = getSimDelta(hud->clock);
    moveEntityAlongAxes(hud->scene, e, static_cast<float>(values[1] * dt),
                        static_cast<float>(values[2] * dt), static_cast<float>(values[3] * dt));
}

void actionEntityRotate(float* values, Hud* hud) {
    if (!values || !hud || !hud->clock) return;
    int32_t e = actionEntity(hud, values[0]);
    if (e < 0) return;
    double dt = getSimDelta(hud->clock);
    // The axis is used as given, not normalised.
    Quaternion q = quaternionFromAxisAngle(static_cast<float>(values[1] * dt), values[2], values[3],
                                           values[4]);
    Quaternion r = getEntityRotation(hud->scene, e);
    setEntityRotation(hud->scene, e, multiplyQuaternions(r, q));
}

void actionParticleSystemState(float* values, Hud* hud) {
    if (!values || !hud || !hud->resources) return;
    // A switch: one press, one flip, however many turns the button is held.
    if (hud->heldTurns > 0) return;
    int32_t e = actionEntity(hud, values[0]);
    // Only a PARTICLE entity's link names a particle system; other links index other lists.
    if (e < 0 || getEntityType(hud->scene, e) != EntityType::PARTICLE) return;
    ParticleSystem* system = getParticleSystem(hud->resources, getEntityLink(hud->scene, e));
    if (!system) return; // its link names no system
    setParticleSystemOff(system, system->off == 0 ? 1 : 0);
}

void actionTimeRate(float* values, Hud* hud) {
    if (!values || !hud || !hud->clock) return;
    if (values[1] != 0.0f) {
        addTimeRate(hud->clock, static_cast<float>(getAppDelta(hud->clock) * values[1]));
    } else {
        setTimeRate(hud->clock, 1.0f);
    }
}

void actionDrawBoundings(float* values, Hud* hud) {
    (void)values;
    if (!hud || !hud->clock || !hud->resources) return;
    double t = getAppTime(hud->clock);
    if (t - 0.1 > lastBoundingsToggle) {
        setDrawBoundings(hud->resources, hud->resources->drawBoundings == 1 ? 0 : 1);
        lastBoundingsToggle = static_cast<float>(t);
    }
}

void actionNone(float* values, Hud* hud) {
    (void)values;
    (void)hud;
}

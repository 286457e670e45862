// Reads the scene graph: ENTITY records in depth-first pre-order, each with its keyframer block
// and its children. An explicit stack of pending child counts replaces recursion, so a deeply
// nested file cannot exhaust the call stack. No GL, no I/O.
#include "loader/sections.h"

#include "anim/keyframe.h"
#include "scene/scene.h"

#include <cstring>

namespace {

// A material key: the lines of a material with the key's time in place of the name.
constexpr const char* MATERIAL_KEY_LINES[] = {
    MATERIAL_KEY_LINE, MATERIAL_LINES[1], MATERIAL_LINES[2],
    MATERIAL_LINES[3], MATERIAL_LINES[4], MATERIAL_LINES[5],
};

constexpr size_t MIN_ENTITY_BYTES = minLinesBytes(ENTITY_LINES);
constexpr size_t MIN_KEYFRAMER_BYTES =
    minTemplateBytes(KEYFRAMETYPE_LINE) + minTemplateBytes(KEYFRAMECOUNT_LINE);
constexpr size_t MIN_KEY_BYTES[] = {
    minTemplateBytes(POSITION_KEY_LINE),
    minTemplateBytes(ROTATION_KEY_LINE),
    minLinesBytes(MATERIAL_KEY_LINES) + MIN_TEXTURE_BYTES,
};

bool parseMaterialKey(Parser* p, KeyDescription* key) {
    const char* const* line = MATERIAL_KEY_LINES;
    Material& m = key->material;
    if (!scan(p, line[0], {&key->time}) ||
        !scan(p, line[1], {&m.emission.r, &m.emission.g, &m.emission.b, &m.emission.a}) ||
        !scan(p, line[2], {&m.ambient.r, &m.ambient.g, &m.ambient.b, &m.ambient.a}) ||
        !scan(p, line[3], {&m.diffuse.r, &m.diffuse.g, &m.diffuse.b, &m.diffuse.a}) ||
        !scan(p, line[4], {&m.specular.r, &m.specular.g, &m.specular.b, &m.specular.a}) ||
        !scan(p, line[5], {&m.shininess}) || !parseParenthesisedTexture(p, &key->texture)) {
        return false;
    }
    std::memcpy(m.texture, key->texture.file.text, PATH_SIZE);
    return true;
}

bool parseKeyframer(Parser* p, SceneDescription* scene) {
    KeyframerDescription k{};
    Word type{};
    if (!scan(p, KEYFRAMETYPE_LINE, {&type}) ||
        !matchVariant(p, type, KEYFRAMETYPE_LINE, KEYFRAME_TYPES, &k.keyframeType) ||
        !scan(p, KEYFRAMECOUNT_LINE, {&k.keyCount}) ||
        !checkCount(p, k.keyCount, MIN_KEY_BYTES[k.keyframeType], KEYFRAMECOUNT_LINE)) {
        return false;
    }
    if (k.keyCount < 0) k.keyCount = 0;
    k.firstKey = static_cast<int32_t>(scene->keys.size());
    for (int32_t i = 0; i < k.keyCount; ++i) {
        KeyDescription key{};
        float* v = key.values;
        bool ok = true;
        switch (k.keyframeType) {
        case KeyframeType::POSITION:
            ok = scan(p, POSITION_KEY_LINE, {&key.time, &v[0], &v[1], &v[2]});
            break;
        case KeyframeType::ROTATION:
            ok = scan(p, ROTATION_KEY_LINE, {&key.time, &v[0], &v[1], &v[2], &v[3]});
            break;
        default:
            ok = parseMaterialKey(p, &key);
            break;
        }
        if (!ok) return false;
        scene->keys.push_back(key);
    }
    scene->keyframers.push_back(k);
    return true;
}

// Lines 1 to 9 of the record, the keyframer block and the child count.
// depth: the entity's level in the scene graph, 1 for a child of the root group.
bool parseEntity(Parser* p, SceneDescription* scene, EntityDescription* e, size_t depth) {
    Word kind{}, motion{};
    if (!scan(p, SEPARATOR_LINE)) return false;
    e->line = p->cursor.line;
    if (!scan(p, ENTITY_LINE, {&kind}) ||
        !matchVariant(p, kind, ENTITY_LINE, ENTITY_KINDS, &e->entityType) ||
        !scan(p, TYPE_LINE, {&motion}) ||
        !matchVariant(p, motion, TYPE_LINE, MOTION_TYPES, &e->type) ||
        !scan(p, NAME_LINE, {&e->name}) ||
        !scan(p, TRANSFORM_LINE,
              {&e->position.x, &e->position.y, &e->position.z, &e->rotationAngle,
               &e->rotationAxis.x, &e->rotationAxis.y, &e->rotationAxis.z, &e->scale.x, &e->scale.y,
               &e->scale.z}) ||
        (e->transformLine = p->tokenLine, false) ||
        !scan(p, MOTION_LINE,
              {&e->acceleration.x, &e->acceleration.y, &e->acceleration.z, &e->velocity.x,
               &e->velocity.y, &e->velocity.z}) ||
        !scan(p, LINK_LINE, {&e->link}) || (e->linkLine = p->tokenLine, false) ||
        !scan(p, MATERIAL_LINE, {&e->material}) || (e->materialLine = p->tokenLine, false) ||
        !scan(p, MASS_LINE, {&e->mass})) {
        return false;
    }
    int32_t keyframerCount = 0;
    if (!scan(p, KEYFRAMERCOUNT_LINE, {&keyframerCount}) ||
        !checkCount(p, keyframerCount, MIN_KEYFRAMER_BYTES, KEYFRAMERCOUNT_LINE)) {
        return false;
    }
    e->firstKeyframer = static_cast<int32_t>(scene->keyframers.size());
    for (int32_t i = 0; i < keyframerCount; ++i) {
        if (!parseKeyframer(p, scene)) return false;
    }
    e->keyframerCount = keyframerCount > 0 ? keyframerCount : 0;
    if (!scan(p, CHILDCOUNT_LINE, {&e->childCount}) || (e->childCountLine = p->tokenLine, false) ||
        !checkCount(p, e->childCount, MIN_ENTITY_BYTES, CHILDCOUNT_LINE)) {
        return false;
    }
    if (e->childCount < 0) e->childCount = 0;
    if (e->childCount > 0 && depth >= static_cast<size_t>(MAX_NESTING_DEPTH)) {
        return fail(p, ParseErrorKind::NestingTooDeep, p->tokenLine,
                    "expected 'CHILDCOUNT: 0' at level " + std::to_string(MAX_NESTING_DEPTH) +
                        " of the scene graph, the deepest allowed, but found 'CHILDCOUNT: " +
                        std::to_string(e->childCount) + "'");
    }
    return true;
}

struct PendingChildren {
    int32_t parent; // index into scene->entities, -1 for the root group
    int32_t remaining;
};

} // namespace

bool parseSceneGraph(Parser* p, SceneDescription* scene) {
    if (!scan(p, SCENEGRAPH_LINE)) return false;
    std::vector<PendingChildren> stack;
    stack.push_back({-1, 1});
    while (!stack.empty()) {
        if (stack.back().remaining == 0) {
            stack.pop_back();
            continue;
        }
        --stack.back().remaining;
        EntityDescription e{};
        e.parent = stack.back().parent;
        if (!parseEntity(p, scene, &e, stack.size())) return false;
        scene->entities.push_back(e);
        if (e.childCount > 0) {
            stack.push_back({static_cast<int32_t>(scene->entities.size()) - 1, e.childCount});
        }
    }
    return true;
}

// Keyframers: building the time-sorted key chains and evaluating them at a folded time. Keys
// and keyframers are heap records that live as long as the scene they animate: freeKeyframers
// frees them when a reload replaces it, and at exit. Times in seconds of simulation time. No GL
// here.
#include "anim/keyframe.h"

#include <cmath>
#include <cstdlib>

#include "core/alloc.h"
#include "scene/scene.h"

namespace {

Keyframe* makeKey(int32_t keyframeType, float time) {
    auto* key = static_cast<Keyframe*>(allocZeroed(1, sizeof(Keyframe), "a keyframe"));
    key->time = time;
    key->keyframeType = keyframeType;
    key->next = nullptr;
    return key;
}

// A key of the wrong kind would make the union be read as the wrong member, so it never
// enters the chain.
void addKey(Keyframer* keyframer, Keyframe* key) {
    if (key->keyframeType != keyframer->keyframeType) {
        std::free(key);
        return;
    }
    insertKey(keyframer, key);
}

const Keyframe* lastKey(const Keyframer* keyframer) {
    const Keyframe* key = keyframer->keys;
    while (key && key->next) key = key->next;
    return key;
}

// Truncation toward zero that stays defined for values no int can hold.
int32_t truncateToInt(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483520.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

Keyframer* createKeyframer(int32_t keyframeType) {
    auto* keyframer = static_cast<Keyframer*>(allocZeroed(1, sizeof(Keyframer), "a keyframer"));
    keyframer->entity = 0;
    keyframer->keyframeType = keyframeType;
    keyframer->keyCount = 0;
    keyframer->firstTime = 0.0f;
    keyframer->lastTime = 0.0f;
    keyframer->keys = nullptr;
    return keyframer;
}

void freeKeyframer(Keyframer* keyframer) {
    if (keyframer == nullptr) return;
    for (Keyframe* key = keyframer->keys; key;) {
        Keyframe* next = key->next;
        std::free(key);
        key = next;
    }
    std::free(keyframer);
}

void freeKeyframers(KeyframerList* keyframers) {
    if (keyframers == nullptr) return;
    for (int32_t i = 0; i < keyframers->count; ++i) freeKeyframer(keyframers->items[i]);
    std::free(keyframers->items);
    std::free(keyframers);
}

void addPositionKey(Keyframer* keyframer, Float3 position, float time) {
    Keyframe* key = makeKey(KeyframeType::POSITION, time);
    key->value.position = position;
    addKey(keyframer, key);
}

void addRotationKey(Keyframer* keyframer, Quaternion rotation, float time) {
    Keyframe* key = makeKey(KeyframeType::ROTATION, time);
    key->value.rotation = rotation;
    addKey(keyframer, key);
}

void addMaterialKey(Keyframer* keyframer, const Material& material, float time) {
    Keyframe* key = makeKey(KeyframeType::MATERIAL, time);
    key->value.material = material;
    addKey(keyframer, key);
}

void insertKey(Keyframer* keyframer, Keyframe* key) {
    const float t = key->time;
    if (!keyframer->keys) {
        key->next = nullptr;
        keyframer->keys = key;
    } else if (t < keyframer->keys->time) {
        key->next = keyframer->keys;
        keyframer->keys = key;
    } else {
        // The first key not later than t whose successor is missing or not earlier than t:
        // a key at a time the chain already has lands in front of the keys at that time,
        // unless the chain starts at that time (then right after the first key).
        Keyframe* k = keyframer->keys;
        while (k) {
            if (k->time <= t && (!k->next || k->next->time >= t)) break;
            k = k->next;
        }
        if (!k) {
            // Only reachable with a NaN time, which compares false everywhere: keep it last.
            k = keyframer->keys;
            while (k->next) k = k->next;
        }
        key->next = k->next;
        k->next = key;
    }
    keyframer->keyCount += 1;
    keyframer->firstTime = keyframer->keys->time;
    keyframer->lastTime = lastKey(keyframer)->time;
}

float foldKeyTime(const Keyframer* keyframer, float t) {
    if (!(t > keyframer->lastTime || t < keyframer->firstTime)) return t;
    const float d = keyframer->lastTime - keyframer->firstTime;
    // No span to repeat: every time means the first key.
    if (!(d > 0.0f)) return keyframer->firstTime;
    const float periods = t / d;
    const float folded = d * (periods - std::trunc(periods));
    // An infinite time has no place in the period; show the start of the track.
    if (!std::isfinite(folded)) return keyframer->firstTime;
    return folded;
}

KeyPair findKeyPair(const Keyframer* keyframer, float t) {
    const Keyframe* first = keyframer->keys;
    if (!first) return {nullptr, nullptr, 0.0f};
    if (keyframer->firstTime == keyframer->lastTime || !(t == t) || t <= keyframer->firstTime)
        return {first, first, 0.0f};
    if (t >= keyframer->lastTime) {
        const Keyframe* last = lastKey(keyframer);
        return {last, last, 1.0f};
    }
    const Keyframe* p = first;
    const Keyframe* q = first->next;
    while (q && q->time < t) {
        p = q;
        q = q->next;
    }
    if (!q) return {p, p, 1.0f};
    return {p, q, (t - p->time) / (q->time - p->time)};
}

Float3 evaluatePosition(const Keyframer* keyframer, float t) {
    const KeyPair pair = findKeyPair(keyframer, foldKeyTime(keyframer, t));
    return lerpFloat3(pair.p->value.position, pair.q->value.position, pair.f);
}

Quaternion evaluateRotation(const Keyframer* keyframer, float t) {
    const KeyPair pair = findKeyPair(keyframer, foldKeyTime(keyframer, t));
    return lerpQuaternion(pair.p->value.rotation, pair.q->value.rotation, pair.f);
}

Material evaluateMaterial(const Keyframer* keyframer, float t) {
    const KeyPair pair = findKeyPair(keyframer, foldKeyTime(keyframer, t));
    return lerpMaterial(pair.p->value.material, pair.q->value.material, pair.f);
}

Material lerpMaterial(const Material& a, const Material& b, float f) {
    Material result = a; // name and texture are not interpolated: they come from a
    result.ambient = lerpColour(a.ambient, b.ambient, f);
    result.diffuse = lerpColour(a.diffuse, b.diffuse, f);
    result.emission = lerpColour(a.emission, b.emission, f);
    result.specular = lerpColour(a.specular, b.specular, f);
    result.shininess = (1.0f - f) * a.shininess + f * b.shininess;
    const float textureId =
        (1.0f - f) * static_cast<float>(a.textureId) + f * static_cast<float>(b.textureId);
    result.textureId = truncateToInt(textureId);
    return result;
}

void animateScene(const KeyframerList* keyframers, Scene* scene, float t) {
    if (!keyframers || !scene) return;
    const int32_t entityCount = getEntityCount(scene);
    for (int32_t i = 0; i < keyframers->count; ++i) {
        const Keyframer* keyframer = getPointer(keyframers, i);
        if (!keyframer || !keyframer->keys) continue;
        const int32_t entity = keyframer->entity;
        if (entity < 0 || entity >= entityCount) continue;
        if (getEntityMotionType(scene, entity) != MotionType::ANIMATE) continue;
        switch (keyframer->keyframeType) {
        case KeyframeType::POSITION:
            setEntityPosition(scene, entity, evaluatePosition(keyframer, t));
            break;
        case KeyframeType::ROTATION:
            setEntityRotation(scene, entity, evaluateRotation(keyframer, t));
            break;
        case KeyframeType::MATERIAL:
            setEntityMaterial(scene, entity, evaluateMaterial(keyframer, t));
            break;
        default:
            break;
        }
    }
}

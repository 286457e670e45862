// Keyframe animation: tracks of timed keys (position, rotation or material) bound to one entity
// each, kept sorted by time, evaluated at the absolute simulation time with the time folded back
// into the span of the keys. Only ANIMATE entities are written. No GL here.
#pragma once

#include "core/list.h"
#include "core/math.h"
#include "core/records.h"

struct Scene;

struct KeyframeType {
    enum : int32_t { POSITION = 0, ROTATION = 1, MATERIAL = 2 };
};

struct Keyframe {
    float time; // seconds of simulation time
    int32_t keyframeType;
    union {
        Float3 position;
        Quaternion rotation;
        Material material;
    } value;
    Keyframe* next;
};

struct Keyframer {
    int32_t entity;
    int32_t keyframeType;
    int32_t keyCount;
    float firstTime;
    float lastTime;
    Keyframe* keys;
};

using KeyframerList = PtrList<Keyframer>;

Keyframer* createKeyframer(int32_t keyframeType);
// Frees the keyframer with its keys; null is ignored.
void freeKeyframer(Keyframer* keyframer);
// Frees every keyframer of the list, then the list itself; null is ignored.
void freeKeyframers(KeyframerList* keyframers);
void addPositionKey(Keyframer* keyframer, Float3 position, float time);
void addRotationKey(Keyframer* keyframer, Quaternion rotation, float time);
void addMaterialKey(Keyframer* keyframer, const Material& material, float time);
void insertKey(Keyframer* keyframer, Keyframe* key);

// Folds t into the span of the keys (period lastTime - firstTime, counted from 0).
float foldKeyTime(const Keyframer* keyframer, float t);
struct KeyPair {
    const Keyframe* p;
    const Keyframe* q;
    float f;
};
// Expects a keyframer with at least one key and an already folded t.
KeyPair findKeyPair(const Keyframer* keyframer, float t);
Float3 evaluatePosition(const Keyframer* keyframer, float t);
Quaternion evaluateRotation(const Keyframer* keyframer, float t);
Material evaluateMaterial(const Keyframer* keyframer, float t);
Material lerpMaterial(const Material& a, const Material& b, float f);
void animateScene(const KeyframerList* keyframers, Scene* scene, float t);

// The scene: the flat, index-addressed entity list (entity 0 is the root group "Root Group"),
// the node tree that mirrors it, and the scene's own free camera. Everything refers to an entity
// by its index. Writes that affect placement flag the entity for the next transform update.
// No GL here.
#pragma once

#include "core/camera.h"
#include "core/list.h"
#include "core/math.h"
#include "core/records.h"
#include "scene/node.h"

// The codes are plain ints inside the records; the names are qualified (EntityType::OBJECT) so
// that words the scene file uses in several places (STATIC, POINT) stay apart.
struct EntityType {
    enum : int32_t { LIGHT = 0, CAMERA = 1, GROUP = 2, OBJECT = 3, PARTICLE = 4 };
};
struct MotionType {
    enum : int32_t { SIMULATE = 0, ANIMATE = 1, STATIC = 2 };
};

struct Entity {
    int32_t index;
    SceneNode* node;
    char name[NAME_SIZE];
    int32_t entityType;  // EntityType
    int32_t type;        // MotionType
    Float3 position;     // in the parent's frame
    Quaternion rotation; // relative to the parent's frame; not kept normalised
    Material material;
    int32_t link; // OBJECT: mesh index; PARTICLE: particle-system index; else 0
    float mass;
    Float3 velocity;
    Float3 acceleration;
    BoundingBox bounds; // in the entity's own frame; all zero for everything but OBJECT
    int32_t visible;
    // Position or rotation written since the local matrix was rebuilt. Set only by the scene's
    // own operations, which also queue the entity in the scene's changedEntities.
    int32_t changed;
};

using EntityList = RecordList<Entity>;

struct NodeTree {
    SceneNode* root;
};

// The first entity after the root for each name, for entities 1 .. indexed - 1: an
// open-addressed hash table whose slots hold an entity index (0 for an empty slot, since the root
// is never found by name) beside the name's hash, so probing and growing read no entity record.
struct EntityNameSlot {
    uint32_t hash;
    int32_t entity;
};

struct EntityNameIndex {
    int32_t capacity; // slots: 0 or a power of two, at least twice count
    int32_t count;
    EntityNameSlot* slots;
    int32_t indexed; // entities below this index are in the table (0: none)
    int64_t scanned; // entities read by lookups past the table since it was last extended
};

inline constexpr int32_t ENTITY_TYPE_COUNT = 5;
inline constexpr int32_t MOTION_TYPE_COUNT = 3;

struct Scene {
    Camera camera;
    int32_t cameraEntity;
    EntityList* entities;
    NodeTree* nodeTree;
    // Each entity whose changed went to 1 since the last transform update, once, so the update
    // visits what moved rather than every entity. Its storage grows with the entity list, so
    // queuing never allocates.
    IndexList changedEntities;
    // Lookups by name walk the entities the table does not hold yet, and extend the table once
    // they have read as many entities as extending it reads, so a load that looks up a few
    // names near the front never pays for it and one that looks up thousands pays it once.
    // A cache, filled by the lookups themselves.
    mutable EntityNameIndex names;
    // Kept by addEntity, the only way entities enter the scene (their types never change
    // afterwards), so the loops that run every turn cost what they find, not the entity count.
    IndexList ofEntityType[ENTITY_TYPE_COUNT]; // each EntityType's indices, in list order
    IndexList ofMotionType[MOTION_TYPE_COUNT]; // each MotionType's indices, in list order
};

struct LightInfo {
    Float3 position;
    Material material;
};

Scene* createScene();
// Frees the scene whole: entities, nodes with their child tables, the queue and the record.
void freeScene(Scene* scene);
EntityList* createEntityList();
int32_t appendEntity(EntityList* list, const Entity& entity);
// Adds the entity as the last child of the parent entity; returns the new index.
int32_t addEntity(Scene* scene, const Entity& entity, int32_t parentIndex);
void setSceneCamera(Scene* scene, int32_t index);

// First entity after the root whose name equals the text exactly; 0 when none does.
int32_t findEntityByName(const Scene* scene, const char* name);
// Indices of all entities of the type in list order, or null; free with freeIndexList.
IndexList* findEntitiesByType(const Scene* scene, int32_t entityType);
// The scene's own lists of the entities of one EntityType or MotionType, in list order, for
// loops that run every turn; valid until the next addEntity. Empty for a code outside the type.
IndexList entitiesOfType(const Scene* scene, int32_t entityType);
IndexList entitiesOfMotion(const Scene* scene, int32_t motionType);
int32_t getEntityCount(const Scene* scene);

// Accessors by index. Getters expect a valid index; the three setters that are marked below
// ignore an index outside the list.
int32_t getEntityType(const Scene* scene, int32_t index);
int32_t getEntityMotionType(const Scene* scene, int32_t index);
float getEntityMass(const Scene* scene, int32_t index);
Float3 getEntityPosition(const Scene* scene, int32_t index);
Quaternion getEntityRotation(const Scene* scene, int32_t index);
Float3 getEntityVelocity(const Scene* scene, int32_t index);
void setEntityVelocity(Scene* scene, int32_t index, Float3 velocity);
void setEntityAcceleration(Scene* scene, int32_t index, Float3 acceleration);
int32_t getEntityLink(const Scene* scene, int32_t index);
SceneNode* getEntityNode(const Scene* scene, int32_t index);
void setEntityPosition(Scene* scene, int32_t index, Float3 position);          // range-checked
void setEntityRotation(Scene* scene, int32_t index, Quaternion rotation);      // range-checked
void setEntityMaterial(Scene* scene, int32_t index, const Material& material); // range-checked
// Moves along the entity's own axes as of the last transform update.
void moveEntityAlongAxes(Scene* scene, int32_t index, float dx, float dy, float dz);
void getLightInfo(const Scene* scene, int32_t index, LightInfo* out);

// The transform update: rebuilds the local matrix of each entity whose placement was written
// since the last call, then the world matrices and boxes of the nodes that changed with it.
void updateTransforms(Scene* scene);
void updateLocalMatrices(Scene* scene);
// As of the last transform update; row-major.
Matrix44 getEntityWorldMatrix(const Scene* scene, int32_t index);
Float3 getEntityWorldPosition(const Scene* scene, int32_t index);

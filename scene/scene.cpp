// The entity registry: creation, insertion under a parent, lookups and accessors by index, and
// the transform update that carries entity placements into the node hierarchy.
#include "scene/scene.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc.h"

namespace {
bool validIndex(const Scene* scene, int32_t index) {
    return index >= 0 && index < scene->entities->count;
}

Entity& entityAt(const Scene* scene, int32_t index) {
    return scene->entities->items[index];
}

// Gives the queue of changed entities room for every entity.
void growChangedQueue(Scene* scene) {
    IndexList& queue = scene->changedEntities;
    queue.items = static_cast<int32_t*>(
        growListStorage(queue.items, scene->entities->count - 1, sizeof(int32_t)));
}

// Position or rotation written: the local matrix is rebuilt at the next update. An entity whose
// flag is already up is in the queue already. Only a flag cleared behind the scene's back could
// queue an entity twice and fill the queue; a full queue stops growing and makes the update read
// every entity's flag instead.
void markPlacementChanged(Scene* scene, int32_t index) {
    Entity& e = entityAt(scene, index);
    IndexList& queue = scene->changedEntities;
    if (e.changed != 1) {
        e.changed = 1;
        if (queue.count < scene->entities->count) queue.items[queue.count++] = index;
    }
    markDirty(e.node);
}

uint32_t hashName(const char* name, size_t length) {
    uint32_t h = 2166136261u; // FNV-1a: names are short, so a byte loop is cheap enough
    for (size_t k = 0; k < length; ++k) h = (h ^ static_cast<uint8_t>(name[k])) * 16777619u;
    return h;
}

bool sameName(const Entity& e, const char* name) {
    return std::strncmp(e.name, name, NAME_SIZE) == 0;
}

// The slot holding the name, or the empty slot where it would go. The table is not empty.
EntityNameSlot& probeName(const Scene* scene, const char* name, uint32_t hash) {
    const EntityNameIndex& index = scene->names;
    const uint32_t mask = static_cast<uint32_t>(index.capacity) - 1;
    for (uint32_t at = hash & mask;; at = (at + 1) & mask) {
        EntityNameSlot& slot = index.slots[at];
        if (slot.entity == 0) return slot;
        if (slot.hash == hash && sameName(entityAt(scene, slot.entity), name)) return slot;
    }
}

void resizeNameIndex(EntityNameIndex* index, int32_t capacity) {
    auto* slots = static_cast<EntityNameSlot*>(
        allocZeroed(capacity, sizeof(EntityNameSlot), "the entity name table"));
    const uint32_t mask = static_cast<uint32_t>(capacity) - 1;
    for (int32_t k = 0; k < index->capacity; ++k) {
        const EntityNameSlot slot = index->slots[k];
        if (slot.entity == 0) continue;
        uint32_t at = slot.hash & mask;
        while (slots[at].entity != 0) at = (at + 1) & mask;
        slots[at] = slot;
    }
    std::free(index->slots);
    index->slots = slots;
    index->capacity = capacity;
}

// Enters every entity the table does not hold yet, in index order, so the first of several
// entities with one name keeps its slot.
void extendNameIndex(const Scene* scene) {
    EntityNameIndex& index = scene->names;
    const int32_t count = scene->entities->count;
    int32_t capacity = index.capacity == 0 ? 16 : index.capacity;
    while (capacity / 2 < count) capacity *= 2;
    if (capacity != index.capacity) resizeNameIndex(&index, capacity);
    for (int32_t i = index.indexed > 1 ? index.indexed : 1; i < count; ++i) {
        const Entity& e = entityAt(scene, i);
        const size_t length = strnlen(e.name, NAME_SIZE);
        if (length >= static_cast<size_t>(NAME_SIZE)) continue; // matches no lookup
        const uint32_t hash = hashName(e.name, length);
        EntityNameSlot& slot = probeName(scene, e.name, hash);
        if (slot.entity != 0) continue;
        slot = {hash, i};
        ++index.count;
    }
    index.indexed = count;
    index.scanned = 0;
}

// Enters a newly added entity in the lists by type.
void registerEntity(Scene* scene, int32_t i) {
    const Entity& e = entityAt(scene, i);
    if (e.entityType >= 0 && e.entityType < ENTITY_TYPE_COUNT) {
        IndexList& list = scene->ofEntityType[e.entityType];
        appendRecord(&list.count, &list.items, i);
    }
    if (e.type >= 0 && e.type < MOTION_TYPE_COUNT) {
        IndexList& list = scene->ofMotionType[e.type];
        appendRecord(&list.count, &list.items, i);
    }
}
} // namespace

EntityList* createEntityList() {
    EntityList* list = createRecordList<Entity>();
    Entity root{};
    std::strncpy(root.name, "Root Group", NAME_SIZE - 1);
    root.entityType = EntityType::GROUP;
    root.type = MotionType::STATIC;
    root.rotation = quaternionFromAxisAngle(0, 0, 1, 0);
    root.visible = 1;
    appendEntity(list, root);
    return list;
}

int32_t appendEntity(EntityList* list, const Entity& entity) {
    const int32_t index = appendRecord(list, entity);
    list->items[index].index = index;
    list->items[index].changed = 1;
    return index;
}

Scene* createScene() {
    auto* scene = static_cast<Scene*>(allocZeroed(1, sizeof(Scene), "a scene"));
    auto* tree = static_cast<NodeTree*>(allocZeroed(1, sizeof(NodeTree), "a node tree"));
    scene->camera = createCamera();
    scene->entities = createEntityList();
    tree->root = createNode(0, scene->entities->items[0].bounds);
    scene->nodeTree = tree;
    scene->entities->items[0].node = tree->root;
    scene->entities->items[0].changed = 0; // set by appendEntity; queued here
    growChangedQueue(scene);
    markPlacementChanged(scene, 0);
    registerEntity(scene, 0);
    return scene;
}

void freeScene(Scene* scene) {
    if (!scene) return;
    // Every node mirrors exactly one entity, so walking the list frees each node once.
    for (int32_t i = 0; i < scene->entities->count; ++i) freeNode(scene->entities->items[i].node);
    std::free(scene->entities->items);
    std::free(scene->entities);
    std::free(scene->nodeTree);
    std::free(scene->changedEntities.items);
    std::free(scene->names.slots);
    for (IndexList& list : scene->ofEntityType) std::free(list.items);
    for (IndexList& list : scene->ofMotionType) std::free(list.items);
    std::free(scene);
}

int32_t addEntity(Scene* scene, const Entity& entity, int32_t parentIndex) {
    if (!validIndex(scene, parentIndex)) parentIndex = 0;
    const int32_t i = appendEntity(scene->entities, entity);
    growChangedQueue(scene);
    SceneNode* parentNode = entityAt(scene, parentIndex).node;
    SceneNode* node = createNode(i, entityAt(scene, i).bounds);
    attachNode(parentNode, node);
    Entity& stored = entityAt(scene, i);
    stored.node = node;
    stored.changed = 0; // set by appendEntity; queued here
    markPlacementChanged(scene, i);
    registerEntity(scene, i);
    return i;
}

void setSceneCamera(Scene* scene, int32_t index) {
    if (!validIndex(scene, index) || entityAt(scene, index).entityType != EntityType::CAMERA)
        return;
    const Float3 p = entityAt(scene, index).position;
    setCameraPosition(&scene->camera, p.x, p.y, p.z);
    setCameraAngles(&scene->camera, 0, 0, 0);
    scene->cameraEntity = index;
}

int32_t findEntityByName(const Scene* scene, const char* name) {
    if (name == nullptr) return 0;
    const size_t length = strnlen(name, NAME_SIZE);
    if (length >= static_cast<size_t>(NAME_SIZE)) return 0;
    EntityNameIndex& index = scene->names;
    const uint32_t hash = hashName(name, length);
    if (index.count > 0) {
        const int32_t found = probeName(scene, name, hash).entity;
        if (found != 0) return found; // an entity past the table has a larger index
    }
    const int32_t from = index.indexed > 1 ? index.indexed : 1;
    const int32_t rest = scene->entities->count - from;
    if (rest > 0 && index.scanned >= rest) {
        extendNameIndex(scene);
        return probeName(scene, name, hash).entity;
    }
    for (int32_t i = from; i < scene->entities->count; ++i) {
        if (!sameName(entityAt(scene, i), name)) continue;
        index.scanned += i - from + 1;
        return i;
    }
    index.scanned += rest;
    return 0;
}

IndexList entitiesOfType(const Scene* scene, int32_t entityType) {
    if (entityType < 0 || entityType >= ENTITY_TYPE_COUNT) return IndexList{0, nullptr};
    return scene->ofEntityType[entityType];
}

IndexList entitiesOfMotion(const Scene* scene, int32_t motionType) {
    if (motionType < 0 || motionType >= MOTION_TYPE_COUNT) return IndexList{0, nullptr};
    return scene->ofMotionType[motionType];
}

// A copy of the scene's list made in one allocation (its capacity is the one an append expects).
IndexList* findEntitiesByType(const Scene* scene, int32_t entityType) {
    if (entityType < 0 || entityType >= ENTITY_TYPE_COUNT) { // no list kept: walk the entities
        IndexList* list = nullptr;
        for (int32_t i = 0; i < scene->entities->count; ++i) {
            if (entityAt(scene, i).entityType != entityType) continue;
            list = list ? appendIndex(list, i) : createIndexList(i);
        }
        return list;
    }
    const IndexList found = entitiesOfType(scene, entityType);
    if (found.count == 0) return nullptr;
    auto* list = static_cast<IndexList*>(allocZeroed(1, sizeof(IndexList), "an index list"));
    list->items = static_cast<int32_t*>(
        allocZeroed(listCapacity(found.count), sizeof(int32_t), "an index list"));
    std::memcpy(list->items, found.items, static_cast<size_t>(found.count) * sizeof(int32_t));
    list->count = found.count;
    return list;
}

int32_t getEntityCount(const Scene* scene) {
    return scene->entities->count;
}
int32_t getEntityType(const Scene* scene, int32_t i) {
    return entityAt(scene, i).entityType;
}
int32_t getEntityMotionType(const Scene* scene, int32_t i) {
    return entityAt(scene, i).type;
}
float getEntityMass(const Scene* scene, int32_t i) {
    return entityAt(scene, i).mass;
}
Float3 getEntityPosition(const Scene* scene, int32_t i) {
    return entityAt(scene, i).position;
}
Quaternion getEntityRotation(const Scene* scene, int32_t i) {
    return entityAt(scene, i).rotation;
}
Float3 getEntityVelocity(const Scene* scene, int32_t i) {
    return entityAt(scene, i).velocity;
}
int32_t getEntityLink(const Scene* scene, int32_t i) {
    return entityAt(scene, i).link;
}
SceneNode* getEntityNode(const Scene* scene, int32_t i) {
    return entityAt(scene, i).node;
}

void setEntityVelocity(Scene* scene, int32_t i, Float3 velocity) {
    entityAt(scene, i).velocity = velocity;
}

void setEntityAcceleration(Scene* scene, int32_t i, Float3 acceleration) {
    entityAt(scene, i).acceleration = acceleration;
}

void setEntityPosition(Scene* scene, int32_t i, Float3 position) {
    if (!validIndex(scene, i)) return;
    Entity& e = entityAt(scene, i);
    e.position = position;
    markPlacementChanged(scene, i);
}

void setEntityRotation(Scene* scene, int32_t i, Quaternion rotation) {
    if (!validIndex(scene, i)) return;
    Entity& e = entityAt(scene, i);
    e.rotation = rotation;
    markPlacementChanged(scene, i);
}

void setEntityMaterial(Scene* scene, int32_t i, const Material& material) {
    if (!validIndex(scene, i)) return;
    entityAt(scene, i).material = material;
}

void moveEntityAlongAxes(Scene* scene, int32_t i, float dx, float dy, float dz) {
    Entity& e = entityAt(scene, i);
    const float* m = e.node->local.m;
    e.position.x += m[0] * dx + m[1] * dy + m[2] * dz;
    e.position.y += m[4] * dx + m[5] * dy + m[6] * dz;
    e.position.z += m[8] * dx + m[9] * dy + m[10] * dz;
    markPlacementChanged(scene, i);
}

void getLightInfo(const Scene* scene, int32_t index, LightInfo* out) {
    if (index >= 0 && index < scene->entities->count) {
        out->position = getEntityWorldPosition(scene, index);
        out->material = entityAt(scene, index).material;
        return;
    }
    out->position = {0, 0, 0};
    out->material.ambient = {0.1f, 0.1f, 0.1f, 1};
    out->material.diffuse = {0.4f, 0.4f, 0.4f, 1};
    out->material.specular = {0.7f, 0.7f, 0.7f, 1};
}

// Visits the queued entities only: every entity whose changed flag is 1 is in the queue, unless
// the queue is full, when every entity is visited. The order does not matter, since each local
// matrix depends only on its own entity and the flags markDirty leaves are the same whatever
// order it is called in.
void updateLocalMatrices(Scene* scene) {
    EntityList* list = scene->entities;
    IndexList& queue = scene->changedEntities;
    const bool everyEntity = queue.count >= list->count;
    const int32_t visits = everyEntity ? list->count : queue.count;
    for (int32_t k = 0; k < visits; ++k) {
        Entity& e = list->items[everyEntity ? k : queue.items[k]];
        if (e.changed != 1) continue;
        e.node->local =
            multiplyMatrices(translationMatrix(e.position.x, e.position.y, e.position.z),
                             matrixFromQuaternion(e.rotation));
        markDirty(e.node);
        e.changed = 0;
    }
    queue.count = 0;
}

void updateTransforms(Scene* scene) {
    updateLocalMatrices(scene);
    updateNode(scene->nodeTree->root);
}

Matrix44 getEntityWorldMatrix(const Scene* scene, int32_t index) {
    const SceneNode* node = getEntityNode(scene, index);
    return multiplyMatrices(node->parentWorld, node->local);
}

Float3 getEntityWorldPosition(const Scene* scene, int32_t index) {
    return transformPoint(getEntityNode(scene, index)->parentWorld,
                          getEntityPosition(scene, index));
}

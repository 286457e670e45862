// The entity registry: creation, insertion under a parent, lookups and accessors by index.
#include "scene/scene.h"

#include <cstdlib>
#include <cstring>
#include <new>

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
    auto* scene = static_cast<Scene*>(std::calloc(1, sizeof(Scene)));
    auto* tree = static_cast<NodeTree*>(std::calloc(1, sizeof(NodeTree)));
    if (scene == nullptr || tree == nullptr) throw std::bad_alloc();
    scene->camera = createCamera();
    scene->entities = createEntityList();
    tree->root = createNode(scene->entities->items[0]);
    scene->nodeTree = tree;
    scene->entities->items[0].node = tree->root;
    scene->entities->items[0].changed = 0; // set by appendEntity; queued here
    growChangedQueue(scene);
    markPlacementChanged(scene, 0);
    return scene;
}

int32_t addEntity(Scene* scene, const Entity& entity, int32_t parentIndex) {
    if (!validIndex(scene, parentIndex)) parentIndex = 0;
    const int32_t i = appendEntity(scene->entities, entity);
    growChangedQueue(scene);
    SceneNode* parentNode = entityAt(scene, parentIndex).node;
    SceneNode* node = createNode(entityAt(scene, i));
    attachNode(parentNode, node);
    Entity& stored = entityAt(scene, i);
    stored.node = node;
    stored.changed = 0; // set by appendEntity; queued here
    markPlacementChanged(scene, i);
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
    for (int32_t i = 1; i < scene->entities->count; ++i) {
        if (std::strncmp(entityAt(scene, i).name, name, NAME_SIZE) == 0 &&
            std::strlen(name) < static_cast<size_t>(NAME_SIZE))
            return i;
    }
    return 0;
}

IndexList* findEntitiesByType(const Scene* scene, int32_t entityType) {
    IndexList* list = nullptr;
    for (int32_t i = 0; i < scene->entities->count; ++i) {
        if (entityAt(scene, i).entityType != entityType) continue;
        list = list ? appendIndex(list, i) : createIndexList(i);
    }
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

// The node hierarchy and the transform update. A dirty node has its whole subtree flagged, so
// every world matrix and box is current after an update whatever was written before it, while
// clean subtrees are skipped; ancestors of a dirty node only merge their boxes again.
#include "scene/node.h"

#include <cstdlib>
#include <new>

#include "scene/scene.h"

SceneNode* createNode(const Entity& entity) {
    auto* node = static_cast<SceneNode*>(std::calloc(1, sizeof(SceneNode)));
    if (node == nullptr) throw std::bad_alloc();
    node->entityIndex = entity.index;
    node->dirty = 1;
    node->local = identityMatrix();
    node->parentWorld = identityMatrix();
    node->localBounds = entity.bounds;
    node->worldBounds = entity.bounds;
    return node;
}

namespace {
// Flags the ancestors of a node whose box changed, so that their boxes are merged again; stops at
// the first ancestor already flagged, whose own ancestors are flagged too.
void markAncestors(SceneNode* node) {
    for (SceneNode* p = node->parent; p != nullptr && !p->dirty && !p->boundsDirty; p = p->parent)
        p->boundsDirty = 1;
}
} // namespace

// A new node arrives dirty, so its ancestors learn of it here rather than in markDirty.
void attachNode(SceneNode* parent, SceneNode* node) {
    node->parent = parent;
    node->nextSibling = nullptr;
    if (parent->firstChild == nullptr) {
        parent->firstChild = node;
    } else {
        SceneNode* last = parent->firstChild;
        while (last->nextSibling != nullptr) last = last->nextSibling;
        last->nextSibling = node;
    }
    markAncestors(node);
}

namespace {
// Flags a whole subtree. A node already flagged has its subtree flagged too (a node is only
// ever flagged together with its subtree), so the walk stops there.
void markSubtree(SceneNode* node) {
    if (node->dirty == 1) return;
    node->dirty = 1;
    for (SceneNode* child = node->firstChild; child; child = child->nextSibling) markSubtree(child);
}
} // namespace

void markDirty(SceneNode* node) {
    if (node == nullptr || node->dirty == 1) return;
    markSubtree(node);
    markAncestors(node);
}

void updateLocalMatrices(Scene* scene) {
    EntityList* list = scene->entities;
    for (int32_t i = 0; i < list->count; ++i) {
        Entity& e = list->items[i];
        if (e.changed != 1) continue;
        e.node->local =
            multiplyMatrices(translationMatrix(e.position.x, e.position.y, e.position.z),
                             matrixFromQuaternion(e.rotation));
        markDirty(e.node);
        e.changed = 0;
    }
}

void updateNode(SceneNode* node) {
    if (node->dirty != 1 && node->boundsDirty != 1) return;
    if (node->dirty == 1) {
        node->parentWorld = identityMatrix();
        if (node->parent != nullptr)
            node->parentWorld = multiplyMatrices(node->parent->parentWorld, node->parent->local);
    }
    BoundingBox box =
        transformBox(node->localBounds, multiplyMatrices(node->parentWorld, node->local));
    if (node->firstChild == nullptr) box = mergeBoxes(box, box); // the oriented box's hull
    // Each child is brought up to date and merged in one walk of the child list; a child's box
    // depends only on its own subtree, so the merges see the same boxes in the same order as
    // updating every child first would.
    for (SceneNode* child = node->firstChild; child; child = child->nextSibling) {
        if (child->dirty == 1 || child->boundsDirty == 1) updateNode(child);
        box = mergeBoxes(box, child->worldBounds);
    }
    node->worldBounds = box;
    node->dirty = 0;
    node->boundsDirty = 0;
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

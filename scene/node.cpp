// The node hierarchy and the transform update. A dirty node has its whole subtree flagged, so
// every world matrix and box is current after an update whatever was written before it, while
// clean subtrees are skipped; ancestors of a dirty node only merge their boxes again.
#include "scene/node.h"

#include <cstdlib>

#include "core/alloc.h"
#include "core/list.h"

SceneNode* createNode(int32_t entityIndex, BoundingBox localBounds) {
    auto* node = static_cast<SceneNode*>(allocZeroed(1, sizeof(SceneNode), "a scene node"));
    node->entityIndex = entityIndex;
    node->dirty = 1;
    node->local = identityMatrix();
    node->parentWorld = identityMatrix();
    node->localBounds = localBounds;
    node->worldBounds = localBounds;
    return node;
}

void freeNode(SceneNode* node) {
    if (node == nullptr) return;
    std::free(node->children.nodes);
    std::free(node->children.bounds);
    std::free(node->children.pending);
    std::free(node);
}

namespace {
// Records in the parent's table that this node must be updated; the parent's own flags are the
// caller's business.
void flagInParent(SceneNode* node) {
    if (node->parent != nullptr) node->parent->children.pending[node->slot] = 1;
}

// Flags the ancestors of a node whose box changed, so that their boxes are merged again; stops at
// the first ancestor already flagged, whose own ancestors are flagged too.
void markAncestors(SceneNode* node) {
    for (SceneNode* p = node->parent; p != nullptr && !p->dirty && !p->boundsDirty; p = p->parent) {
        p->boundsDirty = 1;
        flagInParent(p);
    }
}
} // namespace

// A new node arrives dirty, so its ancestors learn of it here rather than in markDirty.
void attachNode(SceneNode* parent, SceneNode* node) {
    ChildTable& table = parent->children;
    node->parent = parent;
    node->nextSibling = nullptr;
    node->slot = table.count;
    if (table.count == 0)
        parent->firstChild = node;
    else
        table.nodes[table.count - 1]->nextSibling = node;
    table.nodes =
        static_cast<SceneNode**>(growListStorage(table.nodes, table.count, sizeof(SceneNode*)));
    table.bounds =
        static_cast<BoxExtremes*>(growListStorage(table.bounds, table.count, sizeof(BoxExtremes)));
    table.pending = static_cast<uint8_t*>(growListStorage(table.pending, table.count, 1));
    table.nodes[table.count] = node;
    table.bounds[table.count] = {}; // written when the new node is first updated
    table.pending[table.count] = 1;
    ++table.count;
    markAncestors(node);
}

namespace {
// Flags a whole subtree. A node already flagged has its subtree flagged too (a node is only
// ever flagged together with its subtree), so the walk stops there.
void markSubtree(SceneNode* node) {
    if (node->dirty == 1) return;
    node->dirty = 1;
    flagInParent(node);
    for (SceneNode* child = node->firstChild; child; child = child->nextSibling) markSubtree(child);
}
} // namespace

void markDirty(SceneNode* node) {
    if (node == nullptr || node->dirty == 1) return;
    markSubtree(node);
    markAncestors(node);
}

void updateNode(SceneNode* node) {
    if (node->dirty != 1 && node->boundsDirty != 1) {
        if (node->parent != nullptr) node->parent->children.pending[node->slot] = 0;
        return;
    }
    if (node->dirty == 1) {
        node->parentWorld = identityMatrix();
        if (node->parent != nullptr)
            node->parentWorld = multiplyMatrices(node->parent->parentWorld, node->parent->local);
    }
    BoundingBox box =
        transformBox(node->localBounds, multiplyMatrices(node->parentWorld, node->local));
    const ChildTable& table = node->children;
    if (table.count == 0) {
        box = mergeBoxes(box, box); // the oriented box's hull
    } else {
        // A child's box depends only on its own subtree, so bringing the flagged children up to
        // date first and then merging all boxes in child order gives the same box as merging
        // each child right after its update.
        for (int32_t i = 0; i < table.count; ++i)
            if (table.pending[i] == 1) updateNode(table.nodes[i]);
        // The children's boxes are axis-aligned; the node's own box is too unless it is turned.
        int32_t first = 0;
        if (!isAxisAligned(box)) box = mergeBoxes(box, table.nodes[first++]->worldBounds);
        box = mergeBoxList(box, table.bounds + first, table.count - first);
    }
    node->worldBounds = box;
    node->dirty = 0;
    node->boundsDirty = 0;
    if (node->parent != nullptr) {
        ChildTable& siblings = node->parent->children;
        siblings.bounds[node->slot] = extremesOf(box);
        siblings.pending[node->slot] = 0;
    }
}

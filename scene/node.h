// The node hierarchy that mirrors the entity list: parent/child structure, local and
// parent-to-world matrices (row-major) and boxes in the entity's frame and in world space. A node
// knows its entity by index only; the scene (scene/scene.h) writes the local matrices and runs
// the update from the root. No GL here.
#pragma once

#include "core/math.h"

struct SceneNode;

// A node's children in child order, kept side by side for the box merge: a parent whose children
// mostly did not move merges their boxes from one array instead of visiting every child's record.
// The three arrays grow as the engine's lists do (growListStorage: doubling, capacity implied by
// count), so hanging a million children under one group costs linear time.
struct ChildTable {
    int32_t count;
    SceneNode** nodes;
    BoxExtremes* bounds; // the extremes of each child's worldBounds as of its last update
    uint8_t* pending;    // 1: the child is dirty or boundsDirty (so it must be updated)
};

struct SceneNode {
    int32_t entityIndex; // index into the entity list, never a pointer into it
    SceneNode* parent;
    SceneNode* nextSibling;
    SceneNode* firstChild;
    // 1: this node and its whole subtree must be recomputed at the next update.
    int32_t dirty;
    // 1: some descendant is dirty, so this node's worldBounds must be merged again, although
    // its own matrices are still current. Beside dirty so one cache line answers both.
    int32_t boundsDirty;
    Matrix44 local;       // translation(position) x rotation; no scale
    Matrix44 parentWorld; // parent's frame to world: parent.parentWorld x parent.local
    BoundingBox localBounds;
    BoundingBox worldBounds; // axis-aligned, encloses this node's box and all descendants'
    int32_t slot;            // this node's place in its parent's ChildTable
    ChildTable children;     // the same children as the firstChild/nextSibling list
};

// A dirty node for entity `entityIndex`, whose box in its own frame is `localBounds`.
SceneNode* createNode(int32_t entityIndex, BoundingBox localBounds);
// Frees the node and its child table, not the children it names (each is freed as its own
// entity's node); null is ignored.
void freeNode(SceneNode* node);
void attachNode(SceneNode* parent, SceneNode* node);
// Flags the node's whole subtree for recomputation and its ancestors for a new box merge.
void markDirty(SceneNode* node);
// Brings the node's parent-to-world matrix and boxes, and those of its flagged descendants, up
// to date; a node flagged neither dirty nor boundsDirty is left as it is.
void updateNode(SceneNode* node);

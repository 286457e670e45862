// Drawing of the node tree (meshes with their materials), particle billboards and bounding
// boxes. All of these issue GL calls and expect the state renderScene sets up.
#pragma once

#include "core/math.h"
#include "render/records.h"
#include "scene/scene.h"

struct Resources;

void drawNode(const SceneNode* node, const EntityList* entities, Resources* resources);
void applyMaterial(Resources* resources, const Material& material);
void drawMesh(int32_t meshIndex, Resources* resources);
void drawParticleSystem(int32_t systemIndex, Matrix44 view, Resources* resources);
void drawBounds(const SceneNode* node);
void drawBox(BoundingBox box, Colour colour);

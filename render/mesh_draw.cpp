// Drawing of the node tree: local matrices accumulate on the modelview stack, and each visible
// OBJECT draws its mesh from interleaved client arrays with its own material copy. Reads the
// scene and the resources, writes nothing but GL state.
#include <GL/gl.h>

#include "render/draw.h"
#include "texture/registry.h"

namespace {

void drawNodeWithin(const SceneNode* node, const EntityList* entities, Resources* resources,
                    int freeStackSlots) {
    // Past the depth of the GL matrix stack a push would fail silently and the matching pop
    // would then take the caller's matrix: deep hierarchies save and restore on the CPU instead.
    const bool onStack = freeStackSlots > 0;
    GLfloat saved[16];
    if (onStack) {
        glPushMatrix();
    } else {
        glGetFloatv(GL_MODELVIEW_MATRIX, saved);
    }
    Matrix44 local = node->local;
    transposeMatrix(&local);
    glMultMatrixf(local.m);
    if (entities != nullptr && node->entityIndex >= 0 && node->entityIndex < entities->count) {
        const Entity& entity = entities->items[node->entityIndex];
        if (entity.entityType == EntityType::OBJECT && entity.visible == 1) {
            glEnable(GL_TEXTURE_2D);
            glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            applyMaterial(resources, entity.material);
            drawMesh(entity.link, resources);
            glDisable(GL_TEXTURE_2D);
        }
    }
    for (const SceneNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        drawNodeWithin(child, entities, resources, onStack ? freeStackSlots - 1 : 0);
    }
    if (onStack) {
        glPopMatrix();
    } else {
        glLoadMatrixf(saved);
    }
}

} // namespace

void drawNode(const SceneNode* node, const EntityList* entities, Resources* resources) {
    if (node == nullptr) return;
    GLint depth = 0;
    GLint maxDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
    drawNodeWithin(node, entities, resources, maxDepth - depth);
}

void applyMaterial(Resources* resources, const Material& material) {
    static_assert(sizeof(Colour) == 4 * sizeof(GLfloat), "colours are handed to GL as 4 floats");
    glMaterialfv(GL_FRONT, GL_AMBIENT, &material.ambient.r);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, &material.diffuse.r);
    glMaterialfv(GL_FRONT, GL_EMISSION, &material.emission.r);
    glMaterialfv(GL_FRONT, GL_SPECULAR, &material.specular.r);
    glMaterialfv(GL_FRONT, GL_SHININESS, &material.shininess);
    bindTexture(resources, material.textureId);
}

void drawMesh(int32_t meshIndex, Resources* resources) {
    const MeshList& meshes = resources->meshes;
    // An index past the list draws the first mesh; with no mesh at all, or a negative index,
    // there is nothing sound to draw.
    if (meshes.count <= 0 || meshes.items == nullptr || meshIndex < 0) return;
    if (meshIndex >= meshes.count) meshIndex = 0;
    const Mesh& mesh = meshes.items[meshIndex];
    if (mesh.vertices == nullptr || mesh.indices == nullptr || mesh.indexCount <= 0) return;
    const char* base = reinterpret_cast<const char*>(mesh.vertices);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), base);
    glNormalPointer(GL_FLOAT, sizeof(Vertex), base + 12);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), base + 24);
    glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, mesh.indices);
}

// The 3D front end: walks the dynamic textures, the lights, the node tree, the world boxes and the
// particle systems into FrameRecords. Reads the scene and the resources; writes nothing but the
// records (and the scene camera's axes). No GL call. Matrices are row-major throughout.
#include "render/frame.h"

#include "core/camera.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/registry.h"

namespace {

int32_t count(size_t size) {
    return static_cast<int32_t>(size);
}

void addStep(FrameRecords* frame, int32_t kind, int32_t index) {
    frame->steps.push_back({kind, index});
}

void addProjection(FrameRecords* frame, ProjectionRecord projection) {
    addStep(frame, StepKind::PROJECTION, count(frame->projections.size()));
    frame->projections.push_back(projection);
}

MaterialRecord materialRecord(const Resources* resources, const Material& m) {
    return {m.ambient,  m.diffuse,   m.emission,
            m.specular, m.shininess, resolveTexture(resources, m.textureId)};
}

// An index past the list draws the first mesh; with no mesh at all, a negative index or a mesh
// without geometry there is nothing sound to draw.
int32_t resolveMesh(const Resources* resources, int32_t index) {
    const MeshList& meshes = resources->meshes;
    if (meshes.count <= 0 || meshes.items == nullptr || index < 0) return -1;
    if (index >= meshes.count) index = 0;
    const Mesh& mesh = meshes.items[index];
    if (mesh.vertices == nullptr || mesh.indices == nullptr || mesh.indexCount <= 0) return -1;
    return index;
}

// Depth first, parent before children; `above` is the product of the ancestors' locals.
void recordNode(FrameRecords* frame, const SceneNode* node, const EntityList* entities,
                const Resources* resources, Matrix44 above, int32_t depth) {
    const Matrix44 model = multiplyMatrices(above, node->local);
    int32_t object = -1;
    if (entities != nullptr && node->entityIndex >= 0 && node->entityIndex < entities->count) {
        const Entity& entity = entities->items[node->entityIndex];
        if (entity.entityType == EntityType::OBJECT && entity.visible == 1) {
            object = count(frame->objects.size());
            frame->objects.push_back({model, materialRecord(resources, entity.material),
                                      resolveMesh(resources, entity.link)});
        }
    }
    frame->nodes.push_back({NodeStepKind::ENTER, depth, node->local, object});
    for (const SceneNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        recordNode(frame, child, entities, resources, model, depth + 1);
    }
    frame->nodes.push_back({NodeStepKind::LEAVE, depth, Matrix44{}, -1});
}

Float3 corner(BoundingBox box, float p, float q, float r) {
    const Float3& c = box.centre;
    return {c.x + p * box.axis0.x + q * box.axis1.x + r * box.axis2.x,
            c.y + p * box.axis0.y + q * box.axis1.y + r * box.axis2.y,
            c.z + p * box.axis0.z + q * box.axis1.z + r * box.axis2.z};
}

void recordBoxes(FrameRecords* frame, const SceneNode* node) {
    if (node == nullptr) return;
    Colour colour;
    setColour(&colour, 1.0f, 1.0f, 1.0f, 0.5f);
    const BoundingBox& b = node->worldBounds;
    frame->boxes.push_back({{corner(b, +1, +1, +1), corner(b, -1, +1, +1), corner(b, -1, +1, -1),
                             corner(b, +1, +1, -1), corner(b, +1, -1, +1), corner(b, -1, -1, +1),
                             corner(b, -1, -1, -1), corner(b, +1, -1, -1)},
                            colour});
    for (const SceneNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        recordBoxes(frame, child);
    }
}

// The live particles of one system as eye-space billboards along the eye's X and Y axes: a
// point, the lower-left half of the square, or the whole square, of side `size`.
void recordParticles(FrameRecords* frame, const ParticleSystem& system, Matrix44 view,
                     const Resources* resources) {
    const float h = system.size * 0.5f;
    ParticleBatch batch{};
    batch.blend = system.blendType == BlendType::SATURATE ? BlendMode::ADDITIVE : BlendMode::ALPHA;
    batch.pointSize = h;
    batch.texture = NO_TEXTURE;
    switch (system.displayType) {
    case DisplayType::POINT:
        batch.shape = ParticleShape::POINTS;
        break;
    case DisplayType::TRIANGLE:
        batch.shape = ParticleShape::TRIANGLES;
        break;
    case DisplayType::QUAD:
        batch.shape = ParticleShape::QUADS;
        batch.texture = resolveTexture(resources, system.textureId);
        break;
    default:
        batch.shape = ParticleShape::NOTHING;
        break;
    }
    std::vector<ParticleVertex>& out = frame->particleVertices;
    batch.firstVertex = count(out.size());
    if (system.particles != nullptr && batch.shape != ParticleShape::NOTHING) {
        for (int32_t j = 0; j < system.count; ++j) {
            const Particle& particle = system.particles[j];
            if (particle.dead != 0) continue;
            const Float3 e = transformPoint(view, particle.position);
            const Colour c = particle.colour;
            switch (batch.shape) {
            case ParticleShape::POINTS:
                out.push_back({e, {0, 0}, c});
                break;
            case ParticleShape::TRIANGLES:
                out.push_back({{e.x - h, e.y - h, e.z}, {0, 0}, c});
                out.push_back({{e.x + h, e.y - h, e.z}, {1, 0}, c});
                out.push_back({{e.x - h, e.y + h, e.z}, {0, 1}, c});
                break;
            default:
                out.push_back({{e.x - h, e.y - h, e.z}, {0, 0}, c});
                out.push_back({{e.x + h, e.y - h, e.z}, {1, 0}, c});
                out.push_back({{e.x + h, e.y + h, e.z}, {1, 1}, c});
                out.push_back({{e.x - h, e.y + h, e.z}, {0, 1}, c});
                break;
            }
        }
    }
    batch.vertexCount = count(out.size()) - batch.firstVertex;
    frame->batches.push_back(batch);
}

} // namespace

double windowAspect(int width, int height, double fallback) {
    if (width <= 0 || height <= 0) return fallback;
    return static_cast<double>(width) / static_cast<double>(height);
}

int32_t resolveTexture(const Resources* resources, int32_t index) {
    if (resources == nullptr || resources->textures.count <= 0) return NO_TEXTURE;
    return index >= 0 && index < resources->textures.count ? index : 0;
}

void recordScenePass(FrameRecords* frame, const Scene* scene, Matrix44 view,
                     const Resources* resources) {
    ScenePassRecord pass{};
    pass.view = view;

    pass.firstLight = count(frame->lights.size());
    const IndexList lights = entitiesOfType(scene, EntityType::LIGHT);
    setColour(&pass.ambient, 0, 0, 0, 0);
    for (int32_t i = 0; i < lights.count && i < MAX_LIGHTS; ++i) {
        LightInfo light;
        getLightInfo(scene, lights.items[i], &light);
        const Float3 p = light.position;
        frame->lights.push_back(
            {{p.x, p.y, p.z, 1.0f}, light.material.diffuse, light.material.specular, view});
        const Colour& add = light.material.ambient;
        addColour(&pass.ambient, add.r, add.g, add.b, add.a);
    }
    pass.lightCount = count(frame->lights.size()) - pass.firstLight;

    const SceneNode* root = scene->nodeTree != nullptr ? scene->nodeTree->root : nullptr;
    pass.firstNode = count(frame->nodes.size());
    if (root != nullptr) recordNode(frame, root, scene->entities, resources, identityMatrix(), 0);
    pass.nodeCount = count(frame->nodes.size()) - pass.firstNode;

    pass.firstBox = count(frame->boxes.size());
    if (resources->drawBoundings == 1) recordBoxes(frame, root);
    pass.boxCount = count(frame->boxes.size()) - pass.firstBox;

    pass.firstBatch = count(frame->batches.size());
    const IndexList emitters = entitiesOfType(scene, EntityType::PARTICLE);
    for (int32_t i = 0; i < emitters.count; ++i) {
        const ParticleSystem* system =
            getParticleSystem(resources, getEntityLink(scene, emitters.items[i]));
        if (system != nullptr) recordParticles(frame, *system, view, resources);
    }
    pass.batchCount = count(frame->batches.size()) - pass.firstBatch;

    addStep(frame, StepKind::SCENE_PASS, count(frame->passes.size()));
    frame->passes.push_back(pass);
}

void recordFrame(FrameRecords* frame, Scene* scene, const Resources* resources, int windowWidth,
                 int windowHeight) {
    // One pass per DYNAMIC texture, in registry order, through its camera entity; a link that
    // resolved to nothing is the root group, whose world matrix is the identity.
    const TextureRegistry& registry = resources->textures;
    const int32_t entityCount = getEntityCount(scene);
    bool dynamicPasses = false;
    for (int32_t i = 0; i < registry.count; ++i) {
        const Texture& entry = registry.entries[i];
        if (entry.textureType != TextureType::DYNAMIC) continue;
        if (!dynamicPasses) {
            dynamicPasses = true;
            // Reading pixels outside a window too small for the texture gives undefined content.
            if (windowWidth < DYNAMIC_TEXTURE_SIZE || windowHeight < DYNAMIC_TEXTURE_SIZE) {
                addStep(frame, StepKind::OFFSCREEN_BEGIN, 0);
            }
            addProjection(
                frame, {0, 0, DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE, 60.0, 1.0, 0.1, 100.0});
        }
        int32_t camera = entry.linkEntity;
        if (camera < 0 || camera >= entityCount) camera = 0;
        recordScenePass(frame, scene, viewFromWorldMatrix(getEntityWorldMatrix(scene, camera)),
                        resources);
        addStep(frame, StepKind::COPY_TO_TEXTURE, i);
    }
    if (dynamicPasses &&
        (windowWidth < DYNAMIC_TEXTURE_SIZE || windowHeight < DYNAMIC_TEXTURE_SIZE)) {
        addStep(frame, StepKind::OFFSCREEN_END, 0);
    }

    frame->sceneAspect = windowAspect(windowWidth, windowHeight, frame->sceneAspect);
    addProjection(frame,
                  {0, 0, windowWidth > 0 ? windowWidth : 0, windowHeight > 0 ? windowHeight : 0,
                   60.0, frame->sceneAspect, 0.1, 1000.0});
    recordScenePass(frame, scene, viewMatrix(&scene->camera), resources);
}

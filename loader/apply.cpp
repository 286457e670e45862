// Turns a SceneDescription into entities, keyframers, forces, HUD panels and buttons, particle
// systems, meshes and textures. Names are resolved here, once: by first match, "None" meaning no
// reference, and a name that matches nothing giving index 0 (or a zero-filled material).
// Calls loadTexture, so a GL context must be current.
#include "loader/apply.h"

#include "hud/actions.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/registry.h"

#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Names to the index of the first record with that name, built once per load so that each
// lookup costs the same however many names the file defines. Keys view names held by the
// description or the material table, which outlive the table.
using NameTable = std::unordered_map<std::string_view, int32_t>;

std::string_view nameView(const char (&text)[NAME_SIZE]) {
    return {text, strnlen(text, NAME_SIZE)};
}

// Keeps the first index a name is given, as a walk from the front would find.
void addName(NameTable* table, const char (&name)[NAME_SIZE], int32_t index) {
    table->try_emplace(nameView(name), index);
}

// "None" and a name that matches nothing give `missing`.
int32_t findByName(const NameTable& table, const Word& name, int32_t missing) {
    if (wordEquals(name, "None")) return missing;
    const auto found = table.find(nameView(name.text));
    return found == table.end() ? missing : found->second;
}

int32_t loadTextureRef(Resources* resources, const TextureRef& texture) {
    return loadTexture(resources, texture.file.text, texture.kind, texture.link.text);
}

void applyHud(const HudDescription& d, Hud* hud, Resources* resources) {
    hud->appTime = d.appTime;
    hud->simTime = d.simTime;
    hud->timeColour = d.timeColour;
    for (const BackgroundDescription& b : d.backgrounds) {
        Background background = b.background;
        background.texture = loadTextureRef(resources, b.texture);
        addBackground(hud, background);
    }
    for (const ButtonDescription& b : d.buttons) {
        Button button = b.button;
        button.texture = loadTextureRef(resources, b.texture);
        addButton(hud, button);
    }
}

NameTable applyParticleSystems(const std::vector<ParticleSystemDescription>& list,
                               Resources* resources) {
    NameTable table;
    table.reserve(list.size());
    for (const ParticleSystemDescription& d : list) {
        ParticleSystem* system = createParticleSystem(d.particleType, d.displayType, d.blendType,
                                                      d.lifetime, d.birthRate, d.size);
        setParticleSystemOff(system, d.off);
        setParticleTexture(system, loadTextureRef(resources, d.texture));
        setParticleColours(system, d.minColour, d.maxColour);
        setParticleMasses(system, d.minMass, d.maxMass);
        setParticleSpeeds(system, d.minSpeed, d.maxSpeed);
        addName(&table, d.name.text, addParticleSystem(resources, system));
    }
    return table;
}

std::vector<Material> applyMaterials(const std::vector<MaterialDescription>& list,
                                     Resources* resources) {
    std::vector<Material> table;
    table.reserve(list.size());
    for (const MaterialDescription& d : list) {
        Material material = d.material;
        material.textureId = loadTextureRef(resources, d.texture);
        table.push_back(material);
    }
    return table;
}

// With `release` (the same list, owned by a description being consumed) each mesh's arrays are
// freed as soon as the mesh list holds its copy, so only one mesh exists twice at a time.
NameTable applyMeshes(const std::vector<MeshDescription>& list,
                      std::vector<MeshDescription>* release, Resources* resources) {
    NameTable table;
    table.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const MeshDescription& d = list[i];
        Mesh mesh{};
        std::memcpy(mesh.name, d.name.text, NAME_SIZE);
        mesh.vertexCount = static_cast<int32_t>(d.vertices.size());
        mesh.vertices = const_cast<Vertex*>(d.vertices.data());
        mesh.indexCount = static_cast<int32_t>(d.indices.size());
        mesh.indices = const_cast<uint32_t*>(d.indices.data());
        mesh.bounds = d.bounds;
        addName(&table, d.name.text, addMesh(resources, mesh)); // addMesh copies both arrays
        if (release) {
            (*release)[i].vertices = std::vector<Vertex>();
            (*release)[i].indices = std::vector<uint32_t>();
        }
    }
    return table;
}

// Zero-filled when the word is "None" or names no material.
Material findMaterial(const std::vector<Material>& materials, const NameTable& names,
                      const Word& name) {
    const int32_t found = findByName(names, name, -1);
    return found < 0 ? Material{} : materials[static_cast<size_t>(found)];
}

void applyKeyframers(const SceneDescription& d, const EntityDescription& e, int32_t entity,
                     KeyframerList* keyframers, Resources* resources) {
    std::vector<Keyframer*> made;
    made.reserve(static_cast<size_t>(e.keyframerCount));
    for (int32_t k = 0; k < e.keyframerCount; ++k) {
        const KeyframerDescription& kd = d.keyframers[static_cast<size_t>(e.firstKeyframer + k)];
        Keyframer* keyframer = createKeyframer(kd.keyframeType);
        for (int32_t i = 0; i < kd.keyCount; ++i) {
            const KeyDescription& key = d.keys[static_cast<size_t>(kd.firstKey + i)];
            const float* v = key.values;
            if (kd.keyframeType == KeyframeType::POSITION) {
                addPositionKey(keyframer, Float3{v[0], v[1], v[2]}, key.time);
            } else if (kd.keyframeType == KeyframeType::ROTATION) {
                addRotationKey(keyframer, quaternionFromAxisAngle(v[0], v[1], v[2], v[3]),
                               key.time);
            } else {
                Material material = key.material;
                material.textureId = loadTextureRef(resources, key.texture);
                addMaterialKey(keyframer, material, key.time);
            }
        }
        made.push_back(keyframer);
    }
    for (Keyframer* keyframer : made) {
        keyframer->entity = entity;
        appendPointer(keyframers, keyframer);
    }
}

void applyEntities(const SceneDescription& d, const std::vector<Material>& materials,
                   const NameTable& meshes, const NameTable& systems, Scene* scene,
                   KeyframerList* keyframers, Resources* resources) {
    NameTable materialNames;
    materialNames.reserve(materials.size());
    for (size_t k = 0; k < materials.size(); ++k)
        addName(&materialNames, materials[k].name, static_cast<int32_t>(k));
    std::vector<int32_t> sceneIndex(d.entities.size(), 0);
    for (size_t i = 0; i < d.entities.size(); ++i) {
        const EntityDescription& ed = d.entities[i];
        Entity e{};
        std::memcpy(e.name, ed.name.text, NAME_SIZE);
        e.entityType = ed.entityType;
        e.type = ed.type;
        e.position = ed.position;
        e.rotation = quaternionFromAxisAngle(ed.rotationAngle, ed.rotationAxis.x, ed.rotationAxis.y,
                                             ed.rotationAxis.z);
        e.material = findMaterial(materials, materialNames, ed.material);
        if (ed.entityType == EntityType::OBJECT) {
            e.link = findByName(meshes, ed.link, 0);
            e.bounds = getMeshBounds(&resources->meshes, e.link); // zero when there is no mesh
        } else if (ed.entityType == EntityType::PARTICLE) {
            e.link = findByName(systems, ed.link, 0);
        }
        e.mass = ed.mass;
        e.velocity = ed.velocity;
        e.acceleration = ed.acceleration;
        e.visible = 1;
        e.changed = 1;
        int32_t parent = ed.parent < 0 ? 0 : sceneIndex[static_cast<size_t>(ed.parent)];
        sceneIndex[i] = addEntity(scene, e, parent);
        applyKeyframers(d, ed, sceneIndex[i], keyframers, resources);
    }
}

void applyAll(const SceneDescription& d, std::vector<MeshDescription>* releaseMeshes, Scene* scene,
              KeyframerList* keyframers, ForceList* forces, Hud* hud, Resources* resources) {
    applyHud(d.hud, hud, resources);
    for (const Force& force : d.forces) appendRecord(forces, force);
    const NameTable systems = applyParticleSystems(d.particleSystems, resources);
    const std::vector<Material> materials = applyMaterials(d.materials, resources);
    const NameTable meshes = applyMeshes(d.meshes, releaseMeshes, resources);
    applyEntities(d, materials, meshes, systems, scene, keyframers, resources);
    setSceneCamera(scene, findEntityByName(scene, d.sceneCamera.text));
    resolveTextureLinks(resources, scene);
    resolveButtons(hud);
}

} // namespace

void applySceneDescription(const SceneDescription& d, Scene* scene, KeyframerList* keyframers,
                           ForceList* forces, Hud* hud, Resources* resources) {
    applyAll(d, nullptr, scene, keyframers, forces, hud, resources);
}

void applySceneDescription(SceneDescription&& d, Scene* scene, KeyframerList* keyframers,
                           ForceList* forces, Hud* hud, Resources* resources) {
    applyAll(d, &d.meshes, scene, keyframers, forces, hud, resources);
}

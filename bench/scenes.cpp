// Builds the benchmark scenes as plain data and writes them in the scene file format. Shapes are
// made here once so the scene files and the reference renderer hold identical geometry.
#include "bench/scenes.h"

#include "anim/keyframe.h"
#include "loader/vocabulary.h"
#include "loader/write_records.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "texture/registry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace bench {

namespace {

constexpr float PI = 3.14159265f;

BenchMaterial plainMaterial(const std::string& name, Colour diffuse) {
    BenchMaterial m;
    m.name = name;
    m.emission = {0, 0, 0, 1};
    m.ambient = {diffuse.r * 0.3f, diffuse.g * 0.3f, diffuse.b * 0.3f, 1};
    m.diffuse = diffuse;
    m.specular = {0.4f, 0.4f, 0.4f, 1};
    m.shininess = 24;
    m.dynamic = false;
    m.texture = "None";
    return m;
}

BenchEntity entity(const std::string& kind, const std::string& motion, const std::string& name,
                   Float3 position) {
    BenchEntity e;
    e.kind = kind;
    e.motion = motion;
    e.name = name;
    e.position = position;
    e.angle = 0;
    e.axis = {0, 1, 0};
    e.velocity = {0, 0, 0};
    e.link = "None";
    e.material = "None";
    e.mass = 1;
    return e;
}

int32_t addChild(BenchScene* scene, int32_t parent, BenchEntity e) {
    scene->entities.push_back(std::move(e));
    int32_t index = static_cast<int32_t>(scene->entities.size()) - 1;
    if (parent >= 0) scene->entities[parent].children.push_back(index);
    return index;
}

// The HUD every benchmark scene carries: two panels, one button, and the two read-outs.
void addHud(BenchScene* scene, const std::string& buttonLink) {
    scene->panels.push_back(
        {{1, 1, 1, 0.6f}, "panel.tga", {-1.3f, -1.0f}, {-0.6f, -0.6f}, false, "", ""});
    scene->panels.push_back(
        {{0.8f, 0.9f, 1, 0.5f}, "panel.tga", {0.7f, 0.6f}, {1.3f, 1.0f}, false, "", ""});
    scene->panels.push_back({{1, 1, 1, 1},
                             "panel.tga",
                             {-1.2f, -0.95f},
                             {-1.0f, -0.75f},
                             true,
                             "ENTITYMOVE",
                             buttonLink});
    scene->files.push_back({"panel.tga", spotTga(64)});
}

// Eight lights spread over the front of the scene; their ambients add up to a dim fill.
void addLights(BenchScene* scene, int32_t parent, int count, float depth) {
    for (int i = 0; i < count; ++i) {
        const float x = -30.0f + 60.0f * static_cast<float>(i % 4) / 3.0f;
        const float y = i < 4 ? 15.0f : -15.0f;
        std::string material = "Lamp" + std::to_string(i);
        BenchMaterial m = plainMaterial(material, {0.35f, 0.33f, 0.3f, 1});
        m.ambient = {0.03f, 0.03f, 0.03f, 1};
        m.specular = {0.3f, 0.3f, 0.3f, 1};
        scene->materials.push_back(m);
        BenchEntity light = entity("LIGHT", "STATIC", "Light" + std::to_string(i), {x, y, depth});
        light.material = material;
        addChild(scene, parent, light);
    }
}

int32_t addWorld(BenchScene* scene, Float3 eye) {
    int32_t world = addChild(scene, -1, entity("GROUP", "STATIC", "World", {0, 0, 0}));
    addChild(scene, world, entity("CAMERA", "STATIC", "Eye", eye));
    scene->camera = "Eye";
    return world;
}

const Colour PALETTE[4] = {
    {0.9f, 0.3f, 0.2f, 1}, {0.2f, 0.7f, 0.3f, 1}, {0.25f, 0.4f, 0.9f, 1}, {0.9f, 0.8f, 0.2f, 1}};

void addPaletteMaterials(BenchScene* scene) {
    for (int i = 0; i < 4; ++i)
        scene->materials.push_back(plainMaterial("Paint" + std::to_string(i), PALETTE[i]));
}

void makeCubes(BenchScene* scene) {
    addHud(scene, "Row0");
    addPaletteMaterials(scene);
    scene->meshes.push_back(cubeMesh("Cube"));
    int32_t world = addWorld(scene, {0, 0, 0});
    addLights(scene, world, 8, -40);
    // 25 rows of 40 cubes filling the view at 60 units.
    for (int row = 0; row < 25; ++row) {
        const float y = (static_cast<float>(row) - 12.0f) * 2.3f;
        int32_t group = addChild(
            scene, world, entity("GROUP", "STATIC", "Row" + std::to_string(row), {0, y, -60}));
        for (int col = 0; col < 40; ++col) {
            const float x = (static_cast<float>(col) - 19.5f) * 2.3f;
            BenchEntity cube =
                entity("OBJECT", "STATIC", "C" + std::to_string(row) + "_" + std::to_string(col),
                       {x, 0, 0});
            cube.angle = static_cast<float>((row * 40 + col) % 90);
            cube.axis = {0.3f, 1, 0.2f};
            cube.link = "Cube";
            cube.material = "Paint" + std::to_string((row + col) % 4);
            addChild(scene, group, cube);
        }
    }
}

void makeSpheres(BenchScene* scene) {
    addHud(scene, "Ball0");
    addPaletteMaterials(scene);
    scene->meshes.push_back(sphereMesh("Ball", 40, 50));
    int32_t world = addWorld(scene, {0, 0, 0});
    addLights(scene, world, 2, -20);
    for (int i = 0; i < 50; ++i) {
        const float x = (static_cast<float>(i % 10) - 4.5f) * 6.0f;
        const float y = (static_cast<float>(i / 10) - 2.0f) * 6.0f;
        BenchEntity ball = entity("OBJECT", "STATIC", "Ball" + std::to_string(i), {x, y, -45});
        ball.link = "Ball";
        ball.material = "Paint" + std::to_string(i % 4);
        addChild(scene, world, ball);
    }
}

void makeParticles(BenchScene* scene) {
    addHud(scene, "Emitter0");
    scene->gravity = {0, -1.0f, 0};
    scene->files.push_back({"spot.tga", spotTga(32)});
    for (int i = 0; i < 20; ++i) {
        BenchParticleSystem s;
        s.name = "Spray" + std::to_string(i);
        s.displayType = "QUAD";
        s.blendType = i % 2 ? "BLEND" : "SATURATE";
        s.birthRate = 500;
        s.lifetime = 2;
        s.size = 0.4f;
        s.texture = "spot.tga";
        s.minColour = {1, 0.9f, 0.6f, 0.8f};
        s.maxColour = {0.4f, 0.3f, 0.9f, 0.0f};
        s.minMass = 0.5f;
        s.maxMass = 1.5f;
        s.minSpeed = 0.5f;
        s.maxSpeed = 2.0f;
        scene->systems.push_back(s);
    }
    int32_t world = addWorld(scene, {0, 0, 0});
    addLights(scene, world, 1, -20);
    for (int i = 0; i < 20; ++i) {
        const float x = (static_cast<float>(i % 5) - 2.0f) * 8.0f;
        const float y = (static_cast<float>(i / 5) - 1.5f) * 7.0f;
        BenchEntity emitter =
            entity("PARTICLE", "STATIC", "Emitter" + std::to_string(i), {x, y, -35});
        emitter.link = "Spray" + std::to_string(i);
        addChild(scene, world, emitter);
    }
}

void makeDynamic(BenchScene* scene) {
    addHud(scene, "Box0");
    for (int i = 0; i < 4; ++i) {
        BenchMaterial m = plainMaterial("Screen" + std::to_string(i), {1, 1, 1, 1});
        m.dynamic = true;
        m.link = "Cam" + std::to_string(i);
        scene->materials.push_back(m);
    }
    scene->meshes.push_back(cubeMesh("Cube"));
    int32_t world = addWorld(scene, {0, 0, 0});
    addLights(scene, world, 2, -20);
    // Four cameras looking at the grid from the front, two of them turned a little.
    for (int i = 0; i < 4; ++i) {
        BenchEntity cam = entity("CAMERA", "STATIC", "Cam" + std::to_string(i),
                                 {-12.0f + 8.0f * static_cast<float>(i), 2, 5});
        cam.angle = static_cast<float>(i % 2 ? 10 : -10);
        addChild(scene, world, cam);
    }
    for (int i = 0; i < 200; ++i) {
        const float x = (static_cast<float>(i % 20) - 9.5f) * 3.0f;
        const float y = (static_cast<float>(i / 20) - 4.5f) * 3.0f;
        BenchEntity cube = entity("OBJECT", "STATIC", "Box" + std::to_string(i), {x, y, -40});
        cube.angle = static_cast<float>(i % 60);
        cube.axis = {1, 1, 0};
        cube.link = "Cube";
        cube.material = "Screen" + std::to_string(i % 4);
        addChild(scene, world, cube);
    }
}

void makeLoad(BenchScene* scene, double megabytes) {
    addHud(scene, "Thing0");
    scene->gravity = {0, -9.8f, 0};
    scene->files.push_back({"spot.tga", spotTga(32)});
    addPaletteMaterials(scene);
    for (int i = 0; i < 3; ++i) {
        BenchMaterial m = plainMaterial("Screen" + std::to_string(i), {1, 1, 1, 1});
        m.dynamic = true;
        m.link = "Cam" + std::to_string(i);
        scene->materials.push_back(m);
    }
    for (int i = 0; i < 10; ++i) {
        BenchParticleSystem s;
        s.name = "Fountain" + std::to_string(i);
        s.displayType = i % 3 == 0 ? "POINT" : "QUAD";
        s.blendType = "BLEND";
        s.birthRate = 200;
        s.lifetime = 3;
        s.size = 0.3f;
        s.texture = "spot.tga";
        s.minColour = {1, 1, 1, 1};
        s.maxColour = {0.2f, 0.2f, 1, 0};
        s.minMass = 1;
        s.maxMass = 2;
        s.minSpeed = 1;
        s.maxSpeed = 4;
        scene->systems.push_back(s);
    }
    // About 138 bytes of text per grid vertex (its line and two triangle lines).
    const int side = static_cast<int>(std::sqrt(megabytes * 1e6 / 138.0));
    scene->meshes.push_back(gridMesh("Terrain", side < 2 ? 2 : side));
    scene->meshes.push_back(cubeMesh("Cube"));
    int32_t world = addWorld(scene, {0, 20, 60});
    addLights(scene, world, 8, 0);
    BenchEntity terrain = entity("OBJECT", "STATIC", "Terrain", {0, -10, 0});
    terrain.link = "Terrain";
    terrain.material = "Paint1";
    addChild(scene, world, terrain);
    for (int i = 0; i < 3; ++i) {
        addChild(scene, world,
                 entity("CAMERA", "STATIC", "Cam" + std::to_string(i),
                        {static_cast<float>(i) * 10.0f, 5, 30}));
    }
    for (int i = 0; i < 10; ++i) {
        BenchEntity emitter = entity("PARTICLE", "STATIC", "Emitter" + std::to_string(i),
                                     {static_cast<float>(i) * 4.0f - 18.0f, 0, 0});
        emitter.link = "Fountain" + std::to_string(i);
        addChild(scene, world, emitter);
    }
    for (int g = 0; g < 20; ++g) {
        int32_t group = addChild(scene, world,
                                 entity("GROUP", "STATIC", "Flock" + std::to_string(g),
                                        {static_cast<float>(g) * 3.0f - 30.0f, 0, -20}));
        for (int i = 0; i < 100; ++i) {
            BenchEntity thing =
                entity("OBJECT", i % 10 == 0 ? "SIMULATE" : "ANIMATE",
                       "Thing" + std::to_string(g * 100 + i), {0, static_cast<float>(i) * 0.5f, 0});
            thing.link = i % 2 ? "Cube" : "None";
            thing.material =
                i % 7 == 0 ? "Screen" + std::to_string(i % 3) : "Paint" + std::to_string(i % 4);
            thing.velocity = {0, 1, 0};
            if (thing.motion == "ANIMATE") {
                BenchKeyframer move{"POSITION", {}};
                move.keys.push_back({0, {0, 0, 0, 0}});
                move.keys.push_back({2, {1, static_cast<float>(i) * 0.5f, 0, 0}});
                move.keys.push_back({4, {0, 0, 0, 0}});
                BenchKeyframer turn{"ROTATION", {}};
                turn.keys.push_back({0, {0, 0, 1, 0}});
                turn.keys.push_back({4, {359, 0, 1, 0}});
                thing.keyframers.push_back(move);
                thing.keyframers.push_back(turn);
            }
            addChild(scene, group, thing);
        }
    }
}

// `count` lit cubes side by side under one group, sharing one mesh and one material: the scene
// whose load must grow linearly with the number of entities.
void makeMany(BenchScene* scene, int count) {
    addHud(scene, "Cube0");
    addPaletteMaterials(scene);
    scene->meshes.push_back(cubeMesh("Cube"));
    int32_t world = addWorld(scene, {0, 0, 0});
    addLights(scene, world, 8, -40);
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    scene->entities.reserve(scene->entities.size() + static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float x = static_cast<float>(i % side) * 2.5f - 1.25f * static_cast<float>(side);
        const float z = -10.0f - 2.5f * static_cast<float>(i / side);
        BenchEntity cube = entity("OBJECT", "STATIC", "Cube" + std::to_string(i), {x, -3, z});
        cube.link = "Cube";
        cube.material = "Paint0";
        addChild(scene, world, std::move(cube));
    }
}

Word word(const std::string& text) {
    return makeWord(text.c_str());
}

TextureRef staticTexture(const std::string& file) {
    TextureRef t{};
    t.kind = TextureType::STATIC;
    std::snprintf(t.file.text, sizeof t.file.text, "%s", file.c_str());
    return t;
}

TextureRef dynamicTexture(const std::string& camera) {
    TextureRef t = staticTexture(NO_REFERENCE);
    t.kind = TextureType::DYNAMIC;
    t.link = word(camera);
    return t;
}

// The HUD: the two read-outs, then the panels, backgrounds and buttons apart.
void describeHud(const BenchScene& scene, HudDescription* hud) {
    hud->appTime = {-1.3f, 0.9f};
    hud->simTime = {-1.3f, 0.8f};
    hud->timeColour = {0.1f, 0.1f, 0.1f, 1};
    for (const BenchPanel& p : scene.panels) {
        const TextureRef texture = staticTexture(p.texture);
        if (!p.button) {
            hud->backgrounds.push_back({{p.colour, 0, p.min, p.max, {0, 0}, {1, 1}}, texture});
            continue;
        }
        ButtonDescription b{};
        b.button = {p.colour, 0, p.min, p.max, {0, 0}, {1, 1}, nullptr, {}, {}, {0, 0, 1, 0, 0}};
        std::snprintf(b.button.actionName, NAME_SIZE, "%s", p.actionName.c_str());
        std::snprintf(b.button.actionLink, NAME_SIZE, "%s", p.actionLink.c_str());
        b.texture = texture;
        hud->buttons.push_back(b);
    }
}

void describeResources(const BenchScene& scene, SceneDescription* d) {
    d->forces.push_back({ForceType::GRAVITY, scene.gravity});
    for (const BenchParticleSystem& s : scene.systems) {
        ParticleSystemDescription p{};
        p.name = word(s.name);
        p.particleType = ParticleType::POINT;
        p.displayType = variantCode(DISPLAY_TYPES, s.displayType);
        p.blendType = variantCode(BLEND_TYPES, s.blendType);
        p.birthRate = s.birthRate;
        p.lifetime = s.lifetime;
        p.size = s.size;
        p.texture = staticTexture(s.texture);
        p.minColour = s.minColour;
        p.maxColour = s.maxColour;
        p.minMass = s.minMass;
        p.maxMass = s.maxMass;
        p.minSpeed = s.minSpeed;
        p.maxSpeed = s.maxSpeed;
        d->particleSystems.push_back(p);
    }
    for (const BenchMaterial& m : scene.materials) {
        MaterialDescription md{};
        Material& out = md.material;
        std::snprintf(out.name, NAME_SIZE, "%s", m.name.c_str());
        out.emission = m.emission;
        out.ambient = m.ambient;
        out.diffuse = m.diffuse;
        out.specular = m.specular;
        out.shininess = m.shininess;
        md.texture = m.dynamic ? dynamicTexture(m.link) : staticTexture(m.texture);
        d->materials.push_back(md);
    }
    for (const BenchMesh& mesh : scene.meshes) {
        MeshDescription md{};
        md.name = word(mesh.name);
        md.vertices = mesh.vertices;
        md.indices = mesh.indices;
        d->meshes.push_back(std::move(md));
    }
}

// The entity and, after it, its children: depth-first pre-order, as the file holds them.
void describeEntity(const BenchScene& scene, int32_t index, SceneDescription* d) {
    const BenchEntity& b = scene.entities[static_cast<size_t>(index)];
    EntityDescription e{};
    e.entityType = variantCode(ENTITY_KINDS, b.kind);
    e.type = variantCode(MOTION_TYPES, b.motion);
    e.name = word(b.name);
    e.position = b.position;
    e.rotationAngle = b.angle;
    e.rotationAxis = b.axis;
    e.scale = {1, 1, 1};
    e.velocity = b.velocity;
    e.link = word(b.link);
    e.material = word(b.material);
    e.mass = b.mass;
    e.firstKeyframer = static_cast<int32_t>(d->keyframers.size());
    e.keyframerCount = static_cast<int32_t>(b.keyframers.size());
    e.childCount = static_cast<int32_t>(b.children.size());
    for (const BenchKeyframer& k : b.keyframers) {
        d->keyframers.push_back({variantCode(KEYFRAME_TYPES, k.type),
                                 static_cast<int32_t>(d->keys.size()),
                                 static_cast<int32_t>(k.keys.size())});
        for (const BenchKey& key : k.keys) {
            KeyDescription kd{};
            kd.time = key.time;
            std::copy(std::begin(key.values), std::end(key.values), kd.values);
            d->keys.push_back(kd);
        }
    }
    d->entities.push_back(e);
    for (int32_t child : b.children) describeEntity(scene, child, d);
}

} // namespace

BenchMesh cubeMesh(const std::string& name) {
    BenchMesh mesh;
    mesh.name = name;
    // Six faces of four vertices each, so every face has its own normal.
    const Float3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f) {
        const Float3 n = normals[f];
        // Two axes spanning the face, chosen so the corners wind counter-clockwise seen from n.
        Float3 u = f < 2 ? Float3{0, 1, 0} : Float3{1, 0, 0};
        if (f == 4 || f == 5) u = {1, 0, 0};
        Float3 v = {n.y * u.z - n.z * u.y, n.z * u.x - n.x * u.z, n.x * u.y - n.y * u.x};
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        const uint32_t base = static_cast<uint32_t>(mesh.vertices.size());
        for (const auto& c : corners) {
            Vertex vertex{};
            vertex.position = {n.x + c[0] * u.x + c[1] * v.x, n.y + c[0] * u.y + c[1] * v.y,
                               n.z + c[0] * u.z + c[1] * v.z};
            vertex.normal = n;
            vertex.texCoord = {(c[0] + 1) * 0.5f, (c[1] + 1) * 0.5f};
            mesh.vertices.push_back(vertex);
        }
        for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) mesh.indices.push_back(base + i);
    }
    return mesh;
}

BenchMesh sphereMesh(const std::string& name, int stacks, int slices) {
    BenchMesh mesh;
    mesh.name = name;
    const float radius = 2.5f;
    for (int i = 0; i <= stacks; ++i) {
        const float phi = PI * static_cast<float>(i) / static_cast<float>(stacks);
        for (int j = 0; j <= slices; ++j) {
            const float theta = 2 * PI * static_cast<float>(j) / static_cast<float>(slices);
            const Float3 n = {std::sin(phi) * std::cos(theta), std::cos(phi),
                              -std::sin(phi) * std::sin(theta)};
            Vertex v{};
            v.position = {n.x * radius, n.y * radius, n.z * radius};
            v.normal = n;
            v.texCoord = {static_cast<float>(j) / static_cast<float>(slices),
                          static_cast<float>(i) / static_cast<float>(stacks)};
            mesh.vertices.push_back(v);
        }
    }
    const uint32_t row = static_cast<uint32_t>(slices + 1);
    for (uint32_t i = 0; i < static_cast<uint32_t>(stacks); ++i) {
        for (uint32_t j = 0; j < static_cast<uint32_t>(slices); ++j) {
            const uint32_t a = i * row + j, b = a + row;
            for (uint32_t k : {a, b, a + 1, a + 1, b, b + 1}) mesh.indices.push_back(k);
        }
    }
    return mesh;
}

BenchMesh gridMesh(const std::string& name, int side) {
    BenchMesh mesh;
    mesh.name = name;
    mesh.vertices.reserve(static_cast<size_t>(side) * static_cast<size_t>(side));
    const float scale = 100.0f / static_cast<float>(side - 1);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const float x = static_cast<float>(j) * scale - 50.0f;
            const float z = static_cast<float>(i) * scale - 50.0f;
            Vertex v{};
            v.position = {x, 2.0f * std::sin(x * 0.2f) * std::cos(z * 0.15f), z};
            Float3 n = {-0.4f * std::cos(x * 0.2f) * std::cos(z * 0.15f), 1,
                        0.3f * std::sin(x * 0.2f) * std::sin(z * 0.15f)};
            normaliseFloat3(&n);
            v.normal = n;
            v.texCoord = {static_cast<float>(j) / static_cast<float>(side - 1),
                          static_cast<float>(i) / static_cast<float>(side - 1)};
            mesh.vertices.push_back(v);
        }
    }
    const uint32_t s = static_cast<uint32_t>(side);
    mesh.indices.reserve(static_cast<size_t>(side - 1) * static_cast<size_t>(side - 1) * 6);
    for (uint32_t i = 0; i + 1 < s; ++i) {
        for (uint32_t j = 0; j + 1 < s; ++j) {
            const uint32_t a = i * s + j, b = a + s;
            for (uint32_t k : {a, b, a + 1, a + 1, b, b + 1}) mesh.indices.push_back(k);
        }
    }
    return mesh;
}

std::vector<uint8_t> spotTga(int size) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<uint8_t>(size & 0xFF);
    bytes[13] = static_cast<uint8_t>(size >> 8);
    bytes[14] = static_cast<uint8_t>(size & 0xFF);
    bytes[15] = static_cast<uint8_t>(size >> 8);
    bytes[16] = 32;
    bytes[17] = 8; // eight alpha bits
    const float centre = static_cast<float>(size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (static_cast<float>(x) - centre) / centre;
            const float dy = (static_cast<float>(y) - centre) / centre;
            float a = 1.0f - std::sqrt(dx * dx + dy * dy);
            a = a < 0 ? 0 : a;
            const uint8_t alpha = static_cast<uint8_t>(a * 255.0f);
            // B, G, R, A
            for (uint8_t c : {uint8_t(255), uint8_t(230), uint8_t(200), alpha}) bytes.push_back(c);
        }
    }
    return bytes;
}

bool makeBenchScene(const std::string& name, double megabytes, BenchScene* scene) {
    *scene = BenchScene{};
    scene->gravity = {0, 0, 0};
    if (name == "cubes") {
        makeCubes(scene);
    } else if (name == "spheres") {
        makeSpheres(scene);
    } else if (name == "particles") {
        makeParticles(scene);
    } else if (name == "dynamic") {
        makeDynamic(scene);
    } else if (name == "load") {
        makeLoad(scene, megabytes);
    } else if (name == "many") {
        makeMany(scene, megabytes < 1 ? 1 : static_cast<int>(megabytes));
    } else {
        return false;
    }
    return true;
}

std::string sceneText(const BenchScene& scene) {
    SceneDescription d;
    d.sceneCamera = word(scene.camera);
    describeHud(scene, &d.hud);
    describeResources(scene, &d);
    if (!scene.entities.empty()) describeEntity(scene, 0, &d);
    // Four decimals keep the vertex lines short, as hand-written and exported files are.
    return sceneFileText(d, 4);
}

bool writeBenchScene(const BenchScene& scene, const std::string& folder) {
    auto writeFile = [&](const std::string& name, const void* data, size_t size) {
        std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    };
    const std::string text = sceneText(scene);
    if (!writeFile("scene.txt", text.data(), text.size())) return false;
    for (const BenchFile& file : scene.files) {
        if (!writeFile(file.name, file.bytes.data(), file.bytes.size())) return false;
    }
    return true;
}

size_t meshDataBytes(const BenchScene& scene) {
    size_t bytes = 0;
    for (const BenchMesh& m : scene.meshes)
        bytes += m.vertices.size() * sizeof(Vertex) + m.indices.size() * sizeof(uint32_t);
    return bytes;
}

} // namespace bench

// The benchmark scenes as plain data: meshes, materials, particle systems, HUD panels and an
// entity tree, built by code so that the scene generator writes them as scene files and the
// minimal reference renderer draws the very same geometry without the engine. No GL, no I/O
// except writeBenchScene, which writes scene.txt and the TGA files into a folder.
#pragma once

#include "core/math.h"
#include "core/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BenchMaterial {
    std::string name;
    Colour emission, ambient, diffuse, specular;
    float shininess;
    bool dynamic;        // texture rendered from the camera entity named by `link`
    std::string link;    // camera entity of a dynamic texture
    std::string texture; // file of a static texture, "None" for the white one
};

struct BenchMesh {
    std::string name;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices; // three per triangle
};

struct BenchParticleSystem {
    std::string name;
    std::string displayType; // POINT, TRIANGLE or QUAD
    std::string blendType;   // SATURATE or BLEND
    float birthRate, lifetime, size;
    std::string texture;
    Colour minColour, maxColour;
    float minMass, maxMass, minSpeed, maxSpeed;
};

struct BenchPanel {
    Colour colour;
    std::string texture; // static file name
    Float2 min, max;
    bool button;
    std::string actionName, actionLink;
};

struct BenchKey {
    float time;
    float values[4]; // POSITION x y z; ROTATION angle x y z
};

struct BenchKeyframer {
    std::string type; // POSITION or ROTATION
    std::vector<BenchKey> keys;
};

struct BenchEntity {
    std::string kind;   // LIGHT, CAMERA, GROUP, OBJECT, PARTICLE
    std::string motion; // STATIC, ANIMATE, SIMULATE
    std::string name;
    Float3 position;
    float angle; // degrees about `axis`
    Float3 axis;
    Float3 velocity;
    std::string link;     // mesh or particle-system name, or None
    std::string material; // material name or None
    float mass;
    std::vector<BenchKeyframer> keyframers;
    std::vector<int32_t> children; // indices into BenchScene::entities
};

struct BenchFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

struct BenchScene {
    std::string camera; // SCENECAMERA
    std::vector<BenchPanel> panels;
    Float3 gravity;
    std::vector<BenchParticleSystem> systems;
    std::vector<BenchMaterial> materials;
    std::vector<BenchMesh> meshes;
    std::vector<BenchEntity> entities; // entities[0] is the file's single top record
    std::vector<BenchFile> files;      // TGA images the scene names
};

// The scenes the frame benchmark draws, each with a HUD of two panels and a button:
//   "cubes"     1,000 lit cubes under eight lights
//   "spheres"   50 spheres of 4,000 triangles each
//   "particles" 20 systems of textured quads, 1,000 live particles each in steady state
//   "dynamic"   200 cubes showing four textures rendered from four camera entities
// and "load": one big grid mesh of about `megabytes` of text plus many objects (animated),
// particle systems, dynamic textures and eight lights; "many": as many lit cubes as the number
// (`megabytes` read as a count) under one group, for the load's growth with the entity count.
// Returns false for an unknown name.
bool makeBenchScene(const std::string& name, double megabytes, BenchScene* scene);

// The scene file text.
std::string sceneText(const BenchScene& scene);
// Writes scene.txt and the TGA files into the folder (which must exist); false on I/O failure.
bool writeBenchScene(const BenchScene& scene, const std::string& folder);

// Bytes of vertex and index data of all meshes as the engine stores them.
size_t meshDataBytes(const BenchScene& scene);

// Shapes, shared with the reference renderer.
BenchMesh cubeMesh(const std::string& name);
BenchMesh sphereMesh(const std::string& name, int stacks, int slices);
BenchMesh gridMesh(const std::string& name, int side);
// An uncompressed 32-bit TGA with a soft round spot (alpha falls off from the centre).
std::vector<uint8_t> spotTga(int size);

} // namespace bench

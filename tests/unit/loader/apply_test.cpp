// The apply step without GL: scenes that name no texture (no panels, buttons, particle systems
// or materials), so nothing is uploaded. Entity indices and parents, link and bounds rules,
// first-match meshes, keyframers and the scene camera.
#include "loader/apply.h"

#include "hud/hud.h"
#include "scene/scene.h"
#include "texture/registry.h"

#include <gtest/gtest.h>

#include "test_data.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

const char* HEAD = R"(SCENECAMERA: Eye
HUD: APPTIME: 0 0 SIMTIME: 0 0 TIMECOLOUR: 1 1 1 1 BACKGROUNDCOUNT: 0 BUTTONCOUNT: 0
FORCECOUNT: 2
FORCETYPE: GRAVITY STRENGTH: 0 -9.8 0
FORCETYPE: GRAVITY STRENGTH: 1 0 0
PARTICLECOUNT: 0
MATERIALCOUNT: 0
)";

std::string mesh(const char* name, float size) {
    std::string s = "\tMESH: ";
    s += name;
    s += "\n\t\tPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\n\t\tVERTEXCOUNT: 2\n";
    s += "\t\tPOSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0 0\n";
    s += "\t\tPOSITION: " + std::to_string(size) + " " + std::to_string(size) +
         " 0 NORMAL: 0 0 1 TEXCOORD: 1 1\n";
    s += "\t\tSURFACECOUNT: 1\n\t\t\tTRIANGLECOUNT: 1\n\t\t\t0 1 1\n";
    return s;
}

std::string entity(const char* kind, const char* motion, const char* name, const char* link,
                   int children, const char* keyframers = "KEYFRAMERCOUNT: 0\n",
                   const char* rotation = "0 0 1 0") {
    return std::string("------\nENTITY: ") + kind + "\nTYPE: " + motion + "\nNAME: " + name +
           "\nPOSITION: 1 2 3 ROTATION: " + rotation +
           " SCALE: 1 1 1\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: " + link +
           "\nMATERIAL: None\nMASS: 2\n" + keyframers + "CHILDCOUNT: " + std::to_string(children) +
           "\n";
}

struct Loaded {
    Scene* scene;
    KeyframerList keyframers;
    ForceList forces;
    Hud hud;
    Resources resources;
};

// Parses and applies; the objects live for the rest of the test process, as in the engine.
Loaded* load(const std::string& text) {
    SceneDescription d;
    ParseError error = parseScene(text, &d);
    EXPECT_EQ(error.kind, ParseErrorKind::None) << error.line << ": " << error.message;
    // Kept reachable: the engine's objects are never freed, as in the program.
    static auto* everyLoad = new std::vector<Loaded*>();
    auto* loaded = everyLoad->emplace_back(new Loaded{});
    loaded->scene = createScene();
    loaded->hud.scene = loaded->scene;
    applySceneDescription(d, loaded->scene, &loaded->keyframers, &loaded->forces, &loaded->hud,
                          &loaded->resources);
    return loaded;
}

const Entity& entityAt(const Loaded* l, int32_t i) {
    return l->scene->entities->items[i];
}

TEST(ApplyScene, EntitiesTakeIndicesInPreOrderUnderTheirParents) {
    std::string text = std::string(HEAD) + "MESHCOUNT: 0\nSCENEGRAPH:\n" +
                       entity("GROUP", "STATIC", "World", "None", 2) +
                       entity("GROUP", "STATIC", "Arm", "None", 1) +
                       entity("LIGHT", "STATIC", "Lamp", "None", 0) +
                       entity("CAMERA", "STATIC", "Eye", "None", 0);
    Loaded* l = load(text);
    ASSERT_EQ(getEntityCount(l->scene), 5);
    const char* names[] = {"Root Group", "World", "Arm", "Lamp", "Eye"};
    int32_t parents[] = {-1, 0, 1, 2, 1};
    for (int32_t i = 1; i < 5; ++i) {
        const Entity& e = entityAt(l, i);
        EXPECT_STREQ(e.name, names[i]);
        EXPECT_EQ(e.index, i);
        ASSERT_NE(e.node, nullptr);
        ASSERT_NE(e.node->parent, nullptr);
        EXPECT_EQ(e.node->parent->entityIndex, parents[i]) << names[i];
        EXPECT_EQ(e.visible, 1);
        EXPECT_EQ(e.changed, 1);
        EXPECT_FLOAT_EQ(e.mass, 2.0f);
        EXPECT_FLOAT_EQ(e.position.y, 2.0f);
    }
    // Children keep file order: Arm first, Eye last under World.
    EXPECT_EQ(entityAt(l, 1).node->firstChild->entityIndex, 2);
    EXPECT_EQ(entityAt(l, 1).node->firstChild->nextSibling->entityIndex, 4);
    // The scene camera sits at the CAMERA entity's own position.
    EXPECT_EQ(l->scene->cameraEntity, 4);
    EXPECT_FLOAT_EQ(l->scene->camera.position.z, 3.0f);
    // Forces in file order.
    ASSERT_EQ(l->forces.count, 2);
    EXPECT_FLOAT_EQ(l->forces.items[0].strength.y, -9.8f);
    EXPECT_FLOAT_EQ(l->forces.items[1].strength.x, 1.0f);
}

TEST(ApplyScene, LinksResolveByFirstMatchOnlyForObjects) {
    std::string text =
        std::string(HEAD) + "MESHCOUNT: 3\n" + mesh("Box", 2) + mesh("Box", 4) + mesh("Tile", 6) +
        "SCENEGRAPH:\n" + entity("GROUP", "STATIC", "World", "None", 5) +
        entity("OBJECT", "STATIC", "A", "Box", 0) + entity("OBJECT", "STATIC", "B", "Tile", 0) +
        entity("OBJECT", "STATIC", "C", "None", 0) + entity("OBJECT", "STATIC", "D", "Nothing", 0) +
        entity("LIGHT", "STATIC", "L", "Tile", 0);
    Loaded* l = load(text);
    ASSERT_EQ(l->resources.meshes.count, 3);
    struct Expect {
        int32_t link;
        float half; // half extent in x of the bounds
    } expect[] = {{0, 0}, {0, 1}, {2, 3}, {0, 1}, {0, 1}, {0, 0}};
    for (int32_t i = 1; i <= 5; ++i) {
        const Entity& e = entityAt(l, i + 1);
        EXPECT_EQ(e.link, expect[i].link) << e.name;
        EXPECT_FLOAT_EQ(e.bounds.axis0.x, expect[i].half) << e.name;
    }
    // The box of a LIGHT is all zero even though it names a mesh.
    EXPECT_FLOAT_EQ(entityAt(l, 6).bounds.centre.x, 0.0f);
    EXPECT_FLOAT_EQ(entityAt(l, 2).bounds.centre.x, 1.0f);
    // The mesh list holds its own copies of the arrays.
    const Mesh& box = l->resources.meshes.items[1];
    EXPECT_EQ(box.vertexCount, 2);
    EXPECT_EQ(box.indexCount, 3);
    EXPECT_FLOAT_EQ(box.vertices[1].position.x, 4.0f);
    EXPECT_STREQ(box.name, "Box");
    // The scene camera names nothing: the free camera stays where it was.
    EXPECT_EQ(l->scene->cameraEntity, 0);
}

TEST(ApplyScene, ObjectInAFileWithoutMeshesKeepsLinkZeroAndNoBox) {
    std::string text = std::string(HEAD) + "MESHCOUNT: 0\nSCENEGRAPH:\n" +
                       entity("OBJECT", "STATIC", "Lost", "Box", 0);
    Loaded* l = load(text);
    const Entity& e = entityAt(l, 1);
    EXPECT_EQ(e.link, 0);
    EXPECT_FLOAT_EQ(e.bounds.axis0.x, 0.0f);
    EXPECT_FLOAT_EQ(e.bounds.centre.x, 0.0f);
    EXPECT_EQ(e.material.textureId, 0);
    EXPECT_FLOAT_EQ(e.material.diffuse.r, 0.0f); // "None": zero-filled
}

TEST(ApplyScene, KeyframersAreSortedBoundAndAppendedInOrder) {
    const char* keyframers = R"(KEYFRAMERCOUNT: 3
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 3
T: 4 KEYFRAME: 4 0 0
T: 0 KEYFRAME: 0 0 0
T: 2 KEYFRAME: 2 0 0
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 2
T: 0 KEYFRAME: 0 0 1 0
T: 1 KEYFRAME: 90 0 1 0
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 0
)";
    std::string text = std::string(HEAD) + "MESHCOUNT: 0\nSCENEGRAPH:\n" +
                       entity("GROUP", "STATIC", "World", "None", 1) +
                       entity("GROUP", "ANIMATE", "Mover", "None", 0, keyframers, "90 0 2 0");
    Loaded* l = load(text);
    ASSERT_EQ(l->keyframers.count, 3);
    const Keyframer* position = l->keyframers.items[0];
    EXPECT_EQ(position->entity, 2);
    EXPECT_EQ(position->keyframeType, KeyframeType::POSITION);
    ASSERT_EQ(position->keyCount, 3);
    float times[3];
    const Keyframe* key = position->keys;
    for (float& t : times) {
        ASSERT_NE(key, nullptr);
        t = key->time;
        key = key->next;
    }
    expectNumbers(
        {{times[0], 0.0f}, {times[1], 2.0f}, {times[2], 4.0f}, {position->lastTime, 4.0f}});

    const Keyframer* rotation = l->keyframers.items[1];
    EXPECT_EQ(rotation->entity, 2);
    EXPECT_EQ(rotation->keyframeType, KeyframeType::ROTATION);
    ASSERT_EQ(rotation->keyCount, 2);
    const Quaternion identity = rotation->keys->value.rotation;
    EXPECT_FLOAT_EQ(identity.w, 1.0f);
    EXPECT_FLOAT_EQ(identity.y, 0.0f);
    const float h = static_cast<float>(90.0 * 0.5 * DEG_TO_RAD);
    EXPECT_FLOAT_EQ(rotation->keys->next->value.rotation.y, std::sin(h));

    // An empty track is kept (the animation step skips it) and still bound.
    EXPECT_EQ(l->keyframers.items[2]->keyCount, 0);
    EXPECT_EQ(l->keyframers.items[2]->entity, 2);

    // The entity's own rotation: a non-unit axis gives a non-unit quaternion.
    const Quaternion q = entityAt(l, 2).rotation;
    EXPECT_NEAR(q.y, 2.0f * std::sin(h), 1e-6);
    EXPECT_NEAR(q.w, std::cos(h), 1e-6);
}

} // namespace

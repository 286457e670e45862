// The apply step without GL: entity indices in pre-order under their parents, first-match links
// for objects only, keyframers sorted and bound, the camera.
#include <gtest/gtest.h>

#include <string>

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "loader/apply.h"
#include "scene/scene.h"
#include "sim/physics.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

std::string mesh(const char* name, int size) {
    const std::string s = std::to_string(size);
    return std::string("MESH: ") + name + " POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1 "
           "VERTEXCOUNT: 2 POSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0 0 POSITION: " + s + " " + s +
           " 0 NORMAL: 0 0 1 TEXCOORD: 1 1 SURFACECOUNT: 1 TRIANGLECOUNT: 1 0 1 1\n";
}

std::string entity(const char* kind, const char* motion, const char* name, const char* link,
                   int children, const char* keyframers = "KEYFRAMERCOUNT: 0") {
    return std::string("------ ENTITY: ") + kind + " TYPE: " + motion + " NAME: " + name +
           " POSITION: 1 2 3 ROTATION: 90 0 2 0 SCALE: 1 1 1 ACCELERATION: 0 0 0 VELOCITY: 0 0 0"
           " LINK: " + link + " MATERIAL: None MASS: 2 " + keyframers + " CHILDCOUNT: " +
           std::to_string(children) + "\n";
}

TEST(Apply, EntitiesLinksKeyframersAndTheCameraTakeTheirPlaces) {
    const std::string text =
        "SCENECAMERA: Eye HUD: APPTIME: 0 0 SIMTIME: 0 0 TIMECOLOUR: 1 1 1 1 BACKGROUNDCOUNT: 0 "
        "BUTTONCOUNT: 0 FORCECOUNT: 0 PARTICLECOUNT: 0 MATERIALCOUNT: 0 MESHCOUNT: 3\n" + mesh("Box", 2) +
        mesh("Box", 4) + mesh("Tile", 6) + "SCENEGRAPH:\n" + entity("GROUP", "STATIC", "World", "None", 4) +
        entity("GROUP", "ANIMATE", "Arm", "None", 2,
               "KEYFRAMERCOUNT: 2 KEYFRAMETYPE: POSITION KEYFRAMECOUNT: 3 T: 4 KEYFRAME: 4 0 0 "
               "T: 0 KEYFRAME: 0 0 0 T: 2 KEYFRAME: 2 0 0 KEYFRAMETYPE: ROTATION KEYFRAMECOUNT: 0") +
        entity("OBJECT", "STATIC", "A", "Box", 0) + entity("LIGHT", "STATIC", "L", "Tile", 0) +
        entity("CAMERA", "STATIC", "Eye", "None", 0) + entity("OBJECT", "STATIC", "B", "Tile", 0) +
        entity("OBJECT", "STATIC", "D", "Nothing", 0);
    SceneDescription d;
    const ParseError error = parseScene(text, &d);
    ASSERT_EQ(error.kind, ParseErrorKind::None) << error.line << ": " << error.message;
    Scene* scene = createScene();
    KeyframerList* keyframers = createList<Keyframer>();
    ForceList* forces = createRecordList<Force>();
    Hud hud{};
    auto* resources = static_cast<Resources*>(std::calloc(1, sizeof(Resources))); // empty: no GL
    hud.scene = scene;
    applySceneDescription(d, scene, keyframers, forces, &hud, resources);

    const struct { const char* name; int32_t parent, link; float half; /* of its own box in x */ } expected[] = {
        {"Root Group", -1, 0, 0}, {"World", 0, 0, 0}, {"Arm", 1, 0, 0}, {"A", 2, 0, 1},
        {"L", 2, 0, 0}, {"Eye", 1, 0, 0}, {"B", 1, 2, 3}, {"D", 1, 0, 1}};
    ASSERT_EQ(getEntityCount(scene), 8);
    for (int32_t i = 1; i < 8; ++i) {
        const Entity& e = scene->entities->items[i];
        EXPECT_STREQ(e.name, expected[i].name);
        EXPECT_EQ(e.node->parent->entityIndex, expected[i].parent) << e.name;
        EXPECT_EQ(e.link, expected[i].link) << e.name;
        EXPECT_FLOAT_EQ(e.bounds.axis0.x, expected[i].half) << e.name;
    }
    EXPECT_EQ(scene->entities->items[1].node->firstChild->nextSibling->entityIndex, 5);
    EXPECT_EQ(scene->cameraEntity, 5);
    ASSERT_EQ(keyframers->count, 2);
    const Keyframer* k = keyframers->items[0];
    ASSERT_EQ(k->keyCount, 3);
    expectNumbers({{k->keys->time, 0}, {k->keys->next->time, 2}, {k->keys->next->next->time, 4}});
    EXPECT_TRUE(k->entity == 2 && keyframers->items[1]->entity == 2 &&
                keyframers->items[1]->keyCount == 0); // both on the arm
    freeScene(scene), freeKeyframers(keyframers), freeForces(forces), freeHudArrays(&hud),
        freeResources(resources);
}

} // namespace

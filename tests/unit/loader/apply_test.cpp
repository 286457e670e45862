// The apply step without GL: entity indices in pre-order under their parents, first-match links
// for objects only, keyframers sorted and bound, the camera, and every value (each unique) in place.
#include <gtest/gtest.h>

#include <string>

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "loader/apply.h"
#include "scene/scene.h"
#include "sim/particles.h"
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
           " POSITION: 1 2 3 ROTATION: 180 4 5 6 SCALE: 1 1 1 ACCELERATION: 7 8 9 VELOCITY: 10 11 12"
           " LINK: " + link + " MATERIAL: None MASS: 13 " + keyframers + " CHILDCOUNT: " +
           std::to_string(children) + "\n";
}

TEST(Apply, EntitiesLinksKeyframersAndTheCameraTakeTheirPlaces) {
    const std::string text =
        "SCENECAMERA: Eye HUD: APPTIME: 0.1 0.2 SIMTIME: 0.3 0.4 TIMECOLOUR: 0.5 0.6 0.7 0.8 BACKGROUNDCOUNT: 0 "
        "BUTTONCOUNT: 0 FORCECOUNT: 1 FORCETYPE: GRAVITY STRENGTH: 14 15 16 PARTICLECOUNT: 1 PARTICLETYPE: POINT "
        "DISPLAYTYPE: TRIANGLE BLENDTYPE: BLEND SYSTEMNAME: Puff BIRTHRATE: 17 LIFETIME: 18 SIZE: 19 INITIAL: OFF "
        "TEXTURETYPE: DYNAMIC (Eye) TEXTURE: None MINCOLOUR: 0.1 0.2 0.3 0.4 MAXCOLOUR: 0.5 0.6 0.7 0.8 "
        "MINMASS: 20 MAXMASS: 21 MINSPEED: 22 MAXSPEED: 23 MATERIALCOUNT: 0 MESHCOUNT: 3\n" + mesh("Box", 2) +
        mesh("Box", 4) + mesh("Tile", 6) + "SCENEGRAPH:\n" + entity("GROUP", "STATIC", "World", "None", 4) +
        entity("GROUP", "ANIMATE", "Arm", "None", 2,
               "KEYFRAMERCOUNT: 3 KEYFRAMETYPE: POSITION KEYFRAMECOUNT: 3 T: 4 KEYFRAME: 4 0 0 T: 0 KEYFRAME: "
               "24 25 26 T: 2 KEYFRAME: 2 0 0 KEYFRAMETYPE: ROTATION KEYFRAMECOUNT: 1 T: 1 KEYFRAME: 180 27 28 29 "
               "KEYFRAMETYPE: ROTATION KEYFRAMECOUNT: 0") +
        entity("OBJECT", "STATIC", "A", "Box", 0) + entity("LIGHT", "STATIC", "L", "Tile", 0) +
        entity("CAMERA", "STATIC", "Eye", "None", 0) + entity("OBJECT", "STATIC", "B", "Tile", 0) +
        entity("OBJECT", "STATIC", "D", "Nothing", 0);
    SceneDescription d;
    const ParseError error = parseScene(text, &d);
    ASSERT_EQ(error.kind, ParseErrorKind::None) << error.line << ": " << error.message;
    static Scene* scene = createScene(); // statics: what the apply step makes stays reachable
    static KeyframerList keyframers{};
    static ForceList forces{};
    static Hud hud{};
    static Resources resources{};
    hud.scene = scene;
    applySceneDescription(std::move(d), scene, &keyframers, &forces, &hud, &resources);

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
    ASSERT_EQ(keyframers.count, 3);
    EXPECT_EQ(std::tuple(keyframers.items[0]->keyCount, keyframers.items[1]->keyCount),
              std::tuple(3, 1));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(keyframers.items[i]->entity, 2) << i; // all on the arm, the empty one too
    const Keyframer* k = keyframers.items[0];
    const Entity& a = scene->entities->items[3];
    const Quaternion turn = keyframers.items[1]->keys->value.rotation; // 180 degrees: the axis as given
    const ParticleSystem* puff = getParticleSystem(&resources, 0);
    expectNumbers({{k->keys->time, 0}, {k->keys->next->time, 2}, {k->keys->next->next->time, 4},
                   {float(keyframers.items[2]->keyCount), 0}, {float(scene->cameraEntity), 5}, {a.position.z, 3},
                   {a.rotation.x, 4}, {a.rotation.y, 5}, {a.rotation.z, 6}, {a.acceleration.y, 8}, {a.velocity.z, 12},
                   {a.mass, 13}, {k->keys->value.position.y, 25}, {turn.x, 27}, {turn.y, 28}, {turn.z, 29},
                   {hud.appTime.y, 0.2f}, {hud.simTime.x, 0.3f}, {hud.timeColour.b, 0.7f},
                   {forces.items[0].strength.z, 16}, {puff->birthRate, 17}, {puff->lifetime, 18}, {puff->size, 19},
                   {puff->minColour.g, 0.2f}, {puff->maxColour.a, 0.8f}, {puff->minMass, 20}, {puff->maxSpeed, 23}});
    EXPECT_EQ(std::tuple(puff->off, puff->blendType, puff->displayType),
              std::tuple(1, BlendType::BLEND, DisplayType::TRIANGLE));
}

} // namespace

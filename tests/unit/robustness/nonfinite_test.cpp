// Numbers that are not finite. The scene file refuses nan and inf (and numbers beyond a float)
// with a message; values that become non-finite at run time (a body thrown hard enough, an
// entity placed at the edge of the float range) must not crash the physics step or the
// transform update, nor spread to entities that do not depend on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "hostile_scene.h"
#include "loader/parse.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "texture/registry.h"

namespace {

constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();
constexpr float INF_F = std::numeric_limits<float>::infinity();
constexpr float BIG_F = 3.0e38f;

bool finite(Float3 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

TEST(NonFiniteNumbers, TheSceneFileRefusesThemWhereverANumberGoes) {
    struct Slot {
        const char* from;
        const char* keyword;
    } slots[] = {
        {"APPTIME: -1.3", "APPTIME:"},
        {"STRENGTH: 0", "STRENGTH:"},
        {"BIRTHRATE: 20", "BIRTHRATE:"},
        {"MINCOLOUR: 1", "MINCOLOUR:"},
        {"SHININESS: 32", "SHININESS:"},
        {"POSITION: 1 0 0 NORMAL: 0 0 1 TEXCOORD: 1", "TEXCOORD:"},
        {"POSITION: 0 0 5", "POSITION:"},
        {"VELOCITY: 0", "VELOCITY:"},
        {"MASS: 2", "MASS:"},
        {"T: 1 KEYFRAME: 45", "KEYFRAME:"},
    };
    struct Token {
        const char* text;
        ParseErrorKind kind;
        const char* expected;
    } tokens[] = {
        {"nan", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"NaN", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"-nan", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"inf", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"-inf", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"+INF", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"infinity", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"1e39", ParseErrorKind::NumberOutOfRange, "is too large for a float"},
        {"-3.5e38", ParseErrorKind::NumberOutOfRange, "is too large for a float"},
    };
    for (const Slot& slot : slots) {
        // Replace the last number of the slot's text.
        std::string from = slot.from;
        const std::string head = from.substr(0, from.rfind(' ') + 1);
        for (const Token& token : tokens) {
            SCOPED_TRACE(std::string(slot.from) + " -> " + token.text);
            const std::string text = replaceFirst(FULL_SCENE, from, head + token.text);
            ASSERT_FALSE(text.empty());
            SceneDescription d;
            const ParseError error = parseScene(text, &d);
            EXPECT_EQ(error.kind, token.kind) << error.message;
            EXPECT_EQ(error.line, lineOf(text, head + token.text));
            EXPECT_NE(error.message.find(token.expected), std::string::npos) << error.message;
            EXPECT_NE(error.message.find(std::string("after '") + slot.keyword + "'"),
                      std::string::npos)
                << error.message;
        }
    }
}

TEST(NonFiniteNumbers, CountsRefuseThemAsWholeNumbersAndTinyFloatsBecomeZero) {
    for (const char* token : {"nan", "inf", "-inf"}) {
        const std::string text =
            replaceFirst(FULL_SCENE, "FORCECOUNT: 1", std::string("FORCECOUNT: ") + token);
        SceneDescription d;
        const ParseError error = parseScene(text, &d);
        EXPECT_EQ(error.kind, ParseErrorKind::ExpectedNumber) << token;
        EXPECT_EQ(error.message,
                  std::string("expected a whole number after 'FORCECOUNT:' but found '") + token +
                      "'");
    }
    SceneDescription d;
    const std::string tiny = replaceFirst(FULL_SCENE, "MASS: 2", "MASS: 1e-50");
    ASSERT_EQ(parseScene(tiny, &d).kind, ParseErrorKind::None);
    EXPECT_EQ(d.entities[2].mass, 0.0f);
    const std::string largest = replaceFirst(FULL_SCENE, "MASS: 2", "MASS: 3.4e38");
    ASSERT_EQ(parseScene(largest, &d).kind, ParseErrorKind::None);
}

namespace {

Entity entity(const char* name, int32_t kind, int32_t motion, Float3 position) {
    Entity e{};
    std::strncpy(e.name, name, sizeof e.name - 1);
    e.entityType = kind;
    e.type = motion;
    e.position = position;
    e.rotation = Quaternion{0, 0, 0, 1};
    e.mass = 1.0f;
    e.visible = 1;
    e.changed = 1;
    return e;
}

} // namespace

TEST(NonFiniteNumbers, PhysicsAndTransformsRunOnWithoutSpreadingThem) {
    Scene* scene = createScene();
    Resources resources{};
    ForceList forces{};
    appendRecord(&forces, Force{ForceType::GRAVITY, {0.0f, -9.8f, 0.0f}});

    const int32_t plain =
        addEntity(scene, entity("Plain", EntityType::OBJECT, MotionType::SIMULATE, {0, 0, 0}), 0);
    Entity nanMass = entity("NanMass", EntityType::OBJECT, MotionType::SIMULATE, {1, 2, 3});
    nanMass.mass = NAN_F;
    const int32_t nanMassIndex = addEntity(scene, nanMass, 0);
    Entity nanVelocity = entity("NanVelocity", EntityType::OBJECT, MotionType::SIMULATE, {0, 0, 0});
    nanVelocity.velocity = {NAN_F, 0.0f, 0.0f};
    const int32_t nanVelocityIndex = addEntity(scene, nanVelocity, 0);
    Entity thrown = entity("Thrown", EntityType::OBJECT, MotionType::SIMULATE, {BIG_F, 0, 0});
    thrown.velocity = {BIG_F, -BIG_F, 0.0f};
    const int32_t thrownIndex = addEntity(scene, thrown, 0);
    const int32_t far =
        addEntity(scene, entity("Far", EntityType::GROUP, MotionType::STATIC, {INF_F, 0, 0}), 0);
    Entity spun = entity("Spun", EntityType::OBJECT, MotionType::STATIC, {1, 0, 0});
    spun.rotation = Quaternion{NAN_F, 0.0f, 0.0f, NAN_F};
    const int32_t spunIndex = addEntity(scene, spun, far);
    Entity emitter = entity("Emitter", EntityType::PARTICLE, MotionType::STATIC, {0, 0, 0});
    emitter.link = 0;
    const int32_t emitterIndex = addEntity(scene, emitter, far);

    ParticleSystem* system = createParticleSystem(ParticleType::POINT, DisplayType::QUAD,
                                                  BlendType::BLEND, 2.0f, 100.0f, 0.2f);
    setParticleSystemOff(system, 0);
    setParticleSpeeds(system, 1.0f, 2.0f);
    setParticleMasses(system, 1.0f, 1.0f);
    addParticleSystem(&resources, system);

    updateTransforms(scene);
    for (int step = 0; step < 200; ++step) {
        stepSimulation(&forces, scene, 0.02f, &resources);
        updateTransforms(scene);
    }

    // The plain body fell as if the others were not there: v = -9.8 t, p = sum of v dt.
    const Float3 p = getEntityPosition(scene, plain);
    EXPECT_NEAR(p.y, -9.8f * 0.02f * 0.02f * (200 * 201 / 2), 0.05f);
    EXPECT_TRUE(finite(getEntityWorldPosition(scene, plain)));
    // A NaN mass is not a positive mass: the body does not move.
    EXPECT_TRUE(finite(getEntityPosition(scene, nanMassIndex)));
    EXPECT_EQ(getEntityPosition(scene, nanMassIndex).z, 3.0f);
    // A NaN velocity and a body thrown past the float range stay broken on their own.
    EXPECT_TRUE(std::isnan(getEntityPosition(scene, nanVelocityIndex).x));
    EXPECT_FALSE(finite(getEntityPosition(scene, thrownIndex)));
    EXPECT_FALSE(finite(getEntityWorldPosition(scene, spunIndex)));
    // The emitter under the group at infinity emits at infinity; the system keeps its bounds.
    EXPECT_FALSE(finite(system->position));
    EXPECT_GT(system->count, 0);
    EXPECT_LE(system->count, system->capacity);
    EXPECT_LE(system->capacity, 1000);
    EXPECT_EQ(getEntityLink(scene, emitterIndex), 0);
    // The root's box merges every child; whatever it holds, the plain entity's box is intact.
    const SceneNode* node = getEntityNode(scene, plain);
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(finite(node->worldBounds.centre));
}

// The physics step on small scenes: falling bodies, summed forces, bodies that must not move,
// particle emitters that follow their entity, and steps that are zero or not finite.
#include <gtest/gtest.h>

#include "test_data.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "scene/node.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "texture/registry.h"

namespace {

Entity entity(int32_t entityType, int32_t motionType, Float3 position, float mass) {
    Entity e{};
    std::strncpy(e.name, "thing", NAME_SIZE - 1);
    e.entityType = entityType;
    e.type = motionType;
    e.position = position;
    e.rotation = {0, 0, 0, 1};
    e.mass = mass;
    e.visible = 1;
    return e;
}

int32_t addBody(Scene* scene, float mass, Float3 position = {0, 10, 0}, int32_t parent = 0) {
    return addEntity(scene, entity(EntityType::OBJECT, MotionType::SIMULATE, position, mass),
                     parent);
}

int32_t addEmitter(Scene* scene, int32_t motionType, int32_t system, Float3 position,
                   int32_t parent = 0) {
    Entity e = entity(EntityType::PARTICLE, motionType, position, 1);
    e.link = system;
    return addEntity(scene, e, parent);
}

ForceList* forces(std::initializer_list<Float3> strengths) {
    ForceList* list = createRecordList<Force>();
    for (Float3 s : strengths) appendRecord(list, Force{ForceType::GRAVITY, s});
    return list;
}

ParticleSystem* stillSystem(float birthRate, float lifetime = 10.0f) {
    ParticleSystem* ps = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                              BlendType::SATURATE, lifetime, birthRate, 1);
    setParticleSystemOff(ps, 0);
    setParticleSpeeds(ps, 0, 0);
    setParticleMasses(ps, 2, 2);
    return ps;
}

} // namespace

TEST(ForcesTest, GravityForcesAddUpAndOthersAreSkipped) {
    expectFloat3(sumForces(forces({})), {0, 0, 0});
    expectFloat3(sumForces(forces({{0, -9.8f, 0}, {1, 2, 3}})), {1, -7.8f, 3});
    ForceList* list = forces({{0, -1, 0}});
    appendRecord(list, Force{7, {100, 100, 100}});
    expectFloat3(sumForces(list), {0, -1, 0});
}

TEST(PhysicsTest, BodiesMoveByTheSumOfForcesOverMassSemiImplicitly) {
    // Each step: acceleration = forces / mass, velocity += a dt, then position += velocity dt.
    struct Case {
        std::initializer_list<Float3> strengths;
        float mass, dt;
        int steps;
        Float3 velocity0, velocity, position;
    };
    const Case cases[] = {
        {{{0, -9.8f, 0}}, 2, 0.1f, 1, {0, 0, 0}, {0, -0.49f, 0}, {0, 10 - 0.049f, 0}},
        {{{0, -9.8f, 0}}, 1, 0.1f, 1, {0, 0, 0}, {0, -0.98f, 0}, {0, 10 - 0.098f, 0}},
        {{{0, -5, 0}, {2, 0, 0}}, 1, 1.0f, 1, {0, 0, 0}, {2, -5, 0}, {2, 5, 0}},
        {{}, 1, 0.5f, 4, {1, 0, -2}, {1, 0, -2}, {2, 10, -4}}, // no forces: a straight line
    };
    for (const Case& c : cases) {
        Scene* scene = createScene();
        const int32_t body = addBody(scene, c.mass);
        setEntityVelocity(scene, body, c.velocity0);
        for (int i = 0; i < c.steps; ++i) stepSimulation(forces(c.strengths), scene, c.dt, nullptr);
        expectFloat3(getEntityVelocity(scene, body), c.velocity);
        expectFloat3(getEntityPosition(scene, body), c.position);
    }
}

TEST(PhysicsTest, BodiesThatMustNotMoveStayPut) {
    Scene* scene = createScene();
    const int32_t massless = addBody(scene, 0);
    const int32_t negative = addBody(scene, -3);
    setEntityVelocity(scene, massless, {5, 5, 5});
    const int32_t animated =
        addEntity(scene, entity(EntityType::OBJECT, MotionType::ANIMATE, {0, 10, 0}, 1), 0);
    const int32_t fixed =
        addEntity(scene, entity(EntityType::OBJECT, MotionType::STATIC, {0, 10, 0}, 1), 0);
    for (int i = 0; i < 3; ++i) stepSimulation(forces({{0, -9.8f, 0}}), scene, 0.1f, nullptr);
    for (int32_t e : {massless, negative, animated, fixed})
        expectFloat3(getEntityPosition(scene, e), {0, 10, 0});
    expectFloat3(getEntityVelocity(scene, massless), {5, 5, 5});
}

TEST(PhysicsTest, ZeroAndNonFiniteStepsMoveNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float dt : {0.0f, nan, inf, -inf}) {
        SCOPED_TRACE(dt);
        Scene* scene = createScene();
        Resources resources{};
        ParticleSystem* ps = stillSystem(20);
        addParticleSystem(&resources, ps);
        const int32_t body = addBody(scene, 1);
        addEmitter(scene, MotionType::STATIC, 0, {0, 0, 0});
        stepSimulation(forces({{0, -9.8f, 0}}), scene, dt, &resources);
        expectFloat3(getEntityPosition(scene, body), {0, 10, 0});
        expectFloat3(getEntityVelocity(scene, body), {0, 0, 0});
        EXPECT_EQ(ps->count, 0);
    }
}

TEST(PhysicsTest, BodyUnderARotatedGroupFallsAlongTheGroupsAxis) {
    Scene* scene = createScene();
    Entity group = entity(EntityType::GROUP, MotionType::STATIC, {0, 0, 0}, 0);
    group.rotation = quaternionFromAxisAngle(90, 0, 0, 1);
    const int32_t parent = addEntity(scene, group, 0);
    const int32_t body = addBody(scene, 1, {0, 0, 0}, parent);
    updateTransforms(scene);
    stepSimulation(forces({{0, -10, 0}}), scene, 1.0f, nullptr);
    updateTransforms(scene);
    // The group's -Y is the world's +X after a quarter turn about Z.
    expectFloat3(getEntityPosition(scene, body), {0, -10, 0});
    expectFloat3(getEntityWorldPosition(scene, body), {10, 0, 0}, 0.01f);
}

TEST(PhysicsTest, EmitterFollowsItsEntityAndParticlesFall) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = stillSystem(10);
    addParticleSystem(&resources, ps);
    Entity group = entity(EntityType::GROUP, MotionType::STATIC, {5, 0, 0}, 0);
    const int32_t parent = addEntity(scene, group, 0);
    addEmitter(scene, MotionType::ANIMATE, 0, {0, 3, 0}, parent);
    updateTransforms(scene);

    stepSimulation(forces({{0, -9.8f, 0}}), scene, 0.1f, &resources);
    expectFloat3(ps->position, {5, 3, 0});
    ASSERT_EQ(ps->count, 1);
    const Particle& p = ps->particles[0];
    // Born this step and integrated at once: mass 2 halves the force.
    expectFloat3(p.acceleration, {0, -4.9f, 0});
    expectFloat3(p.velocity, {0, -0.49f, 0});
    expectFloat3(p.position, {5, 3 - 0.049f, 0});
}

TEST(PhysicsTest, MasslessParticlesDriftWithTheirVelocity) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = stillSystem(10);
    setParticleMasses(ps, 0, 0);
    setParticleSpeeds(ps, 2, 2);
    addParticleSystem(&resources, ps);
    addEmitter(scene, MotionType::STATIC, 0, {0, 0, 0});
    updateTransforms(scene);
    stepSimulation(forces({{0, -9.8f, 0}}), scene, 0.1f, &resources);
    ASSERT_EQ(ps->count, 1);
    const Particle& p = ps->particles[0];
    expectFloat3(p.acceleration, {0, 0, 0});
    EXPECT_NEAR(lengthFloat3(p.velocity), 2.0f, 1e-5f);
    expectFloat3(p.position, scaleFloat3(p.velocity, 0.1f));
}

TEST(PhysicsTest, SimulatedParticleEntityIsABodyAndEmitsNothing) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = stillSystem(100);
    addParticleSystem(&resources, ps);
    const int32_t e = addEmitter(scene, MotionType::SIMULATE, 0, {0, 10, 0});
    updateTransforms(scene);
    stepSimulation(forces({{0, -9.8f, 0}}), scene, 0.1f, &resources);
    EXPECT_EQ(ps->count, 0);
    expectFloat3(getEntityPosition(scene, e), {0, 10 - 0.098f, 0});
}

TEST(PhysicsTest, SystemLinkedTwiceStepsTwiceFromEachEntity) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = stillSystem(10, 5.0f);
    addParticleSystem(&resources, ps);
    addEmitter(scene, MotionType::STATIC, 0, {-1, 0, 0});
    addEmitter(scene, MotionType::STATIC, 0, {1, 0, 0});
    updateTransforms(scene);
    stepSimulation(forces({}), scene, 0.25f, &resources);
    // The first entity's update bears 2 at its place; the second's ages them and bears 3.
    ASSERT_EQ(ps->count, 5);
    for (int32_t j = 0; j < 2; ++j) {
        EXPECT_FLOAT_EQ(ps->particles[j].position.x, -1) << j;
        EXPECT_FLOAT_EQ(ps->particles[j].life, 4.75f) << j;
    }
    for (int32_t j = 2; j < 5; ++j) {
        EXPECT_FLOAT_EQ(ps->particles[j].position.x, 1) << j;
        EXPECT_FLOAT_EQ(ps->particles[j].life, 5.0f) << j;
    }
}

TEST(PhysicsTest, LinkToNoSystemIsHarmless) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = stillSystem(100);
    addParticleSystem(&resources, ps);
    addEmitter(scene, MotionType::STATIC, 3, {0, 0, 0});
    addEmitter(scene, MotionType::STATIC, -1, {0, 0, 0});
    updateTransforms(scene);
    stepSimulation(forces({{0, -1, 0}}), scene, 0.1f, &resources);
    stepSimulation(forces({{0, -1, 0}}), scene, 0.1f, nullptr);
    EXPECT_EQ(ps->count, 0);
}

// Values that become non-finite at run time (a body thrown past the float range, an entity at
// its edge) must not crash the step or the transform update, nor spread to other entities.
TEST(PhysicsTest, NonFiniteValuesRunOnWithoutSpreading) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto finite = [](Float3 v) {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    };
    Scene* scene = createScene();
    Resources resources{};
    ForceList forces{};
    appendRecord(&forces, Force{ForceType::GRAVITY, {0.0f, -9.8f, 0.0f}});

    const int32_t plain =
        addEntity(scene, entity(EntityType::OBJECT, MotionType::SIMULATE, {0, 0, 0}, 1), 0);
    Entity nanMass = entity(EntityType::OBJECT, MotionType::SIMULATE, {1, 2, 3}, 1);
    nanMass.mass = nan;
    const int32_t nanMassIndex = addEntity(scene, nanMass, 0);
    Entity nanVelocity = entity(EntityType::OBJECT, MotionType::SIMULATE, {0, 0, 0}, 1);
    nanVelocity.velocity = {nan, 0.0f, 0.0f};
    const int32_t nanVelocityIndex = addEntity(scene, nanVelocity, 0);
    Entity thrown = entity(EntityType::OBJECT, MotionType::SIMULATE, {3.0e38f, 0, 0}, 1);
    thrown.velocity = {3.0e38f, -3.0e38f, 0.0f};
    const int32_t thrownIndex = addEntity(scene, thrown, 0);
    const int32_t far =
        addEntity(scene, entity(EntityType::GROUP, MotionType::STATIC, {inf, 0, 0}, 1), 0);
    Entity spun = entity(EntityType::OBJECT, MotionType::STATIC, {1, 0, 0}, 1);
    spun.rotation = Quaternion{nan, 0.0f, 0.0f, nan};
    const int32_t spunIndex = addEntity(scene, spun, far);
    Entity emitter = entity(EntityType::PARTICLE, MotionType::STATIC, {0, 0, 0}, 1);
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

// Particle systems and the physics step: the generator's exact draws, births with the fraction
// carried, growth, ageing and death, the semi-implicit integrator in each entity's own frame, and
// steps that are zero, backwards or not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "scene/scene.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();
constexpr float INF_F = std::numeric_limits<float>::infinity();
constexpr float SCALE = 3.0518509447574615e-05f;

std::vector<std::unique_ptr<ParticleSystem, decltype(&freeParticleSystem)>> made; // freed at exit

ParticleSystem* emitting(float birthRate, float lifetime = 100.0f) {
    ParticleSystem* ps = createParticleSystem(ParticleType::POINT, DisplayType::QUAD, BlendType::BLEND,
                                              lifetime, birthRate, 0.2f);
    made.emplace_back(ps, freeParticleSystem);
    setParticleSystemOff(ps, 0);
    setParticleColours(ps, {1, 0, 0, 1}, {0, 0, 1, 0});
    setParticleSpeeds(ps, 1, 3);
    setParticleMasses(ps, 1, 2);
    return ps;
}

// The growth of the live population in each step (lives are long).
std::vector<int32_t> births(ParticleSystem* ps, float dt, int steps) {
    std::vector<int32_t> out;
    auto live = [ps] { return std::count_if(ps->particles, ps->particles + ps->count, [](const Particle& p) { return !p.dead; }); };
    for (int i = 0; i < steps; ++i) {
        const auto before = live();
        updateParticleSystem(ps, dt);
        out.push_back(static_cast<int32_t>(live() - before));
    }
    return out;
}

} // namespace

TEST(Particles, EachBirthDrawsDirectionSpeedAndMassInOrderFromTheGenerator) {
    srand15(1); // draws 41, 18467, 6334, 26500, 19169, 15724 in turn
    ParticleSystem* ps = emitting(0);
    emitParticle(ps, 0);
    const Float3 d = {41 * SCALE - 0.5f, 18467 * SCALE - 0.5f, 6334 * SCALE - 0.5f};
    const float speed = (1 + 2 * (26500 * SCALE)) / lengthFloat3(d); // between MINSPEED 1 and 3
    expectFloat3(ps->particles[0].velocity, scaleFloat3(d, speed));
    EXPECT_NEAR(ps->particles[0].mass, 1 + 19169 * SCALE, 1e-6f); // between MINMASS 1 and 2
    EXPECT_EQ(rand15(), 15724); // exactly five draws were taken
}

TEST(Particles, BirthsFollowTheRateWithTheFractionCarriedEvenWhileOff) {
    EXPECT_EQ(births(emitting(10), 0.25f, 4), (std::vector<int32_t>{2, 3, 2, 3}));
    EXPECT_EQ(births(emitting(3), 0.1f, 7), (std::vector<int32_t>{0, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(births(emitting(-50), 0.1f, 2), (std::vector<int32_t>{0, 0}));
    ParticleSystem* ps = emitting(10);
    births(ps, 0.25f, 1); // 0.5 owed
    setParticleSystemOff(ps, 1);
    EXPECT_EQ(births(ps, 0.25f, 2), (std::vector<int32_t>{0, 0}));
    setParticleSystemOff(ps, 0);
    EXPECT_EQ(births(ps, 0.25f, 1), (std::vector<int32_t>{3}));
}

TEST(Particles, StorageGrowsOnceByAHundredAndDeadSlotsAreReusedLowestFirst) {
    const struct { float rate; int32_t capacity, count; } steps[] = {
        {100, 10, 10}, {250, 110, 25}, {1500, 110, 110}, {INF_F, 110, 110}, {NAN_F, 10, 0}};
    for (const auto& s : steps) {
        ParticleSystem* ps = emitting(s.rate);
        updateParticleSystem(ps, 0.1f);
        EXPECT_EQ(ps->capacity, s.capacity) << s.rate;
        EXPECT_EQ(ps->count, s.count) << s.rate;
        EXPECT_GE(ps->birthDebt, 0.0f) << s.rate; // the rest not owed
        EXPECT_LT(ps->birthDebt, 1.0f) << s.rate;
    }
    ParticleSystem* ps = emitting(40, 1.0f);
    updateParticleSystem(ps, 0.1f); // 4 born
    ps->particles[1].life = ps->particles[3].life = 0.05f;
    ps->birthRate = 10; // one birth in the next step, after slots 1 and 3 died
    updateParticleSystem(ps, 0.1f);
    EXPECT_EQ(ps->count, 4);
    EXPECT_EQ(ps->particles[1].dead, 0);
    EXPECT_EQ(ps->particles[1].life, 1.0f); // not aged in the step that bore it
    EXPECT_EQ(ps->particles[3].dead, 1);
}

TEST(Particles, ColoursFadeOverLifeAndLivesRunWithTheStepBothWays) {
    ParticleSystem* ps = emitting(20, 1.0f);
    setEmitterPosition(ps, {5, 6, 7});
    updateParticleSystem(ps, 0.1f); // 2 born at the emitter
    expectFloat3(ps->particles[0].position, {5, 6, 7}, 0);
    updateParticleSystem(ps, 0.5f); // aged to 0.5, 10 more born
    const Colour half = ps->particles[0].colour;
    expectNumbers({{half.r, 0.5f}, {half.g, 0}, {half.b, 0.5f}, {half.a, 0.5f}});
    for (float dt : {0.0f, NAN_F}) { // nothing changes
        const std::vector<Particle> before(ps->particles, ps->particles + ps->count);
        updateParticleSystem(ps, dt);
        EXPECT_EQ(std::memcmp(ps->particles, before.data(), sizeof(Particle) * before.size()), 0);
    }
    updateParticleSystem(ps, -0.25f); // backwards: younger, and those above the lifetime die
    EXPECT_FLOAT_EQ(ps->particles[0].life, 0.75f);
    EXPECT_FLOAT_EQ(ps->particles[0].colour.r, 0.75f);
    for (int32_t j = 2; j < 12; ++j) EXPECT_EQ(ps->particles[j].dead, 1) << j;
    setParticleSystemOff(ps, 1);
    updateParticleSystem(ps, 1.0f);
    EXPECT_EQ(ps->particles[0].dead, 1);
    ParticleSystem* instant = emitting(10, 0.0f); // no span to fade over: dead at once
    updateParticleSystem(instant, 0.1f);
    updateParticleSystem(instant, 0.0f);
    EXPECT_EQ(instant->particles[0].dead, 1);
    EXPECT_FALSE(std::isnan(instant->particles[0].colour.r));
}

namespace {

Entity body(int32_t entityType, int32_t motionType, Float3 position, float mass, int32_t link = 0) {
    Entity e{};
    e.entityType = entityType, e.type = motionType, e.position = position, e.rotation = {0, 0, 0, 1};
    e.mass = mass, e.link = link;
    return e;
}

ForceList* forces(std::initializer_list<Float3> strengths) {
    ForceList* list = createRecordList<Force>();
    for (Float3 s : strengths) appendRecord(list, Force{ForceType::GRAVITY, s});
    appendRecord(list, Force{7, {100, 100, 100}}); // not gravity: skipped
    return list;
}

} // namespace

TEST(Physics, BodiesMoveByTheSumOfForcesOverMassSemiImplicitly) {
    const struct { std::initializer_list<Float3> strengths; int32_t motionType; float mass, dt; Float3 velocity, position; }
        cases[] = {
        {{{0, -9.8f, 0}}, MotionType::SIMULATE, 2, 0.1f, {0, -0.49f, 0}, {0, 10 - 0.049f, 0}},
        {{{0, -5, 0}, {2, 0, 0}}, MotionType::SIMULATE, 1, 1.0f, {2, -5, 0}, {2, 5, 0}},
        {{{0, -5, 0}}, MotionType::SIMULATE, 0, 1.0f, {0, 0, 0}, {0, 10, 0}}, // massless
        {{{0, -5, 0}}, MotionType::ANIMATE, 1, 1.0f, {0, 0, 0}, {0, 10, 0}},
        {{{0, -5, 0}}, MotionType::SIMULATE, 1, 0.0f, {0, 0, 0}, {0, 10, 0}},
        {{{0, -5, 0}}, MotionType::SIMULATE, 1, INF_F, {0, 0, 0}, {0, 10, 0}}};
    for (const auto& c : cases) {
        Scene* scene = createScene();
        const int32_t e = addEntity(scene, body(EntityType::OBJECT, c.motionType, {0, 10, 0}, c.mass), 0);
        ForceList* list = forces(c.strengths);
        stepSimulation(list, scene, c.dt, nullptr);
        SCOPED_TRACE(testing::Message() << "mass " << c.mass << " dt " << c.dt);
        expectFloat3(getEntityVelocity(scene, e), c.velocity);
        expectFloat3(getEntityPosition(scene, e), c.position);
        freeForces(list), freeScene(scene);
    }
}

TEST(Physics, BodiesFallInTheirParentsFrameAndEmittersFollowTheirEntity) {
    Scene* scene = createScene();
    Resources resources{};
    ParticleSystem* ps = emitting(10, 5.0f);
    setParticleSpeeds(ps, 0, 0);
    setParticleMasses(ps, 2, 2);
    addParticleSystem(&resources, ps);
    Entity turned = body(EntityType::GROUP, MotionType::STATIC, {5, 0, 0}, 0);
    turned.rotation = quaternionFromAxisAngle(90, 0, 0, 1);
    const int32_t group = addEntity(scene, turned, 0);
    const int32_t falling = addEntity(scene, body(EntityType::OBJECT, MotionType::SIMULATE, {0, 0, 0}, 1), group);
    addEntity(scene, body(EntityType::PARTICLE, MotionType::ANIMATE, {0, 3, 0}, 1, 0), 0);
    addEntity(scene, body(EntityType::PARTICLE, MotionType::STATIC, {1, 0, 0}, 1, 0), 0); // same system
    addEntity(scene, body(EntityType::PARTICLE, MotionType::STATIC, {0, 0, 0}, 1, 3), 0); // no system
    const int32_t simulated = addEntity(scene, body(EntityType::PARTICLE, MotionType::SIMULATE, {0, 10, 0}, 1, 0), 0);
    updateTransforms(scene);
    ForceList* list = forces({{0, -10, 0}});
    stepSimulation(list, scene, 0.1f, &resources.particleSystems);
    updateTransforms(scene);
    // The group's -Y is the world's +X after a quarter turn about Z.
    expectFloat3(getEntityPosition(scene, falling), {0, -0.1f, 0});
    expectFloat3(getEntityWorldPosition(scene, falling), {5.1f, 0, 0}, 1e-3f);
    expectFloat3(getEntityPosition(scene, simulated), {0, 9.9f, 0}); // a body, not an emitter
    // The first entity's step bears 1 at its place and integrates it; the second's ages it, bears
    // 1 more at its own place, and integrates both.
    ASSERT_EQ(ps->count, 2);
    const Particle& p = ps->particles[0];
    expectFloat3(p.acceleration, {0, -5, 0}); // mass 2 halves the force
    expectFloat3(p.velocity, {0, -1, 0});
    expectFloat3(p.position, {0, 3 - 0.05f - 0.1f, 0});
    EXPECT_FLOAT_EQ(p.life, 4.9f);
    expectFloat3(ps->particles[1].position, {1, -0.05f, 0});
    freeForces(list), freeScene(scene), std::free(resources.particleSystems.items); // ps is in made
}

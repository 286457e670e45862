// Particle systems as a viewer sees them: how many are born per step, when storage grows, how
// colours fade, that a seed reproduces a run, and that odd steps and rates stay safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "sim/particles.h"

namespace {

constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();
constexpr float INF_F = std::numeric_limits<float>::infinity();

ParticleSystem* emittingSystem(float birthRate, float lifetime = 100.0f) {
    ParticleSystem* ps = createParticleSystem(ParticleType::POINT, DisplayType::QUAD,
                                              BlendType::BLEND, lifetime, birthRate, 0.2f);
    setParticleSystemOff(ps, 0);
    setParticleColours(ps, {1, 0, 0, 1}, {0, 0, 1, 0});
    setParticleSpeeds(ps, 1, 3);
    setParticleMasses(ps, 1, 2);
    return ps;
}

int32_t liveCount(const ParticleSystem* ps) {
    int32_t live = 0;
    for (int32_t j = 0; j < ps->count; ++j) live += ps->particles[j].dead == 0;
    return live;
}

// Births of each step, counted as the growth of the live population (lives are long).
std::vector<int32_t> birthsPerStep(ParticleSystem* ps, float dt, int steps) {
    std::vector<int32_t> births;
    for (int i = 0; i < steps; ++i) {
        const int32_t before = liveCount(ps);
        updateParticleSystem(ps, dt);
        births.push_back(liveCount(ps) - before);
    }
    return births;
}

bool sameParticles(const ParticleSystem* a, const ParticleSystem* b) {
    return a->count == b->count && a->capacity == b->capacity &&
           std::memcmp(a->particles, b->particles, sizeof(Particle) * a->count) == 0;
}

} // namespace

TEST(RandomTest, GeneratorFollowsItsFormula) {
    // seed 0: state 0 * 214013 + 2531011 = 2531011; (2531011 >> 16) & 0x7FFF = 38.
    srand15(0);
    EXPECT_EQ(rand15(), 38);
    EXPECT_EQ(rand15(), 7719);
    EXPECT_EQ(rand15(), 21238);
    srand15(1);
    const int32_t seedOne[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int32_t expected : seedOne) EXPECT_EQ(rand15(), expected);
    srand15(12345);
    EXPECT_EQ(rand15(), 7584);
}

TEST(RandomTest, FractionSpansZeroToOne) {
    uint32_t bits;
    const float scale = 3.0518509447574615e-05f;
    std::memcpy(&bits, &scale, sizeof bits);
    EXPECT_EQ(bits, 0x38000100u);
    srand15(1);
    EXPECT_DOUBLE_EQ(randomFraction(), 41 * static_cast<double>(scale));
    // The top draw, 32767, stays below 1: the product is formed in double.
    double highest = 0;
    srand15(7);
    for (int i = 0; i < 200000; ++i) {
        const double r = randomFraction();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        highest = std::max(highest, r);
    }
    EXPECT_NEAR(highest, 0.99999999907, 1e-11);
}

TEST(ParticleSystemTest, CreatedSwitchedOffWithTenEmptySlots) {
    ParticleSystem* ps = createParticleSystem(ParticleType::POINT, DisplayType::TRIANGLE,
                                              BlendType::SATURATE, 2.0f, 20.0f, 0.5f);
    EXPECT_EQ(ps->off, 1);
    EXPECT_EQ(ps->count, 0);
    EXPECT_EQ(ps->capacity, PARTICLE_START_CAPACITY);
    EXPECT_EQ(ps->capacity, 10);
    updateParticleSystem(ps, 10.0f);
    EXPECT_EQ(ps->count, 0); // off: nothing born
}

TEST(ParticleSystemTest, BirthsFollowTheRateWithTheFractionCarried) {
    EXPECT_EQ(birthsPerStep(emittingSystem(10), 0.25f, 6),
              (std::vector<int32_t>{2, 3, 2, 3, 2, 3}));
    EXPECT_EQ(birthsPerStep(emittingSystem(3), 0.1f, 8),
              (std::vector<int32_t>{0, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(birthsPerStep(emittingSystem(-50), 0.1f, 3), (std::vector<int32_t>{0, 0, 0}));
}

TEST(ParticleSystemTest, NewbornTakesTheEmitterAndTheFirstColour) {
    ParticleSystem* ps = emittingSystem(4, 2);
    setEmitterPosition(ps, {5, 6, 7});
    updateParticleSystem(ps, 0.25f);
    ASSERT_EQ(ps->count, 1);
    const Particle& p = ps->particles[0];
    EXPECT_EQ(p.dead, 0);
    EXPECT_EQ(p.life, 2.0f); // not aged in the step that bore it
    EXPECT_EQ(p.position.x, 5.0f);
    EXPECT_EQ(p.position.z, 7.0f);
    EXPECT_EQ(p.colour.r, 1.0f);
    EXPECT_EQ(p.colour.b, 0.0f);
}

TEST(ParticleSystemTest, StorageGrowsOnceByAHundredAndDropsTheRest) {
    ParticleSystem* some = emittingSystem(250);
    updateParticleSystem(some, 0.1f); // 25 due
    EXPECT_EQ(some->capacity, 110);
    EXPECT_EQ(some->count, 25);
    EXPECT_EQ(liveCount(some), 25);

    ParticleSystem* many = emittingSystem(1500);
    updateParticleSystem(many, 0.1f); // 150 due
    EXPECT_EQ(many->capacity, 110);
    EXPECT_EQ(many->count, 110);
    EXPECT_LT(many->birthDebt, 1.0f); // the 40 that found no slot are not owed later
    setParticleSystemOff(many, 1);
    updateParticleSystem(many, 0.0f);
    EXPECT_EQ(many->count, 110);

    ParticleSystem* exact = emittingSystem(100);
    updateParticleSystem(exact, 0.1f); // 10 due: they fit the first ten slots
    EXPECT_EQ(exact->capacity, 10);
    EXPECT_EQ(exact->count, 10);
}

TEST(ParticleSystemTest, DeadSlotsAreReusedLowestFirstBeforeGrowing) {
    ParticleSystem* ps = emittingSystem(40, 1.0f);
    updateParticleSystem(ps, 0.1f); // 4 born
    ASSERT_EQ(ps->count, 4);
    ps->particles[1].life = 0.05f;
    ps->particles[3].life = 0.05f;
    setParticleSystemOff(ps, 1);
    updateParticleSystem(ps, 0.1f); // slots 1 and 3 die
    EXPECT_EQ(ps->particles[1].dead, 1);
    EXPECT_EQ(ps->particles[3].dead, 1);
    EXPECT_EQ(liveCount(ps), 2);

    setParticleSystemOff(ps, 0);
    ps->birthRate = 10; // one birth in a step of 0.1
    updateParticleSystem(ps, 0.1f);
    EXPECT_EQ(ps->particles[1].dead, 0);
    EXPECT_EQ(ps->particles[1].life, 1.0f);
    EXPECT_EQ(ps->particles[3].dead, 1);
    EXPECT_EQ(ps->count, 4);
}

TEST(ParticleSystemTest, ColourFadesOverLifeAndTheOldDie) {
    ParticleSystem* ps = emittingSystem(4, 2.0f);
    updateParticleSystem(ps, 0.25f);
    setParticleSystemOff(ps, 1);
    updateParticleSystem(ps, 1.0f); // half its life gone
    const Colour c = ps->particles[0].colour;
    EXPECT_FLOAT_EQ(c.r, 0.5f);
    EXPECT_FLOAT_EQ(c.g, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 0.5f);
    EXPECT_FLOAT_EQ(c.a, 0.5f);
    EXPECT_EQ(ps->particles[0].dead, 0);
    updateParticleSystem(ps, 1.5f);
    EXPECT_EQ(ps->particles[0].dead, 1);
}

TEST(ParticleSystemTest, EachBirthDrawsDirectionSpeedAndMassInOrder) {
    ParticleSystem* ps = emittingSystem(0);
    srand15(1); // draws 41, 18467, 6334, 26500, 19169, then 15724
    emitParticle(ps, 0);
    const float s = 3.0518509447574615e-05f;
    const Float3 d = {41 * s - 0.5f, 18467 * s - 0.5f, 6334 * s - 0.5f};
    const float speed = 1 + 2 * (26500 * s); // between MINSPEED 1 and MAXSPEED 3
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const Particle& p = ps->particles[0];
    EXPECT_NEAR(p.velocity.x, d.x / length * speed, 1e-5f);
    EXPECT_NEAR(p.velocity.y, d.y / length * speed, 1e-5f);
    EXPECT_NEAR(p.velocity.z, d.z / length * speed, 1e-5f);
    EXPECT_NEAR(p.mass, 1 + 19169 * s, 1e-6f); // between MINMASS 1 and MAXMASS 2
    EXPECT_EQ(rand15(), 15724);                // exactly five draws were taken
}

TEST(ParticleSystemTest, SameSeedAndStepsGiveTheSameParticles) {
    auto run = [](uint32_t seed) {
        ParticleSystem* ps = emittingSystem(37, 0.5f);
        srand15(seed);
        for (int i = 0; i < 30; ++i) {
            setEmitterPosition(ps, {static_cast<float>(i), 0, 0});
            updateParticleSystem(ps, 0.05f + 0.01f * static_cast<float>(i % 3));
        }
        return ps;
    };
    ParticleSystem* a = run(99);
    ParticleSystem* b = run(99);
    ParticleSystem* other = run(100);
    EXPECT_TRUE(sameParticles(a, b));
    EXPECT_FALSE(sameParticles(a, other));
}

TEST(ParticleSystemTest, SwitchingOffAndOnKeepsTheDebt) {
    ParticleSystem* ps = emittingSystem(10);
    EXPECT_EQ(birthsPerStep(ps, 0.25f, 1), (std::vector<int32_t>{2})); // 0.5 owed
    setParticleSystemOff(ps, 1);
    EXPECT_EQ(birthsPerStep(ps, 0.25f, 3), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_FLOAT_EQ(ps->birthDebt, 0.5f);
    setParticleSystemOff(ps, 0);
    EXPECT_EQ(birthsPerStep(ps, 0.25f, 1), (std::vector<int32_t>{3}));
}

TEST(ParticleSystemTest, ZeroAndNotANumberStepsChangeNothing) {
    for (float dt : {0.0f, NAN_F}) {
        ParticleSystem* ps = emittingSystem(30, 1.0f);
        updateParticleSystem(ps, 0.1f);
        updateParticleSystem(ps, 0.1f);
        const std::vector<Particle> particles(ps->particles, ps->particles + ps->count);
        const float debt = ps->birthDebt;
        updateParticleSystem(ps, dt);
        EXPECT_EQ(ps->count, static_cast<int32_t>(particles.size())) << dt;
        EXPECT_EQ(ps->birthDebt, debt) << dt;
        EXPECT_EQ(std::memcmp(ps->particles, particles.data(), sizeof(Particle) * particles.size()),
                  0);
    }
}

TEST(ParticleSystemTest, NegativeStepRunsLivesBackwardsAndBearsNothing) {
    ParticleSystem* ps = emittingSystem(20, 1.0f);
    updateParticleSystem(ps, 0.1f); // 2 born with life 1
    updateParticleSystem(ps, 0.5f); // aged to 0.5, 10 more born
    ASSERT_EQ(ps->count, 12);
    updateParticleSystem(ps, -0.25f);
    EXPECT_EQ(ps->count, 12);
    EXPECT_EQ(ps->particles[0].dead, 0);
    EXPECT_FLOAT_EQ(ps->particles[0].life, 0.75f);
    EXPECT_FLOAT_EQ(ps->particles[0].colour.r, 0.75f);                         // fading backwards
    for (int32_t j = 2; j < 12; ++j) EXPECT_EQ(ps->particles[j].dead, 1) << j; // above lifetime
    EXPECT_GE(ps->birthDebt, 0.0f);
    EXPECT_LT(ps->birthDebt, 1.0f);
}

TEST(ParticleSystemTest, ZeroLifetimeParticlesDieAtOnce) {
    ParticleSystem* ps = emittingSystem(10, 0.0f);
    updateParticleSystem(ps, 0.1f);
    ASSERT_EQ(ps->count, 1);
    updateParticleSystem(ps, 0.0f);
    EXPECT_EQ(ps->particles[0].dead, 1);
    EXPECT_FALSE(std::isnan(ps->particles[0].colour.r));
}

TEST(ParticleSystemTest, HugeStepsAndRatesGrowByAHundredAtMost) {
    struct Case {
        float rate, dt;
    };
    const Case cases[] = {{1e30f, 1.0f},  {3.4e38f, 3.4e38f}, {INF_F, 0.1f},
                          {10.0f, INF_F}, {INF_F, 0.0f},      {NAN_F, 0.1f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << " dt " << c.dt);
        ParticleSystem* ps = emittingSystem(c.rate, 1e30f);
        int32_t capacity = ps->capacity;
        for (int i = 0; i < 5; ++i) {
            updateParticleSystem(ps, c.dt);
            EXPECT_LE(ps->capacity, capacity + PARTICLE_CAPACITY_STEP);
            EXPECT_LE(ps->count, ps->capacity);
            EXPECT_TRUE(ps->birthDebt >= 0.0f && ps->birthDebt < 1.0f) << ps->birthDebt;
            capacity = ps->capacity;
        }
    }
}

// Particle systems: construction, the per-step ageing and emission, and the engine's 15-bit
// random generator. A system owns its particle array, which only grows, by 100 slots at a time.
// Times in seconds of simulation time, positions in world units. No GL here.
#include "sim/particles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/alloc.h"

namespace {

uint32_t randomState = 1;

// The array grows rarely and by a fixed step.
Particle* resizeParticles(Particle* particles, int32_t capacity) {
    void* grown = std::realloc(particles, sizeof(Particle) * static_cast<size_t>(capacity));
    if (!grown) {
        char what[48];
        std::snprintf(what, sizeof(what), "%d particle slots", capacity);
        failAllocation(what);
    }
    return static_cast<Particle*>(grown);
}

} // namespace

ParticleSystem* createParticleSystem(int32_t particleType, int32_t displayType, int32_t blendType,
                                     float lifetime, float birthRate, float size) {
    auto* system =
        static_cast<ParticleSystem*>(allocZeroed(1, sizeof(ParticleSystem), "a particle system"));
    system->off = 1;
    system->count = 0;
    system->capacity = PARTICLE_START_CAPACITY;
    system->particles = static_cast<Particle*>(
        allocZeroed(PARTICLE_START_CAPACITY, sizeof(Particle), "particle slots"));
    system->particleType = particleType;
    system->displayType = displayType;
    system->blendType = blendType;
    system->lifetime = lifetime;
    system->birthRate = birthRate;
    system->size = size;
    system->birthDebt = 0.0f;
    return system;
}

void freeParticleSystem(ParticleSystem* system) {
    if (system == nullptr) return;
    std::free(system->particles);
    std::free(system);
}

void setParticleSystemOff(ParticleSystem* system, int32_t value) {
    system->off = value;
}

void setParticleColours(ParticleSystem* system, Colour minColour, Colour maxColour) {
    system->minColour = minColour;
    system->maxColour = maxColour;
}

void setParticleSpeeds(ParticleSystem* system, float minSpeed, float maxSpeed) {
    if (system->particleType != ParticleType::POINT) return;
    system->minSpeed = minSpeed;
    system->maxSpeed = maxSpeed;
}

void setParticleTexture(ParticleSystem* system, int32_t textureId) {
    if (system->particleType != ParticleType::POINT) return;
    system->textureId = textureId;
}

void setParticleMasses(ParticleSystem* system, float minMass, float maxMass) {
    if (system->particleType != ParticleType::POINT) return;
    system->minMass = minMass;
    system->maxMass = maxMass;
}

void setEmitterPosition(ParticleSystem* system, Float3 position) {
    system->position = position;
}

void updateParticleSystem(ParticleSystem* system, float dt) {
    // A NaN step has no meaning as a time; taking it would leave every life NaN for good.
    if (std::isnan(dt)) return;

    for (int32_t j = 0; j < system->count; ++j) {
        Particle& particle = system->particles[j];
        particle.life -= dt;
        // A lifetime of 0 or less gives no span to fade over: such particles die at once.
        if (particle.life < 0.0f || particle.life > system->lifetime ||
            !(system->lifetime > 0.0f)) {
            particle.dead = 1;
        } else {
            particle.colour = lerpColour(system->minColour, system->maxColour,
                                         1.0f - particle.life / system->lifetime);
        }
    }

    if (system->off != 0) return;

    const float debt = dt * system->birthRate + system->birthDebt;
    const float whole = std::floor(debt);
    // More than this many births cannot find a slot in this step (every used slot reused plus
    // one growth step), so clamping keeps the count within an int without changing the result.
    const int32_t mostThatFit = system->capacity + PARTICLE_CAPACITY_STEP;
    int32_t n = 0;
    if (whole > 0.0f) {
        n = whole >= static_cast<float>(mostThatFit) ? mostThatFit : static_cast<int32_t>(whole);
    }
    // A non-finite debt (an infinite step or rate) leaves nothing meaningful to carry over.
    system->birthDebt = std::isfinite(debt) ? debt - whole : 0.0f;

    int32_t emitted = 0;
    for (int32_t j = 0; j < system->count && emitted < n; ++j) {
        if (system->particles[j].dead == 1) {
            emitParticle(system, j);
            emitted += 1;
        }
    }
    if (emitted < n) {
        if ((n - emitted) + system->count > system->capacity) {
            system->capacity += PARTICLE_CAPACITY_STEP;
            system->particles = resizeParticles(system->particles, system->capacity);
        }
        for (int32_t j = system->count; j < system->capacity && emitted < n; ++j) {
            emitParticle(system, j);
            emitted += 1;
            system->count += 1;
        }
    }
}

void emitParticle(ParticleSystem* system, int32_t slot) {
    Particle& particle = system->particles[slot];
    particle.dead = 0;
    particle.life = system->lifetime;
    particle.position = system->position;
    particle.acceleration = {0.0f, 0.0f, 0.0f};
    particle.colour = system->minColour;

    Float3 direction;
    direction.x = static_cast<float>(randomFraction() - 0.5);
    direction.y = static_cast<float>(randomFraction() - 0.5);
    direction.z = static_cast<float>(randomFraction() - 0.5);
    double r = randomFraction();
    const float speed = static_cast<float>((1.0 - r) * system->minSpeed + r * system->maxSpeed);
    normaliseFloat3(&direction);
    particle.velocity = scaleFloat3(direction, speed);
    r = randomFraction();
    particle.mass = static_cast<float>((1.0 - r) * system->minMass + r * system->maxMass);
}

void srand15(uint32_t seed) {
    randomState = seed;
}

int32_t rand15() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

double randomFraction() {
    // The float nearest 1/32767, widened: the product stays below 1 (at most 0.99999999907).
    return rand15() * static_cast<double>(3.0518509447574615e-05f);
}

// Particle systems: steady emission with a birth debt carried as a fraction, ageing, colour
// fading over life, dead slots reused lowest first, and the engine's own 15-bit random
// generator, so the same seed and steps give the same particles on every machine. No GL here.
#pragma once

#include "core/math.h"

struct ParticleType {
    enum : int32_t { POINT = 0 }; // the only particle type
};
struct DisplayType {
    enum : int32_t { POINT = 0, TRIANGLE = 1, QUAD = 2 };
};
struct BlendType {
    enum : int32_t { SATURATE = 0, BLEND = 1 };
};

struct Particle {
    int32_t dead;
    float life; // remaining seconds
    Float3 position;
    Float3 acceleration;
    Float3 velocity;
    float mass;
    Colour colour;
};
static_assert(sizeof(Particle) == 64);

struct ParticleSystem {
    int32_t off;
    Float3 position; // emitter, world coordinates
    int32_t count;   // slots in use, live or dead
    int32_t capacity;
    Particle* particles;
    int32_t particleType;
    int32_t displayType;
    int32_t blendType;
    int32_t textureId;
    Colour minColour;
    Colour maxColour;
    float minSpeed;
    float maxSpeed;
    float minMass;
    float maxMass;
    float size;
    float birthRate; // per second of simulation time
    float lifetime;  // seconds
    float birthDebt; // in [0, 1)
};

inline constexpr int32_t PARTICLE_START_CAPACITY = 10;
inline constexpr int32_t PARTICLE_CAPACITY_STEP = 100;

ParticleSystem* createParticleSystem(int32_t particleType, int32_t displayType, int32_t blendType,
                                     float lifetime, float birthRate, float size);
// Frees the system with its particle array; null is ignored.
void freeParticleSystem(ParticleSystem* system);
void setParticleSystemOff(ParticleSystem* system, int32_t value);
void setParticleColours(ParticleSystem* system, Colour minColour, Colour maxColour);
void setParticleSpeeds(ParticleSystem* system, float minSpeed, float maxSpeed);
void setParticleTexture(ParticleSystem* system, int32_t textureId);
void setParticleMasses(ParticleSystem* system, float minMass, float maxMass);
void setEmitterPosition(ParticleSystem* system, Float3 position);
void updateParticleSystem(ParticleSystem* system, float dt);
void emitParticle(ParticleSystem* system, int32_t slot);

// The generator: state = state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
// srand15 is the engine's srand; it is named apart from the C library's, whose sequence differs.
void srand15(uint32_t seed);
int32_t rand15();
// rand15() times the float nearest 1/32767, formed in double: in [0, 1), at most 0.99999999907.
double randomFraction();

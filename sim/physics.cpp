// The physics step: semi-implicit Euler for SIMULATE bodies and for the live particles of the
// systems that PARTICLE entities emit from. Forces are in the parent's frame of each body;
// dt in seconds of simulation time. Allocates nothing itself. No GL here.
#include "sim/physics.h"

#include <cmath>
#include <cstdlib>

#include "scene/scene.h"
#include "sim/particles.h"

namespace {

void integrateParticles(ParticleSystem* system, Float3 force, float dt) {
    for (int32_t j = 0; j < system->count; ++j) {
        Particle& particle = system->particles[j];
        if (particle.dead != 0) continue;
        Float3 a = {0.0f, 0.0f, 0.0f};
        if (particle.mass > 0.0f) a = scaleFloat3(force, 1.0f / particle.mass);
        const Float3 v = addFloat3(particle.velocity, scaleFloat3(a, dt));
        particle.position = addFloat3(particle.position, scaleFloat3(v, dt));
        particle.velocity = v;
        particle.acceleration = a;
    }
}

} // namespace

Float3 sumForces(const ForceList* forces) {
    Float3 sum = {0.0f, 0.0f, 0.0f};
    if (!forces) return sum;
    for (int32_t i = 0; i < forces->count; ++i) {
        if (forces->items[i].forceType == ForceType::GRAVITY)
            sum = addFloat3(sum, forces->items[i].strength);
    }
    return sum;
}

void stepSimulation(const ForceList* forces, Scene* scene, float dt,
                    const PtrList<ParticleSystem>* particleSystems) {
    // A step that is not a finite time would leave every body and particle at NaN or infinity
    // for the rest of the run; such a step is not taken.
    if (!std::isfinite(dt) || !scene) return;
    const Float3 force = sumForces(forces);
    // The scene's lists of bodies and emitters, so a turn costs what moves, not the entity count.
    // Bodies first, then emitters, gives what one walk in index order gives: a body's step
    // changes only its own position, which no emitter reads before the transform update.
    const IndexList bodies = entitiesOfMotion(scene, MotionType::SIMULATE);
    for (int32_t n = 0; n < bodies.count; ++n) {
        const int32_t i = bodies.items[n];
        const float m = getEntityMass(scene, i);
        if (!(m > 0.0f)) continue;
        const float k = 1.0f / m;
        const Float3 a = scaleFloat3(force, k);
        const Float3 v = addFloat3(getEntityVelocity(scene, i), scaleFloat3(a, dt));
        const Float3 p = addFloat3(getEntityPosition(scene, i), scaleFloat3(v, dt));
        setEntityPosition(scene, i, p);
        setEntityVelocity(scene, i, v);
        setEntityAcceleration(scene, i, a);
    }
    if (!particleSystems) return;
    const IndexList emitters = entitiesOfType(scene, EntityType::PARTICLE);
    for (int32_t n = 0; n < emitters.count; ++n) {
        const int32_t i = emitters.items[n];
        if (getEntityMotionType(scene, i) == MotionType::SIMULATE) continue; // a body, above
        // A link outside the list (one that named nothing) has no system.
        const int32_t link = getEntityLink(scene, i);
        if (link < 0 || link >= particleSystems->count) continue;
        ParticleSystem* system = getPointer(particleSystems, link);
        if (!system) continue;
        setEmitterPosition(system, getEntityWorldPosition(scene, i));
        updateParticleSystem(system, dt);
        integrateParticles(system, force, dt);
    }
}

void freeForces(ForceList* forces) {
    if (forces == nullptr) return;
    std::free(forces->items);
    std::free(forces);
}

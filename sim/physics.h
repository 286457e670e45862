// The physics step: SIMULATE bodies under the sum of the global forces (semi-implicit Euler),
// and the particle systems of PARTICLE entities moved to their entity, aged, fed and integrated.
// No GL here.
#pragma once

#include "core/list.h"
#include "core/math.h"

struct Scene;
struct ParticleSystem;

struct ForceType {
    enum : int32_t { GRAVITY = 0 };
};

struct Force {
    int32_t forceType;
    Float3 strength;
};

using ForceList = RecordList<Force>;

// Frees the list and its records; null is ignored.
void freeForces(ForceList* forces);

Float3 sumForces(const ForceList* forces);
// Moves the bodies, then the particle systems that PARTICLE entities link to in `particleSystems`
// (the resources' list); a null list steps the bodies only.
void stepSimulation(const ForceList* forces, Scene* scene, float dt,
                    const PtrList<ParticleSystem>* particleSystems);

// bench_idle: the idle turn's work without a window. stepSimulation over 100,000 live particles,
// animateScene plus updateTransforms over 10,000 animated entities, updateTransforms when 1 % or
// all of 10,000 entities moved, and the heap allocations of whole idle turns. Each engine figure
// has a reference beside it: plain loops of our own doing the same arithmetic on flat arrays,
// measured in the same run with their repetitions interleaved.
#include "anim/keyframe.h"
#include "app/input.h"
#include "bench/alloc_count.h"
#include "bench/report.h"
#include "core/clock.h"
#include "hud/actions.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "texture/registry.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr float STEP = 1.0f / 60.0f;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

Entity makeEntity(const char* name, int32_t kind, int32_t motion, Float3 position) {
    Entity e{};
    std::strncpy(e.name, name, NAME_SIZE - 1);
    e.entityType = kind;
    e.type = motion;
    e.position = position;
    e.rotation = quaternionFromAxisAngle(0, 0, 1, 0);
    e.mass = 1;
    e.visible = 1;
    e.changed = 1;
    if (kind == EntityType::OBJECT) {
        e.bounds.axis0 = {1, 0, 0};
        e.bounds.axis1 = {0, 1, 0};
        e.bounds.axis2 = {0, 0, 1};
    }
    return e;
}

// ---------------------------------------------------------------------------------------------
// Particles: 10 systems of 10,000 live particles each (5,000 births a second, 2 s of life).

constexpr int SYSTEMS = 10;

struct ParticleWorld {
    Scene* scene;
    ForceList forces;
    Resources resources;
};

ParticleWorld* makeParticleWorld() {
    auto* w = new ParticleWorld{};
    w->scene = createScene();
    appendRecord(&w->forces, Force{ForceType::GRAVITY, {0, -9.8f, 0}});
    const int32_t world =
        addEntity(w->scene, makeEntity("World", EntityType::GROUP, MotionType::STATIC, {}), 0);
    for (int i = 0; i < SYSTEMS; ++i) {
        ParticleSystem* s = createParticleSystem(ParticleType::POINT, DisplayType::QUAD,
                                                 BlendType::BLEND, 2.0f, 5000.0f, 0.2f);
        setParticleSystemOff(s, 0);
        setParticleColours(s, {1, 1, 1, 1}, {0.2f, 0.2f, 1, 0});
        setParticleMasses(s, 1, 2);
        setParticleSpeeds(s, 1, 3);
        Entity e = makeEntity("Emitter", EntityType::PARTICLE, MotionType::STATIC,
                              {static_cast<float>(i), 0, 0});
        e.link = addParticleSystem(&w->resources, s);
        addEntity(w->scene, e, world);
    }
    updateTransforms(w->scene);
    srand15(1);
    // Five seconds of simulation: past the first deaths, so births and deaths balance.
    for (int i = 0; i < 300; ++i)
        stepSimulation(&w->forces, w->scene, STEP, &w->resources.particleSystems);
    return w;
}

int64_t liveParticles(const Resources& resources) {
    int64_t live = 0;
    for (int32_t s = 0; s < resources.particleSystems.count; ++s) {
        const ParticleSystem* ps = resources.particleSystems.items[s];
        for (int32_t j = 0; j < ps->count; ++j) live += ps->particles[j].dead == 0;
    }
    return live;
}

// The reference: the same ageing, emission and integration over flat arrays of our own.
struct ReferenceSystem {
    std::vector<Particle> particles;
    int32_t count;
    float debt;
    Float3 emitter;
};

uint32_t referenceSeed = 1;
float referenceFraction() {
    referenceSeed = referenceSeed * 214013u + 2531011u;
    return static_cast<float>((referenceSeed >> 16) & 0x7FFF) * 3.0518509447574615e-05f;
}

void referenceStep(std::vector<ReferenceSystem>& systems, Float3 force, float dt) {
    const float lifetime = 2.0f, birthRate = 5000.0f;
    const Colour c0 = {1, 1, 1, 1}, c1 = {0.2f, 0.2f, 1, 0};
    for (ReferenceSystem& s : systems) {
        Particle* p = s.particles.data();
        for (int32_t j = 0; j < s.count; ++j) {
            p[j].life -= dt;
            if (p[j].life < 0 || p[j].life > lifetime) {
                p[j].dead = 1;
                continue;
            }
            const float f = 1 - p[j].life / lifetime;
            p[j].colour = {c0.r + (c1.r - c0.r) * f, c0.g + (c1.g - c0.g) * f,
                           c0.b + (c1.b - c0.b) * f, c0.a + (c1.a - c0.a) * f};
        }
        s.debt += dt * birthRate;
        int32_t due = static_cast<int32_t>(std::floor(s.debt));
        s.debt -= static_cast<float>(due);
        for (int32_t j = 0; j < s.count && due > 0; ++j) {
            if (!p[j].dead) continue;
            Float3 d = {referenceFraction() - 0.5f, referenceFraction() - 0.5f,
                        referenceFraction() - 0.5f};
            const float r = referenceFraction();
            const float speed = (1 - r) * 1.0f + r * 3.0f;
            const float inv = speed / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            const float m = referenceFraction();
            p[j] = Particle{0,
                            lifetime,
                            s.emitter,
                            {0, 0, 0},
                            {d.x * inv, d.y * inv, d.z * inv},
                            (1 - m) * 1.0f + m * 2.0f,
                            c0};
            --due;
        }
        for (int32_t j = 0; j < s.count; ++j) {
            if (p[j].dead) continue;
            const float k = 1.0f / p[j].mass;
            const Float3 a = {force.x * k, force.y * k, force.z * k};
            p[j].velocity = {p[j].velocity.x + a.x * dt, p[j].velocity.y + a.y * dt,
                             p[j].velocity.z + a.z * dt};
            p[j].position = {p[j].position.x + p[j].velocity.x * dt,
                             p[j].position.y + p[j].velocity.y * dt,
                             p[j].position.z + p[j].velocity.z * dt};
            p[j].acceleration = a;
        }
    }
}

void Idle_StepSimulation(benchmark::State& state) {
    static ParticleWorld* w = makeParticleWorld();
    const int64_t liveBefore = liveParticles(w->resources);
    const long long allocsBefore = bench::allocationCount();
    for (auto _ : state) stepSimulation(&w->forces, w->scene, STEP, &w->resources.particleSystems);
    const long long allocs = bench::allocationCount() - allocsBefore;
    const int64_t live = (liveBefore + liveParticles(w->resources)) / 2;
    state.counters["live"] = static_cast<double>(live);
    state.counters["allocs_per_turn"] =
        static_cast<double>(allocs) / static_cast<double>(state.iterations());
}

void Idle_StepSimulationReference(benchmark::State& state) {
    static std::vector<ReferenceSystem>* systems = [] {
        ParticleWorld* w = makeParticleWorld(); // same starting particles as the engine's
        auto* out = new std::vector<ReferenceSystem>;
        for (int32_t s = 0; s < w->resources.particleSystems.count; ++s) {
            const ParticleSystem* ps = w->resources.particleSystems.items[s];
            out->push_back({std::vector<Particle>(ps->particles, ps->particles + ps->capacity),
                            ps->count, ps->birthDebt, ps->position});
        }
        return out;
    }();
    for (auto _ : state) referenceStep(*systems, {0, -9.8f, 0}, STEP);
    int64_t live = 0;
    for (const ReferenceSystem& s : *systems)
        for (int32_t j = 0; j < s.count; ++j) live += s.particles[j].dead == 0;
    state.counters["live"] = static_cast<double>(live);
}

// ---------------------------------------------------------------------------------------------
// Entities: a World group holding 100 groups of 100 objects.

constexpr int GROUPS = 100;
constexpr int PER_GROUP = 100;
constexpr int ENTITIES = GROUPS * PER_GROUP;

struct EntityWorld {
    Scene* scene;
    KeyframerList* keyframers;
    std::vector<int32_t> objects; // entity indices of the 10,000 objects
};

EntityWorld* makeEntityWorld(int32_t motion) {
    auto* w = new EntityWorld{};
    w->scene = createScene();
    w->keyframers = createList<Keyframer>();
    const int32_t world =
        addEntity(w->scene, makeEntity("World", EntityType::GROUP, MotionType::STATIC, {}), 0);
    for (int g = 0; g < GROUPS; ++g) {
        const int32_t group = addEntity(
            w->scene,
            makeEntity("Group", EntityType::GROUP, MotionType::STATIC,
                       {static_cast<float>(g % 10) * 12.0f, static_cast<float>(g / 10) * 12.0f, 0}),
            world);
        for (int i = 0; i < PER_GROUP; ++i) {
            const Float3 at = {static_cast<float>(i % 10), static_cast<float>(i / 10), 0};
            const int32_t e =
                addEntity(w->scene, makeEntity("Thing", EntityType::OBJECT, motion, at), group);
            w->objects.push_back(e);
            if (motion != MotionType::ANIMATE) continue;
            Keyframer* move = createKeyframer(KeyframeType::POSITION);
            addPositionKey(move, at, 0);
            addPositionKey(move, {at.x, at.y + 1, at.z}, 2);
            addPositionKey(move, at, 4);
            move->entity = e;
            appendPointer(w->keyframers, move);
            Keyframer* turn = createKeyframer(KeyframeType::ROTATION);
            addRotationKey(turn, quaternionFromAxisAngle(0, 0, 1, 0), 0);
            addRotationKey(turn, quaternionFromAxisAngle(180, 0, 1, 0), 4);
            turn->entity = e;
            appendPointer(w->keyframers, turn);
        }
    }
    updateTransforms(w->scene);
    return w;
}

void Idle_AnimateAndUpdate(benchmark::State& state) {
    static EntityWorld* w = makeEntityWorld(MotionType::ANIMATE);
    static float t = 0;
    const long long allocsBefore = bench::allocationCount();
    for (auto _ : state) {
        t += STEP;
        animateScene(w->keyframers, w->scene, t);
        updateTransforms(w->scene);
    }
    state.counters["allocs_per_turn"] =
        static_cast<double>(bench::allocationCount() - allocsBefore) /
        static_cast<double>(state.iterations());
}

// The reference: the same keys in flat arrays, the same matrices and boxes, no node tree.
struct ReferenceEntities {
    std::vector<Float3> positionKeys;     // three per entity, at 0, 2 and 4 s
    std::vector<Quaternion> rotationKeys; // two per entity, at 0 and 4 s
    std::vector<Matrix44> groupWorld;     // world matrix of each group
    std::vector<Matrix44> local;
    std::vector<BoundingBox> worldBox;
    std::vector<BoundingBox> groupBox;
    BoundingBox rootBox;
};

ReferenceEntities* makeReferenceEntities() {
    auto* r = new ReferenceEntities{};
    for (int g = 0; g < GROUPS; ++g) {
        r->groupWorld.push_back(translationMatrix(static_cast<float>(g % 10) * 12.0f,
                                                  static_cast<float>(g / 10) * 12.0f, 0));
        for (int i = 0; i < PER_GROUP; ++i) {
            const Float3 at = {static_cast<float>(i % 10), static_cast<float>(i / 10), 0};
            r->positionKeys.insert(r->positionKeys.end(), {at, {at.x, at.y + 1, at.z}, at});
            r->rotationKeys.push_back(quaternionFromAxisAngle(0, 0, 1, 0));
            r->rotationKeys.push_back(quaternionFromAxisAngle(180, 0, 1, 0));
        }
    }
    r->local.resize(ENTITIES);
    r->worldBox.resize(ENTITIES);
    r->groupBox.resize(GROUPS);
    return r;
}

void referenceAnimate(ReferenceEntities& r, float t) {
    const float folded = t - 4.0f * std::trunc(t / 4.0f);
    const BoundingBox unit = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    for (int g = 0; g < GROUPS; ++g) {
        BoundingBox box{};
        for (int i = 0; i < PER_GROUP; ++i) {
            const int e = g * PER_GROUP + i;
            const Float3* pk = &r.positionKeys[3 * e];
            const Float3 p = folded <= 2 ? lerpFloat3(pk[0], pk[1], folded / 2)
                                         : lerpFloat3(pk[1], pk[2], (folded - 2) / 2);
            Quaternion q =
                lerpQuaternion(r.rotationKeys[2 * e], r.rotationKeys[2 * e + 1], folded / 4);
            r.local[e] =
                multiplyMatrices(translationMatrix(p.x, p.y, p.z), matrixFromQuaternion(q));
            r.worldBox[e] = mergeBoxes(
                transformBox(unit, multiplyMatrices(r.groupWorld[g], r.local[e])), BoundingBox{});
            box = i == 0 ? r.worldBox[e] : mergeBoxes(box, r.worldBox[e]);
        }
        r.groupBox[g] = box;
        r.rootBox = g == 0 ? box : mergeBoxes(r.rootBox, box);
    }
}

void Idle_AnimateAndUpdateReference(benchmark::State& state) {
    static ReferenceEntities* r = makeReferenceEntities();
    static float t = 0;
    for (auto _ : state) {
        t += STEP;
        referenceAnimate(*r, t);
        benchmark::DoNotOptimize(r->rootBox);
    }
}

// updateTransforms alone after `moved` objects were given new positions (outside the timing).
// Spread: one object in each of `moved` groups... every (10,000 / moved)-th object. Clustered:
// the first `moved` objects, which share groups.
void timeUpdate(benchmark::State& state, EntityWorld* w, int moved, bool spread) {
    static float offset = 0;
    const int stride = spread ? ENTITIES / moved : 1;
    const long long allocsBefore = bench::allocationCount();
    for (auto _ : state) {
        offset = offset > 1 ? 0 : offset + 0.01f;
        for (int k = 0; k < moved; ++k) {
            const int32_t e = w->objects[static_cast<size_t>(k * stride)];
            Float3 p = getEntityPosition(w->scene, e);
            p.z = offset;
            setEntityPosition(w->scene, e, p);
        }
        const double start = threadSeconds();
        updateTransforms(w->scene);
        state.SetIterationTime(threadSeconds() - start);
    }
    state.counters["allocs_per_turn"] =
        static_cast<double>(bench::allocationCount() - allocsBefore) /
        static_cast<double>(state.iterations());
}

EntityWorld* staticWorld() {
    static EntityWorld* w = makeEntityWorld(MotionType::STATIC);
    return w;
}

void Update_AllMoved(benchmark::State& state) {
    timeUpdate(state, staticWorld(), ENTITIES, false);
}
void Update_OnePercentSpread(benchmark::State& state) {
    timeUpdate(state, staticWorld(), ENTITIES / 100, true);
}
void Update_OnePercentClustered(benchmark::State& state) {
    timeUpdate(state, staticWorld(), ENTITIES / 100, false);
}

// ---------------------------------------------------------------------------------------------
// Whole idle turns (clock, input, animation, physics, transforms) on a scene with everything that
// moves: 10,000 animated objects, 100 simulated bodies, 10 particle systems.

struct TurnWorld {
    EntityWorld* entities;
    ForceList forces;
    Resources resources;
    Clock* clock;
    Camera viewpoint;
    Hud hud;
    uint32_t nowMs;
};

TurnWorld* makeTurnWorld() {
    auto* w = new TurnWorld{};
    w->entities = makeEntityWorld(MotionType::ANIMATE);
    Scene* scene = w->entities->scene;
    appendRecord(&w->forces, Force{ForceType::GRAVITY, {0, -9.8f, 0}});
    for (int i = 0; i < 100; ++i)
        addEntity(scene, makeEntity("Body", EntityType::OBJECT, MotionType::SIMULATE, {}), 1);
    for (int i = 0; i < SYSTEMS; ++i) {
        ParticleSystem* s = createParticleSystem(ParticleType::POINT, DisplayType::QUAD,
                                                 BlendType::BLEND, 2.0f, 500.0f, 0.2f);
        setParticleSystemOff(s, 0);
        setParticleColours(s, {1, 1, 1, 1}, {0.2f, 0.2f, 1, 0});
        setParticleMasses(s, 1, 2);
        setParticleSpeeds(s, 1, 3);
        Entity e = makeEntity("Emitter", EntityType::PARTICLE, MotionType::STATIC, {});
        e.link = addParticleSystem(&w->resources, s);
        addEntity(scene, e, 1);
    }
    w->clock = createClockAt(0);
    w->viewpoint = createCamera();
    initHud(&w->hud, scene, &w->viewpoint, w->clock, &w->resources);
    w->hud.keyW = 1; // a held key, so input handling does its work too
    return w;
}

void idleTurn(TurnWorld* w) {
    w->nowMs += 16;
    updateClockAt(w->clock, w->nowMs);
    processInput(&w->hud, static_cast<float>(getAppDelta(w->clock)));
    animateScene(w->entities->keyframers, w->entities->scene,
                 static_cast<float>(getSimTime(w->clock)));
    stepSimulation(&w->forces, w->entities->scene, static_cast<float>(getSimDelta(w->clock)),
                   &w->resources.particleSystems);
    updateTransforms(w->entities->scene);
}

void Idle_WholeTurn(benchmark::State& state) {
    static TurnWorld* w = [] {
        TurnWorld* made = makeTurnWorld();
        for (int i = 0; i < 400; ++i) idleTurn(made); // particle arrays reach their size
        return made;
    }();
    const long long allocsBefore = bench::allocationCount();
    for (auto _ : state) idleTurn(w);
    state.counters["allocs_per_turn"] =
        static_cast<double>(bench::allocationCount() - allocsBefore) /
        static_cast<double>(state.iterations());
}

} // namespace

int main(int argc, char** argv) {
    auto add = [](const char* name, void (*fn)(benchmark::State&)) {
        return benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(7)
            ->MinTime(0.2);
    };
    add("Idle_StepSimulation", Idle_StepSimulation);
    add("Idle_StepSimulationReference", Idle_StepSimulationReference);
    add("Idle_AnimateAndUpdate", Idle_AnimateAndUpdate);
    add("Idle_AnimateAndUpdateReference", Idle_AnimateAndUpdateReference);
    add("Update_AllMoved", Update_AllMoved)->UseManualTime();
    add("Update_OnePercentSpread", Update_OnePercentSpread)->UseManualTime();
    add("Update_OnePercentClustered", Update_OnePercentClustered)->UseManualTime();
    add("Idle_WholeTurn", Idle_WholeTurn);
    benchmark::Initialize(&argc, argv);
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // CPU time of the benchmark thread throughout (manual times are thread CPU time too).
    bench::printTableHeader();
    const double step = bench::medianSeconds(reporter, "Idle_StepSimulation", true);
    const double stepRef = bench::medianSeconds(reporter, "Idle_StepSimulationReference", true);
    const double live = bench::medianCounter(reporter, "Idle_StepSimulation", "live");
    const double liveRef = bench::medianCounter(reporter, "Idle_StepSimulationReference", "live");
    if (step > 0 && stepRef > 0 && live > 0 && liveRef > 0) {
        const double ns = step / live * 1e9, nsRef = stepRef / liveRef * 1e9;
        bench::printRow(bench::format("stepSimulation, %.0f live particles", live),
                        bench::format("%.2f ns/particle", ns) +
                            bench::format(" (%.0f us/step)", step * 1e6),
                        bench::format("%.2f ns/particle (reference loop)", nsRef), ns / nsRef,
                        "<= 20 ns/particle", ns <= 20);
    }
    const double anim = bench::medianSeconds(reporter, "Idle_AnimateAndUpdate", true);
    const double animRef = bench::medianSeconds(reporter, "Idle_AnimateAndUpdateReference", true);
    if (anim > 0 && animRef > 0) {
        const double ns = anim / ENTITIES * 1e9, nsRef = animRef / ENTITIES * 1e9;
        bench::printRow("animateScene + updateTransforms, 10,000 animated entities",
                        bench::format("%.0f ns/entity", ns) +
                            bench::format(" (%.2f ms/turn)", anim * 1e3),
                        bench::format("%.0f ns/entity (reference loop)", nsRef), ns / nsRef,
                        "<= 1000 ns/entity", ns <= 1000);
    }
    const double all = bench::medianSeconds(reporter, "Update_AllMoved");
    for (const char* name : {"Update_OnePercentSpread", "Update_OnePercentClustered"}) {
        const double some = bench::medianSeconds(reporter, name);
        if (all <= 0 || some <= 0) continue;
        const bool spread = std::strcmp(name, "Update_OnePercentSpread") == 0;
        bench::printRow(spread ? "updateTransforms, 1 % moved (one object in every group)"
                               : "updateTransforms, 1 % moved (all in one group)",
                        bench::format("%.1f us", some * 1e6),
                        bench::format("%.1f us (all 10,000 moved)", all * 1e6), some / all,
                        "<= 0.05 of all moved", some / all <= 0.05);
    }
    const double turn = bench::medianSeconds(reporter, "Idle_WholeTurn", true);
    if (turn > 0) {
        double worst = 0;
        for (const char* name :
             {"Idle_StepSimulation", "Idle_AnimateAndUpdate", "Update_AllMoved",
              "Update_OnePercentSpread", "Update_OnePercentClustered", "Idle_WholeTurn"}) {
            const double a = bench::medianCounter(reporter, name, "allocs_per_turn");
            worst = a > worst ? a : worst;
        }
        std::printf("| Heap allocations per idle turn (worst of the idle benchmarks) | %.3f | 0 | "
                    "- | 0 | %s |\n",
                    worst, worst == 0 ? "yes" : "**no**");
        std::printf("| Whole idle turn (10,000 animated, 100 bodies, 10 systems) | %.2f ms | - | - "
                    "| - | - |\n",
                    turn * 1e3);
    }
    return 0;
}

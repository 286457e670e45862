// The exact GL call sequence of whole frames for a small scene: the dynamic pass, then the main
// pass, each with lights, the node walk, materials, mesh arrays, boxes and particles, in order.
#include <GL/gl.h>

#include <algorithm>

#include "gl/render/render_world.h"
#include "gl/render_calls/gl_recorder.h"
#include "render/frame.h"

using namespace render_world;
using gl_recorder::format;

namespace {

using Calls = std::vector<std::string>;

// Expected sequences; "name(*)" matches any arguments.
struct Expected {
    Calls calls;
    void add(std::string call) { calls.push_back(std::move(call)); }
    void addAll(const Calls& more) { calls.insert(calls.end(), more.begin(), more.end()); }
};

bool matches(const std::string& expected, const std::string& actual) {
    if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "(*)") == 0) {
        const std::string name = expected.substr(0, expected.size() - 2);
        return actual.compare(0, name.size(), name) == 0;
    }
    return expected == actual;
}

::testing::AssertionResult sameCalls(const Calls& expected, const Calls& actual) {
    const size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i) {
        if (!matches(expected[i], actual[i])) {
            auto failure = ::testing::AssertionFailure();
            failure << "call " << i << " is " << actual[i] << ", expected " << expected[i]
                    << "\n  recorded before it:";
            for (size_t j = i >= 5 ? i - 5 : 0; j < i; ++j) failure << "\n    " << actual[j];
            return failure;
        }
    }
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << actual.size() << " calls recorded, " << expected.size() << " expected; first "
               << "extra: " << (actual.size() > common ? actual[common] : expected[common]);
    }
    return ::testing::AssertionSuccess();
}

std::string matrix(float tx, float ty, float tz) {
    // A translation as OpenGL receives it: column-major, translation in the last column.
    const GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1};
    std::string text;
    for (int i = 0; i < 16; ++i) text += format("%s%.3g", i ? " " : "", m[i] == 0 ? 0.0 : m[i]);
    return text;
}

std::string rgbaText(Colour c) {
    return format("%.3g %.3g %.3g %.3g", c.r, c.g, c.b, c.a);
}

Calls boxCalls() {
    Calls calls = {"glDisable(0xb50)", "glDepthMask(0)", "glEnable(0xbe2)"};
    for (GLenum mode : {GL_LINE_LOOP, GL_LINE_LOOP, GL_LINES}) {
        calls.push_back(format("glBegin(%#x)", mode));
        calls.push_back("glColor4fv(1 1 1 0.5)");
        for (int v = 0; v < (mode == GL_LINES ? 8 : 4); ++v) calls.push_back("glVertex3f(*)");
        calls.push_back("glEnd()");
    }
    calls.insert(calls.end(), {"glDisable(0xbe2)", "glDepthMask(1)", "glEnable(0xb50)"});
    return calls;
}

class CallOrder : public RenderTest {
  protected:
    Material surface{};
    Colour lightDiffuse = rgba(1, 0.5f, 0.25f, 1);
    Colour lightSpecular = rgba(0.5f, 0.5f, 0.5f, 1);
    int32_t dynamicTexture = 0;

    // Root; group (0, 0, -5) holding an object at (1, 0, 0); a light at (0, 2, 0); a camera at
    // (0, 0, 3) that a dynamic texture looks through; a triangle particle system with a dead
    // slot between two live ones. Entity order: root, group, object, light, camera, emitter.
    void buildScene() {
        const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
        surface = matte(rgba(0.4f, 0.5f, 0.6f, 1), rgba(0.1f, 0.2f, 0.3f, 1));
        surface.specular = rgba(0.7f, 0.8f, 0.9f, 1);
        surface.shininess = 12;
        const int32_t group = world.addGroup("Group", {0, 0, -5});
        world.addObject("Object", {1, 0, 0}, surface, mesh, group);
        world.addLight("Light", {0, 2, 0}, lightDiffuse, rgba(0.1f, 0.1f, 0.1f, 1));
        world.scene->entities->items[3].material.specular = lightSpecular;
        world.addCamera("Eye", {0, 0, 3});
        world.addParticles(DisplayType::TRIANGLE, BlendType::SATURATE, 1.0f,
                           {particle({0, 0, -5}, rgba(1, 0, 0, 1)),
                            particle({9, 9, -5}, rgba(1, 1, 1, 1), 1),
                            particle({1, 1, -5}, rgba(0, 1, 0, 1))});
        dynamicTexture = loadTexture(world.resources, "eye", TextureType::DYNAMIC, "Eye");
        resolveTextureLinks(world.resources, world.scene);
        setDrawBoundings(world.resources, 1);
        const Mesh& stored = world.resources->meshes.items[mesh];
        gl_recorder::setArrayBases(stored.vertices, stored.indices);
        setCameraPosition(&world.scene->camera, 0, 1, 0);
        updateTransforms(world.scene);
    }

    Calls record(int width, int height) {
        gl_recorder::fakeWindow(width, height);
        gl_recorder::start();
        renderFrame(world.scene, world.resources);
        Calls calls = gl_recorder::stop();
        gl_recorder::fakeWindow(-1, -1);
        return calls;
    }

    // One scene pass seen from `eye` (the pass's view is a pure translation by -eye).
    Calls scenePass(Float3 eye) {
        Expected e;
        e.add("glClear(0x4100)");
        e.add("glMatrixMode(0x1700)");
        e.add("glLoadIdentity()");
        e.add("glPushMatrix()");
        e.add("glLoadMatrixf(" + matrix(-eye.x, -eye.y, -eye.z) + ")");
        e.add("glEnable(0xb50)");
        e.add("glEnable(0x4000)");
        e.add("glLightfv(0x4000, 0x1203, 0 2 0 1)");
        e.add("glLightfv(0x4000, 0x1201, " + rgbaText(lightDiffuse) + ")");
        e.add("glLightfv(0x4000, 0x1202, " + rgbaText(lightSpecular) + ")");
        e.add("glLightModelfv(0xb53, 0.1 0.1 0.1 1)");
        e.add("glEnableClientState(0x8074)");
        e.add("glEnableClientState(0x8075)");
        e.add("glEnableClientState(0x8078)");
        e.add("glShadeModel(0x1d01)");
        // The node walk: root, group, object, then the root's other children.
        e.add("glPushMatrix()");
        e.add("glMultMatrixf(" + matrix(0, 0, 0) + ")");
        e.add("glPushMatrix()");
        e.add("glMultMatrixf(" + matrix(0, 0, -5) + ")");
        e.add("glPushMatrix()");
        e.add("glMultMatrixf(" + matrix(1, 0, 0) + ")");
        e.add("glEnable(0xde1)");
        e.add("glTexEnvf(0x2300, 0x2200, 0x2100)");
        e.add("glMaterialfv(0x404, 0x1200, " + rgbaText(surface.ambient) + ")");
        e.add("glMaterialfv(0x404, 0x1201, " + rgbaText(surface.diffuse) + ")");
        e.add("glMaterialfv(0x404, 0x1600, " + rgbaText(surface.emission) + ")");
        e.add("glMaterialfv(0x404, 0x1202, " + rgbaText(surface.specular) + ")");
        e.add("glMaterialfv(0x404, 0x1601, 12)");
        // The dynamic texture was bound last (created, or copied into): the white one is bound.
        e.add(format("glBindTexture(0xde1, %u)", world.resources->textures.entries[0].glName));
        e.add("glVertexPointer(3, 0x1406, 32, +0)");
        e.add("glNormalPointer(0x1406, 32, +12)");
        e.add("glTexCoordPointer(2, 0x1406, 32, +24)");
        e.add("glDrawElements(0x4, 6, 0x1405, indices)");
        e.add("glDisable(0xde1)");
        e.add("glPopMatrix()");
        e.add("glPopMatrix()");
        for (int i = 0; i < 3; ++i) {
            e.add("glPushMatrix()");
            e.add("glMultMatrixf(*)");
            e.add("glPopMatrix()");
        }
        e.add("glPopMatrix()");
        for (int node = 0; node < 6; ++node) e.addAll(boxCalls());
        e.add("glPopMatrix()");
        // Particles in eye space, the dead slot skipped; each a lower-left half square.
        e.add("glDepthMask(0)");
        e.add("glEnable(0xbe2)");
        e.add("glBlendFunc(0x1, 0x1)");
        e.add("glDisable(0xb50)");
        e.add("glBegin(0x4)");
        for (Float3 p : {Float3{0, 0, -5}, Float3{1, 1, -5}}) {
            const Float3 q{p.x - eye.x, p.y - eye.y, p.z - eye.z};
            e.add(p.x == 0 ? "glColor4fv(1 0 0 1)" : "glColor4fv(0 1 0 1)");
            e.add(format("glVertex3f(%.3g %.3g %.3g)", q.x - 0.5f + 0.0f, q.y - 0.5f + 0.0f, q.z));
            e.add(format("glVertex3f(%.3g %.3g %.3g)", q.x + 0.5f + 0.0f, q.y - 0.5f + 0.0f, q.z));
            e.add(format("glVertex3f(%.3g %.3g %.3g)", q.x - 0.5f + 0.0f, q.y + 0.5f + 0.0f, q.z));
        }
        e.add("glEnd()");
        e.add("glEnable(0xb50)");
        e.add("glDisable(0xbe2)");
        e.add("glDepthMask(1)");
        return e.calls;
    }

    Calls mainPass(int width, int height, const char* aspect) {
        Expected e;
        e.add(format("glViewport(0, 0, %d, %d)", width, height));
        e.add("glMatrixMode(0x1701)");
        e.add("glLoadIdentity()");
        e.add(format("gluPerspective(60, %s, 0.1, 1e+03)", aspect));
        e.add("glMatrixMode(0x1700)");
        e.addAll(scenePass({0, 1, 0}));
        return e.calls;
    }
};

TEST_F(CallOrder, AFrameIsTheDynamicPassThenTheMainPass) {
    buildScene();
    Expected e;
    e.add("glViewport(0, 0, 256, 256)");
    e.add("glMatrixMode(0x1701)");
    e.add("glLoadIdentity()");
    e.add("gluPerspective(60, 1, 0.1, 100)");
    e.add("glMatrixMode(0x1700)");
    e.addAll(scenePass({0, 0, 3}));
    e.add(format("glBindTexture(0xde1, %u)",
                 world.resources->textures.entries[dynamicTexture].glName));
    e.add("glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)");
    e.addAll(mainPass(600, 300, "2"));
    const Calls calls = record(600, 300);
    EXPECT_TRUE(sameCalls(e.calls, calls));
    // The comparison notices two calls in the wrong order.
    std::swap(e.calls[12], e.calls[13]);
    EXPECT_FALSE(sameCalls(e.calls, calls));
}

TEST_F(CallOrder, TheMainProjectionFollowsTheWindowAndSurvivesAnEmptyOne) {
    buildScene();
    auto mainPassOf = [](const Calls& calls) {
        const auto copy = std::find(calls.begin(), calls.end(),
                                    "glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)");
        return Calls(copy + 1, calls.end());
    };
    EXPECT_TRUE(sameCalls(mainPass(800, 600, "1.33"), mainPassOf(record(800, 600))));
    EXPECT_TRUE(sameCalls(mainPass(400, 400, "1"), mainPassOf(record(400, 400))));
    // A window of height 0 keeps the last aspect instead of dividing by zero.
    EXPECT_TRUE(sameCalls(mainPass(300, 0, "1"), mainPassOf(record(300, 0))));
    EXPECT_TRUE(sameCalls(mainPass(500, 250, "2"), mainPassOf(record(500, 250))));
}

TEST_F(CallOrder, WithoutDynamicTexturesTheViewportIsSetOnce) {
    const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
    world.addObject("Object", {0, 0, -5}, emissive(rgba(1, 0, 0)), mesh);
    updateTransforms(world.scene);
    const Calls calls = record(800, 600);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "glViewport(0, 0, 800, 600)");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("glViewport", 0) == 0; }),
              1);
    // No lights: no light calls at all, so the default global ambient stays.
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("glLight", 0) == 0; }),
              0);
    // Boxes off: the only blend state touched is none at all (no particles either).
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "glEnable(0xbe2)"), 0);
}

TEST_F(CallOrder, QuadsAndPointsFollowTheirLayout) {
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 2.0f,
                       {particle({0, 0, -5}, rgba(1, 1, 1, 0.5f))}, 0);
    world.addParticles(DisplayType::POINT, BlendType::SATURATE, 6.0f,
                       {particle({1, 2, -5}, rgba(0, 0, 1, 1))});
    updateTransforms(world.scene);
    const Calls calls = record(800, 600);
    const auto start = std::find(calls.begin(), calls.end(), "glDepthMask(0)");
    ASSERT_NE(start, calls.end());
    const Calls particles(start, calls.end());
    const Calls expected = {
        "glDepthMask(0)", "glEnable(0xbe2)", "glBlendFunc(0x302, 0x303)", "glDisable(0xb50)",
        "glEnable(0xde1)", "glTexEnvf(0x2300, 0x2200, 0x2100)", "glBegin(0x7)",
        "glColor4fv(1 1 1 0.5)", "glTexCoord2f(0 0)", "glVertex3f(-1 -1 -5)", "glTexCoord2f(1 0)",
        "glVertex3f(1 -1 -5)", "glTexCoord2f(1 1)", "glVertex3f(1 1 -5)", "glTexCoord2f(0 1)",
        "glVertex3f(-1 1 -5)", "glEnd()", "glDisable(0xde1)", "glEnable(0xb50)", "glDisable(0xbe2)",
        "glDepthMask(1)",
        // The second system: additive points of 3 pixels.
        "glDepthMask(0)", "glEnable(0xbe2)", "glBlendFunc(0x1, 0x1)", "glDisable(0xb50)",
        "glPointSize(3)", "glBegin(0)", "glColor4fv(0 0 1 1)", "glVertex3fv(1 2 -5)", "glEnd()",
        "glEnable(0xb50)", "glDisable(0xbe2)", "glDepthMask(1)"};
    EXPECT_TRUE(sameCalls(expected, particles));
}

} // namespace

// The exact GL call sequence of whole frames for a small scene: the dynamic pass, then the main
// pass, each with lights, the node walk, materials, mesh arrays, boxes and particles, in order.
#include <GL/gl.h>

#include <algorithm>

#include "gl/render/render_world.h"
#include "gl/render_calls/gl_recorder.h"

using namespace render_world;
using gl_recorder::format;
using Calls = std::vector<std::string>;

namespace {

// "name(*)" in an expected sequence matches any arguments.
::testing::AssertionResult sameCalls(const Calls& expected, const Calls& actual) {
    for (size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        const std::string& e = expected[i];
        const bool any = e.size() > 3 && e.ends_with("(*)");
        if (any ? actual[i].rfind(e.substr(0, e.size() - 2), 0) != 0 : e != actual[i]) {
            return ::testing::AssertionFailure() << "call " << i << " is " << actual[i]
                                                 << ", expected " << e;
        }
    }
    if (expected.size() == actual.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.size() << " calls, " << expected.size()
                                         << " expected";
}

// A translation as OpenGL receives it: column-major, translation in the last column.
std::string translation(float x, float y, float z) {
    return format("1 0 0 0 0 1 0 0 0 0 1 0 %.3g %.3g %.3g 1", x + 0.0, y + 0.0, z + 0.0);
}
std::string text(Colour c) {
    return format("%.3g %.3g %.3g %.3g", c.r, c.g, c.b, c.a);
}

// A box's corner: its centre plus the signed half-axes.
std::string corner(BoundingBox b, float p, float q, float r) {
    auto at = [&](float c, float a0, float a1, float a2) { return c + p * a0 + q * a1 + r * a2 + 0.0; };
    return format("glVertex3f(%.3g %.3g %.3g)", at(b.centre.x, b.axis0.x, b.axis1.x, b.axis2.x),
                  at(b.centre.y, b.axis0.y, b.axis1.y, b.axis2.y),
                  at(b.centre.z, b.axis0.z, b.axis1.z, b.axis2.z));
}

// Every node's world box, depth first: the +axis1 face, the -axis1 face, the four edges between.
void addBoxes(Calls* e, const SceneNode* node) {
    const BoundingBox b = node->worldBounds;
    e->insert(e->end(), {"glDisable(0xb50)", "glDepthMask(0)", "glEnable(0xbe2)"});
    const int face[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int side : {1, -1}) {
        e->insert(e->end(), {"glBegin(0x2)", "glColor4fv(1 1 1 0.5)"});
        for (const auto& pr : face) e->push_back(corner(b, pr[0], side, pr[1]));
        e->push_back("glEnd()");
    }
    e->insert(e->end(), {"glBegin(0x1)", "glColor4fv(1 1 1 0.5)"});
    for (const auto& pr : face)
        for (int side : {1, -1}) e->push_back(corner(b, pr[0], side, pr[1]));
    e->insert(e->end(), {"glEnd()", "glDisable(0xbe2)", "glDepthMask(1)", "glEnable(0xb50)"});
    for (const SceneNode* c = node->firstChild; c != nullptr; c = c->nextSibling) addBoxes(e, c);
}

class CallOrder : public RenderTest {
  protected:
    Material surface = matte(rgba(0.4f, 0.5f, 0.6f, 1), rgba(0.1f, 0.2f, 0.3f, 1));
    Colour lightDiffuse = rgba(1, 0.5f, 0.25f, 1), lightSpecular = rgba(0.5f, 0.5f, 0.5f, 1);
    int32_t dynamicTexture = 0;

    // Root; group (0, 0, -5) holding an object at (1, 0, 0); a light at (0, 2, 0); a camera at
    // (0, 0, 3) that a dynamic texture looks through; a triangle particle system with a dead
    // slot between two live ones. The viewer stands at (0, 1, 0).
    void SetUp() override {
        RenderTest::SetUp();
        const int32_t mesh = addMesh(world.resources, squareMesh(0.5f));
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
        Calls e = {"glClear(0x4100)", "glMatrixMode(0x1700)", "glLoadIdentity()", "glPushMatrix()",
                   "glLoadMatrixf(" + translation(-eye.x, -eye.y, -eye.z) + ")", "glEnable(0xb50)",
                   "glEnable(0x4000)", "glLightfv(0x4000, 0x1203, 0 2 0 1)",
                   "glLightfv(0x4000, 0x1201, " + text(lightDiffuse) + ")",
                   "glLightfv(0x4000, 0x1202, " + text(lightSpecular) + ")",
                   "glLightModelfv(0xb53, 0.1 0.1 0.1 1)", "glEnableClientState(0x8074)",
                   "glEnableClientState(0x8075)", "glEnableClientState(0x8078)",
                   "glShadeModel(0x1d01)",
                   // The node walk: root, group, object, then the root's other children.
                   "glPushMatrix()", "glMultMatrixf(" + translation(0, 0, 0) + ")", "glPushMatrix()",
                   "glMultMatrixf(" + translation(0, 0, -5) + ")", "glPushMatrix()",
                   "glMultMatrixf(" + translation(1, 0, 0) + ")", "glEnable(0xde1)",
                   "glTexEnvf(0x2300, 0x2200, 0x2100)",
                   "glMaterialfv(0x404, 0x1200, " + text(surface.ambient) + ")",
                   "glMaterialfv(0x404, 0x1201, " + text(surface.diffuse) + ")",
                   "glMaterialfv(0x404, 0x1600, " + text(surface.emission) + ")",
                   "glMaterialfv(0x404, 0x1202, " + text(surface.specular) + ")",
                   "glMaterialfv(0x404, 0x1601, 12)",
                   // The dynamic texture was bound last (created, or copied into).
                   format("glBindTexture(0xde1, %u)", world.resources->textures.entries[0].glName),
                   "glVertexPointer(3, 0x1406, 32, +0)", "glNormalPointer(0x1406, 32, +12)",
                   "glTexCoordPointer(2, 0x1406, 32, +24)", "glDrawElements(0x4, 6, 0x1405, indices)",
                   "glDisable(0xde1)", "glPopMatrix()", "glPopMatrix()"};
        for (int i = 0; i < 3; ++i) e.insert(e.end(), {"glPushMatrix()", "glMultMatrixf(*)", "glPopMatrix()"});
        e.push_back("glPopMatrix()");
        addBoxes(&e, world.scene->nodeTree->root);
        // Particles in eye space, the dead slot skipped; each the lower-left half of a square.
        e.insert(e.end(), {"glPopMatrix()", "glDepthMask(0)", "glEnable(0xbe2)", "glBlendFunc(0x1, 0x1)",
                           "glDisable(0xb50)", "glBegin(0x4)"});
        for (Float3 p : {Float3{0, 0, -5}, Float3{1, 1, -5}}) {
            const float x = p.x - eye.x, y = p.y - eye.y, z = p.z - eye.z;
            e.push_back(p.x == 0 ? "glColor4fv(1 0 0 1)" : "glColor4fv(0 1 0 1)");
            for (auto [dx, dy] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}})
                e.push_back(format("glVertex3f(%.3g %.3g %.3g)", x + dx + 0.0, y + dy + 0.0, z + 0.0));
        }
        e.insert(e.end(), {"glEnd()", "glEnable(0xb50)", "glDisable(0xbe2)", "glDepthMask(1)"});
        return e;
    }

    Calls mainPass(int width, int height, const char* aspect) {
        Calls e = {format("glViewport(0, 0, %d, %d)", width, height), "glMatrixMode(0x1701)",
                   "glLoadIdentity()", format("gluPerspective(60, %s, 0.1, 1e+03)", aspect),
                   "glMatrixMode(0x1700)"};
        for (const std::string& call : scenePass({0, 1, 0})) e.push_back(call);
        return e;
    }
};

Calls after(const Calls& calls, const std::string& call) {
    return Calls(std::find(calls.begin(), calls.end(), call) + 1, calls.end());
}

TEST_F(CallOrder, AFrameIsTheDynamicPassThenTheMainPass) {
    Calls e = {"glViewport(0, 0, 256, 256)", "glMatrixMode(0x1701)", "glLoadIdentity()",
               "gluPerspective(60, 1, 0.1, 100)", "glMatrixMode(0x1700)"};
    for (const std::string& call : scenePass({0, 0, 3})) e.push_back(call);
    e.push_back(format("glBindTexture(0xde1, %u)", world.resources->textures.entries[dynamicTexture].glName));
    e.push_back("glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)");
    for (const std::string& call : mainPass(600, 300, "2")) e.push_back(call);
    const Calls calls = record(600, 300);
    EXPECT_TRUE(sameCalls(e, calls));
    std::swap(e[12], e[13]); // the comparison notices two calls in the wrong order
    EXPECT_FALSE(sameCalls(e, calls));
    // A window of height 0 keeps the last aspect instead of dividing by zero.
    const std::string copy = "glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)";
    EXPECT_TRUE(sameCalls(mainPass(300, 0, "2"), after(record(300, 0), copy)));
    EXPECT_TRUE(sameCalls(mainPass(800, 600, "1.33"), after(record(800, 600), copy)));
}

TEST(ParticleLayout, QuadsAndPointsFollowTheirLayout) {
    ensureGlContext();
    World world = makeWorld();
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 2.0f, {particle({0, 0, -5}, rgba(1, 1, 1, 0.5f))});
    world.addParticles(DisplayType::POINT, BlendType::SATURATE, 6.0f, {particle({1, 2, -5}, rgba(0, 0, 1, 1))});
    updateTransforms(world.scene);
    gl_recorder::start();
    renderFrame(world.scene, world.resources);
    const Calls all = gl_recorder::stop();
    const Calls calls(std::find(all.begin(), all.end(), "glDepthMask(0)"), all.end());
    const Calls expected = {
        "glDepthMask(0)", "glEnable(0xbe2)", "glBlendFunc(0x302, 0x303)", "glDisable(0xb50)",
        "glEnable(0xde1)", "glTexEnvf(0x2300, 0x2200, 0x2100)", "glBegin(0x7)",
        "glColor4fv(1 1 1 0.5)", "glTexCoord2f(0 0)", "glVertex3f(-1 -1 -5)", "glTexCoord2f(1 0)",
        "glVertex3f(1 -1 -5)", "glTexCoord2f(1 1)", "glVertex3f(1 1 -5)", "glTexCoord2f(0 1)",
        "glVertex3f(-1 1 -5)", "glEnd()", "glDisable(0xde1)", "glEnable(0xb50)", "glDisable(0xbe2)",
        "glDepthMask(1)",
        // Additive points of half the system's size, in pixels.
        "glDepthMask(0)", "glEnable(0xbe2)", "glBlendFunc(0x1, 0x1)", "glDisable(0xb50)",
        "glPointSize(3)", "glBegin(0)", "glColor4fv(0 0 1 1)", "glVertex3fv(1 2 -5)", "glEnd()",
        "glEnable(0xb50)", "glDisable(0xbe2)", "glDepthMask(1)"};
    EXPECT_TRUE(sameCalls(expected, calls));
}

} // namespace

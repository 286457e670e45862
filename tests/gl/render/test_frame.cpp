// Whole frames of small scenes built in code: the exact GL call sequence (dynamic pass, then main
// pass, each with lights, node walk, materials, texture binds, mesh arrays, boxes and particles),
// render to texture through the window or off-screen, hierarchies deeper than GL's matrix stack,
// and the eight-light cap.
#include <GL/glut.h>

#include <algorithm>
#include <cmath>

#include "gl/gl_fixture.h"
#include "gl/render/gl_recorder.h"
#include "loader/parse.h"
#include "render/frame.h"
#include "render/records.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/registry.h"

namespace {

using gl_recorder::format;
using Calls = std::vector<std::string>;

Colour rgba(float r, float g, float b, float a = 1) {
    return {r, g, b, a};
}
Rgba8 rgb8(float r, float g, float b) {
    auto c = [](float v) { return static_cast<uint8_t>(std::lround(v * 255)); };
    return {c(r), c(g), c(b), 255};
}
Material paint(Colour emission, Colour diffuse = rgba(0, 0, 0), Colour ambient = rgba(0, 0, 0),
               int32_t texture = 0) {
    Material m{};
    m.emission = emission, m.diffuse = diffuse, m.ambient = ambient, m.specular = rgba(0, 0, 0);
    m.textureId = texture;
    return m;
}

// A square in the XY plane facing +Z, from -half to +half, texcoords 0..1.
Mesh square(float h) {
    static Vertex v[4];
    static uint32_t indices[6] = {0, 1, 2, 0, 2, 3};
    v[0] = {{-h, -h, 0}, {0, 0, 1}, {0, 0}}, v[1] = {{h, -h, 0}, {0, 0, 1}, {1, 0}};
    v[2] = {{h, h, 0}, {0, 0, 1}, {1, 1}}, v[3] = {{-h, h, 0}, {0, 0, 1}, {0, 1}};
    Mesh mesh{};
    mesh.vertexCount = 4, mesh.vertices = v, mesh.indexCount = 6, mesh.indices = indices;
    mesh.bounds = boundsOfVertices(v, 4);
    return mesh;
}

Particle particle(Float3 position, Colour colour, int32_t dead = 0) {
    Particle p{};
    p.dead = dead, p.life = 1, p.position = position, p.colour = colour;
    return p;
}

struct World {
    Scene* scene = createScene();
    Resources* resources = createResources();

    int32_t add(const char* name, int32_t type, Float3 at, int32_t parent = 0, int32_t link = 0,
                Material material = paint(rgba(0, 0, 0))) {
        Entity e{};
        std::snprintf(e.name, sizeof e.name, "%s", name);
        e.entityType = type, e.type = MotionType::STATIC, e.position = at, e.rotation = {0, 0, 0, 1};
        e.visible = 1, e.material = material, e.link = link;
        if (type == EntityType::OBJECT) e.bounds = getMeshBounds(&resources->meshes, link);
        return addEntity(scene, e, parent);
    }
    // A system holding the given particles, and a PARTICLE entity linked to it.
    void addParticles(int32_t display, int32_t blend, float size, std::vector<Particle> particles) {
        ParticleSystem* s = createParticleSystem(ParticleType::POINT, display, blend, 1, 0, size);
        s->particles = static_cast<Particle*>(std::realloc(s->particles, sizeof(Particle) * particles.size()));
        s->capacity = s->count = static_cast<int32_t>(particles.size());
        std::copy(particles.begin(), particles.end(), s->particles);
        add("Emitter", EntityType::PARTICLE, {0, 0, 0}, 0, addParticleSystem(resources, s));
    }
    Calls record(int width, int height) {
        updateTransforms(scene);
        gl_recorder::fakeWindow(width, height);
        gl_recorder::start();
        renderFrame(scene, resources);
        gl_recorder::fakeWindow(-1, -1);
        return gl_recorder::stop();
    }
};

// Calls separated by "; "; "name(*)" matches any arguments.
Calls calls(const std::string& text) {
    Calls out;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = std::min(text.find("; ", at), text.size());
        out.push_back(text.substr(at, end - at));
    }
    return out;
}

::testing::AssertionResult sameCalls(const Calls& expected, const Calls& actual) {
    for (size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        const std::string& e = expected[i];
        const bool any = e.ends_with("(*)");
        if (any ? actual[i].rfind(e.substr(0, e.size() - 2), 0) != 0 : e != actual[i]) {
            return ::testing::AssertionFailure() << "call " << i << " is " << actual[i] << ", expected " << e;
        }
    }
    if (expected.size() == actual.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.size() << " calls, " << expected.size() << " expected";
}

// A translation as OpenGL receives it: column-major, translation in the last column.
std::string translation(float x, float y, float z) {
    return format("1 0 0 0 0 1 0 0 0 0 1 0 %.3g %.3g %.3g 1", x + 0.0, y + 0.0, z + 0.0);
}

// Every node's world box, depth first: the +axis1 face, the -axis1 face, then the edges between,
// each corner the box's centre plus its signed half-axes.
void addBoxes(Calls* e, const SceneNode* node) {
    const BoundingBox b = node->worldBounds;
    auto corner = [&](float p, float q, float r) {
        auto at = [&](float c, float a0, float a1, float a2) { return c + p * a0 + q * a1 + r * a2 + 0.0; };
        return format("glVertex3f(%.3g %.3g %.3g)", at(b.centre.x, b.axis0.x, b.axis1.x, b.axis2.x),
                      at(b.centre.y, b.axis0.y, b.axis1.y, b.axis2.y), at(b.centre.z, b.axis0.z, b.axis1.z, b.axis2.z));
    };
    const int face[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    Calls box = calls("glDisable(0xb50); glDepthMask(0); glEnable(0xbe2)");
    for (int side : {1, -1}) {
        box.insert(box.end(), {"glBegin(0x2)", "glColor4fv(1 1 1 0.5)"});
        for (const auto& pr : face) box.push_back(corner(pr[0], side, pr[1]));
        box.push_back("glEnd()");
    }
    box.insert(box.end(), {"glBegin(0x1)", "glColor4fv(1 1 1 0.5)"});
    for (const auto& pr : face) box.insert(box.end(), {corner(pr[0], 1, pr[1]), corner(pr[0], -1, pr[1])});
    for (const std::string& c : calls("glEnd(); glDisable(0xbe2); glDepthMask(1); glEnable(0xb50)")) box.push_back(c);
    e->insert(e->end(), box.begin(), box.end());
    for (const SceneNode* c = node->firstChild; c != nullptr; c = c->nextSibling) addBoxes(e, c);
}

// One scene pass seen from `eye` of the scene below (its view is a pure translation by -eye).
Calls scenePass(const World& w, Float3 eye) {
    Calls e = calls(
        "glClear(0x4100); glMatrixMode(0x1700); glLoadIdentity(); glPushMatrix(); glLoadMatrixf(" +
        translation(-eye.x, -eye.y, -eye.z) +
        "); glEnable(0xb50); glEnable(0x4000); glLightfv(0x4000, 0x1203, 0 2 0 1); "
        "glLightfv(0x4000, 0x1201, 1 0.5 0.25 1); glLightfv(0x4000, 0x1202, 0.5 0.5 0.5 1); "
        "glLightModelfv(0xb53, 0.1 0.1 0.1 1); glEnableClientState(0x8074); glEnableClientState(0x8075); "
        "glEnableClientState(0x8078); glShadeModel(0x1d01); "
        // The node walk: root, group, object, then the root's other children.
        "glPushMatrix(); glMultMatrixf(" + translation(0, 0, 0) + "); glPushMatrix(); glMultMatrixf(" +
        translation(0, 0, -5) + "); glPushMatrix(); glMultMatrixf(" + translation(1, 0, 0) +
        "); glEnable(0xde1); glTexEnvf(0x2300, 0x2200, 0x2100); glMaterialfv(0x404, 0x1200, 0.1 0.2 0.3 1); "
        "glMaterialfv(0x404, 0x1201, 0.4 0.5 0.6 1); glMaterialfv(0x404, 0x1600, 0 0 0 1); "
        "glMaterialfv(0x404, 0x1202, 0.7 0.8 0.9 1); glMaterialfv(0x404, 0x1601, 12); " +
        // The dynamic texture was bound last (created, or copied into); the object's is white.
        format("glBindTexture(0xde1, %u); ", w.resources->textures.entries[0].glName) +
        "glVertexPointer(3, 0x1406, 32, +0); glNormalPointer(0x1406, 32, +12); "
        "glTexCoordPointer(2, 0x1406, 32, +24); glDrawElements(0x4, 6, 0x1405, indices); glDisable(0xde1); "
        "glPopMatrix(); glPopMatrix(); glPushMatrix(); glMultMatrixf(*); glPopMatrix(); glPushMatrix(); "
        "glMultMatrixf(*); glPopMatrix(); glPushMatrix(); glMultMatrixf(*); glPopMatrix(); "
        // Texture 99 names no entry: the white one, bound already, so not bound again.
        "glPushMatrix(); glMultMatrixf(*); glEnable(0xde1); glTexEnvf(*); glMaterialfv(*); glMaterialfv(*); "
        "glMaterialfv(*); glMaterialfv(*); glMaterialfv(*); glVertexPointer(*); glNormalPointer(*); "
        "glTexCoordPointer(*); glDrawElements(*); glDisable(0xde1); glPopMatrix(); glPopMatrix()");
    addBoxes(&e, w.scene->nodeTree->root);
    // Particles in eye space, the dead one skipped; each the lower-left half of a square.
    std::string particles = "glPopMatrix(); glDepthMask(0); glEnable(0xbe2); glBlendFunc(0x1, 0x1); "
                            "glDisable(0xb50); glBegin(0x4)";
    for (Float3 p : {Float3{0, 0, -5}, Float3{1, 1, -5}}) {
        const float x = p.x - eye.x, y = p.y - eye.y, z = p.z - eye.z;
        particles += p.x == 0 ? "; glColor4fv(1 0 0 1)" : "; glColor4fv(0 1 0 1)";
        for (auto [dx, dy] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}})
            particles += format("; glVertex3f(%.3g %.3g %.3g)", x + dx + 0.0, y + dy + 0.0, z + 0.0);
    }
    for (const std::string& c : calls(particles + "; glEnd(); glEnable(0xb50); glDisable(0xbe2); glDepthMask(1)"))
        e.push_back(c);
    return e;
}

Calls projection(int width, int height, const char* aspect, const char* far, const Calls& pass) {
    Calls e = calls(format("glViewport(0, 0, %d, %d); glMatrixMode(0x1701); glLoadIdentity(); "
                           "gluPerspective(60, %s, 0.1, %s); glMatrixMode(0x1700)", width, height, aspect, far));
    e.insert(e.end(), pass.begin(), pass.end());
    return e;
}

class Frame : public GlTest {
  protected:
    World world;
    // The state start-up leaves, over a grey background, with every light off.
    void SetUp() override {
        GlTest::SetUp();
        glClearColor(0.25f, 0.25f, 0.25f, 1);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    }
    void TearDown() override {
        if (HasFailure()) dumpFrame(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // Where a 60-degree perspective puts an eye-space point in an 800 by 600 window.
    Rgba8 seen(Float3 eye) {
        const double t = std::tan(3.14159265358979 / 6.0);
        return pixelAt(static_cast<int>(std::lround((eye.x / (-eye.z * t * 4 / 3) + 1) * 400)),
                       static_cast<int>(std::lround((eye.y / (-eye.z * t) + 1) * 300)));
    }
};

// Root; group (0, 0, -5) holding an object at (1, 0, 0); a light at (0, 2, 0); a camera at
// (0, 0, 3) that a dynamic texture looks through; a triangle particle system with a dead slot
// between two live ones; an object whose texture index is out of range; boxes on; the viewer at
// (0, 1, 0).
TEST_F(Frame, AFrameIsTheDynamicPassThenTheMainPassCallByCall) {
    const int32_t mesh = addMesh(world.resources, square(0.5f));
    Material surface = paint(rgba(0, 0, 0), rgba(0.4f, 0.5f, 0.6f), rgba(0.1f, 0.2f, 0.3f));
    surface.specular = rgba(0.7f, 0.8f, 0.9f), surface.shininess = 12;
    const int32_t group = world.add("Group", EntityType::GROUP, {0, 0, -5});
    world.add("Object", EntityType::OBJECT, {1, 0, 0}, group, mesh, surface);
    Material light = paint(rgba(0, 0, 0), rgba(1, 0.5f, 0.25f), rgba(0.1f, 0.1f, 0.1f));
    light.specular = rgba(0.5f, 0.5f, 0.5f);
    world.add("Light", EntityType::LIGHT, {0, 2, 0}, 0, 0, light);
    world.add("Eye", EntityType::CAMERA, {0, 0, 3});
    world.addParticles(DisplayType::TRIANGLE, BlendType::SATURATE, 1,
                       {particle({0, 0, -5}, rgba(1, 0, 0)), particle({9, 9, -5}, rgba(1, 1, 1), 1),
                        particle({1, 1, -5}, rgba(0, 1, 0))});
    world.add("Stray", EntityType::OBJECT, {0, 0, -9}, 0, mesh, paint(rgba(1, 1, 1), {}, {}, 99));
    const int32_t eye = loadTexture(world.resources, "eye", TextureType::DYNAMIC, "Eye");
    resolveTextureLinks(world.resources, world.scene);
    setDrawBoundings(world.resources, 1);
    const Mesh& stored = world.resources->meshes.items[mesh];
    gl_recorder::setArrayBases(stored.vertices, stored.indices);
    setCameraPosition(&world.scene->camera, 0, 1, 0);
    const Calls recorded = world.record(600, 300);

    Calls e = projection(256, 256, "1", "100", scenePass(world, {0, 0, 3}));
    const Calls main = projection(600, 300, "2", "1e+03", scenePass(world, {0, 1, 0}));
    e.push_back(format("glBindTexture(0xde1, %u)", world.resources->textures.entries[eye].glName));
    e.push_back("glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)");
    e.insert(e.end(), main.begin(), main.end());
    EXPECT_TRUE(sameCalls(e, recorded));
    std::swap(e[12], e[13]); // the comparison notices two calls in the wrong order
    EXPECT_FALSE(sameCalls(e, recorded));
    // A window of height 0 keeps the last aspect, 2, rather than dividing by zero.
    const Calls empty = world.record(300, 0);
    EXPECT_TRUE(sameCalls(projection(300, 0, "2", "1e+03", scenePass(world, {0, 1, 0})),
                          Calls(empty.end() - main.size(), empty.end())));
}

TEST_F(Frame, QuadsAndPointsFollowTheirLayout) {
    world.addParticles(DisplayType::QUAD, BlendType::BLEND, 2, {particle({0, 0, -5}, rgba(1, 1, 1, 0.5f))});
    world.addParticles(DisplayType::POINT, BlendType::SATURATE, 6, {particle({1, 2, -5}, rgba(0, 0, 1))});
    const Calls all = world.record(800, 600);
    EXPECT_TRUE(sameCalls(
        calls("glDepthMask(0); glEnable(0xbe2); glBlendFunc(0x302, 0x303); glDisable(0xb50); glEnable(0xde1); "
              "glTexEnvf(0x2300, 0x2200, 0x2100); glBegin(0x7); glColor4fv(1 1 1 0.5); glTexCoord2f(0 0); "
              "glVertex3f(-1 -1 -5); glTexCoord2f(1 0); glVertex3f(1 -1 -5); glTexCoord2f(1 1); "
              "glVertex3f(1 1 -5); glTexCoord2f(0 1); glVertex3f(-1 1 -5); glEnd(); glDisable(0xde1); "
              "glEnable(0xb50); glDisable(0xbe2); glDepthMask(1); "
              // Additive points of half the system's size, in pixels.
              "glDepthMask(0); glEnable(0xbe2); glBlendFunc(0x1, 0x1); glDisable(0xb50); glPointSize(3); "
              "glBegin(0); glColor4fv(0 0 1 1); glVertex3fv(1 2 -5); glEnd(); glEnable(0xb50); "
              "glDisable(0xbe2); glDepthMask(1)"),
        Calls(std::find(all.begin(), all.end(), "glDepthMask(0)"), all.end())));
}

// Windows that hold the 256 by 256 texture and windows that do not, in either direction: the
// camera's whole view reaches the texture, and the main pass then draws into the window.
TEST_F(Frame, AMonitorShowsItsCamerasWholeViewWhateverTheWindowSize) {
    for (auto [width, height] : {std::pair{800, 600}, {200, 150}, {1000, 200}, {200, 1000}}) {
        ensureGlContext(width, height);
        ASSERT_EQ(glutGet(GLUT_WINDOW_HEIGHT), height);
        World w;
        const int32_t wall = addMesh(w.resources, square(10)), small = addMesh(w.resources, square(1));
        w.add("Wall", EntityType::OBJECT, {20, 0, -5}, 0, wall, paint(rgba(0, 1, 0)));
        w.add("Spy", EntityType::CAMERA, {20, 0, 0});
        const int32_t tv = loadTexture(w.resources, "tv", TextureType::DYNAMIC, "Spy");
        w.add("Monitor", EntityType::OBJECT, {0, 0, -5}, 0, small, paint(rgba(1, 1, 1), {}, {}, tv));
        resolveTextureLinks(w.resources, w.scene);
        updateTransforms(w.scene);
        renderFrame(w.scene, w.resources);
        std::vector<Rgba8> texels(256 * 256);
        bindTexture(w.resources, tv);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (auto [x, y] : {std::pair{5, 5}, {128, 128}, {250, 250}, {250, 5}, {5, 250}})
            EXPECT_COLOUR_NEAR(texels[y * 256 + x], rgb8(0, 1, 0), 1) << width << "x" << height;
        EXPECT_COLOUR_NEAR(pixelAt(width / 2, height / 2), rgb8(0, 1, 0), 2) << width;
        EXPECT_COLOUR_NEAR(pixelAt(2, 2), rgb8(0.25f, 0.25f, 0.25f), 1) << width;
        GLint framebuffer = -1, view[4];
        glGetIntegerv(0x8CA6 /* framebuffer binding */, &framebuffer);
        glGetIntegerv(GL_VIEWPORT, view);
        EXPECT_EQ(std::vector<int>({framebuffer, view[2], view[3]}), std::vector<int>({0, width, height}));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    ensureGlContext();
}

// As deep as a scene file may nest, boxes drawn too, so every walk of the tree meets it; and
// nine lights, of which the first eight count, ambients included.
TEST_F(Frame, DeepHierarchiesDrawInPlaceAndOnlyEightLightsCount) {
    const int32_t mesh = addMesh(world.resources, square(0.3f));
    int32_t parent = world.add("Base", EntityType::GROUP, {0, 0, -5});
    for (int i = 0; i < MAX_NESTING_DEPTH - 2; ++i)
        parent = world.add("Link", EntityType::GROUP, {3.0f / (MAX_NESTING_DEPTH - 2), 0, 0}, parent);
    world.add("Leaf", EntityType::OBJECT, {-1, 0, 0}, parent, mesh, paint(rgba(1, 1, 0)));
    world.add("Sibling", EntityType::OBJECT, {0, -1, -5}, 0, mesh, paint(rgba(0, 1, 1)));
    for (int i = 1; i <= 9; ++i)
        world.add("Lamp", EntityType::LIGHT, {0, 0, 0}, 0, 0, paint({}, rgba(0.1f * i, 0, 0), rgba(0.1f, 0.1f, 0.1f)));
    world.resources->drawBoundings = 1;
    updateTransforms(world.scene);
    renderFrame(world.scene, world.resources);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_COLOUR_NEAR(seen({2, 0, -5}), rgb8(1, 1, 0), 1);
    EXPECT_COLOUR_NEAR(seen({0, -1, -5}), rgb8(0, 1, 1), 1);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    for (int i = 0; i < 8; ++i) {
        GLfloat diffuse[4];
        glGetLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i)) << i;
        EXPECT_NEAR(diffuse[0], 0.1f * (i + 1), 1e-6) << i;
    }
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_NEAR(ambient[0], 0.8f, 1e-5);
    EXPECT_NEAR(ambient[3], 8.0f, 1e-5);
}

} // namespace

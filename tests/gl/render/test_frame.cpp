// The GL layer's tests in one window: whole frames recorded call by call, render to texture in
// the window or off-screen, deep hierarchies and the eight-light cap, and the HUD, read back.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <dlfcn.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>

#include "core/camera.h"
#include "core/clock.h"
#include "hud/actions.h"
#include "loader/parse.h"
#include "render/frame.h"
#include "render/gl_backend.h"
#include "render/gl_textures.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

using Calls = std::vector<std::string>;

// The recording layer: the GL, GLU and GLUT entry points the engine calls are defined at the
// end of this file, so they win at link time; each writes the call down as text while recording
// is on and then calls the real one, found by the dynamic linker.
bool recording = false;
Calls recorded;
const char* vertexBase = nullptr; // array pointers are recorded as offsets from it
const void* indexBase = nullptr;  // and the index pointer as "indices"

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char buffer[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

// Three significant digits and no negative zeros, so expected texts are easy to write.
std::string floats(const GLfloat* values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += format(i ? " %.3g" : "%.3g", values[i] + 0.0);
    return text;
}

void* realSymbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    // The linker drops GLU when the only GLU function the engine calls is defined here.
    if (symbol == nullptr) symbol = dlsym(dlopen("libGLU.so.1", RTLD_NOW | RTLD_GLOBAL), name);
    if (symbol == nullptr) std::abort();
    return symbol;
}

// One 800 by 600 window for the whole run; other sizes are only told to the front end.
void ensureGlContext() {
    static bool made = false;
    if (made) return;
    int argc = 1;
    char name[] = "gl_tests", *argv[] = {name, nullptr};
    glutInit(&argc, argv);
#if defined(__SANITIZE_ADDRESS__)
    std::atexit([] { __lsan_do_leak_check(); }); // before glutInit's teardown unloads the driver
#endif
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGBA);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Krestel GL tests");
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    made = true;
}

struct Rgba8 { uint8_t r, g, b, a; };

// A rectangle of the back buffer, GL's origin at the bottom-left.
std::vector<Rgba8> readPixels(int x, int y, int width, int height) {
    std::vector<Rgba8> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
Rgba8 pixelAt(int x, int y) { return readPixels(x, y, 1, 1)[0]; }

// Red, green and blue only: the window's visual may have no alpha bits.
bool near(Rgba8 a, Rgba8 b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

Colour rgba(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
Rgba8 rgb8(float r, float g, float b) { return {uint8_t(r * 255), uint8_t(g * 255), uint8_t(b * 255), 255}; }
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
    return {.dead = dead, .life = 1, .position = position, .acceleration = {}, .velocity = {}, .mass = 1, .colour = colour};
}

struct World {
    Scene* scene = createScene();
    Resources* resources = createResources(glTextureHooks());
    FrameRecords frame; // kept from record to record, as the display keeps it
    World() = default;
    World& operator=(World&& other) {
        return std::swap(scene, other.scene), std::swap(resources, other.resources), *this;
    }
    ~World() { freeScene(scene), freeResources(resources); } // memory only: no GL call

    int32_t add(const char* name, int32_t type, Float3 at, int32_t parent = 0, int32_t link = 0,
                Material material = paint(rgba(0, 0, 0)), Quaternion turn = {0, 0, 0, 1}) {
        Entity e{};
        std::snprintf(e.name, sizeof e.name, "%s", name);
        e.entityType = type, e.type = MotionType::STATIC, e.position = at, e.rotation = turn;
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
        clearFrameRecords(&frame);
        recordFrame(&frame, scene, resources, width, height);
        recording = true;
        recorded.clear();
        drawFrameRecords(frame, resources);
        recording = false;
        return recorded;
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

// A placement as OpenGL receives it: column-major, the turn's three columns, then the translation.
std::string translation(float x, float y, float z, const char* turn = "1 0 0 0 0 1 0 0 0 0 1 0") {
    return format("%s %.3g %.3g %.3g 1", turn, x + 0.0, y + 0.0, z + 0.0);
}

const Quaternion THIRD_TURN = {0.5f, 0.5f, 0.5f, 0.5f}; // about (1, 1, 1): own x, y, z to world y, z, x

// The scene below's world boxes by hand, depth first (the turned stray's square stands in the YZ
// plane); each drawn as its +y face, its -y face, then the edges between.
void addBoxes(Calls* e) {
    const std::pair<Float3, Float3> boxes[] = { // half-extents and centre
        {{0.75f, 1.25f, 6.25f}, {0.75f, 0.75f, -3.25f}}, {{0.75f, 0.5f, 0}, {0.75f, 0, -5}}, {{0.5f, 0.5f, 0}, {1, 0, -5}},
        {{0, 0, 0}, {0, 2, 0}}, {{0, 0, 0}, {0, 0, 3}}, {{0, 0, 0}, {0, 0, 0}}, {{0, 0.5f, 0.5f}, {0, 0, -9}}};
    const int face[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (const auto& [h, c] : boxes) {
        auto corner = [&](float p, float q, float r) {
            return format("; glVertex3f(%.3g %.3g %.3g)", c.x + p * h.x + 0.0, c.y + q * h.y + 0.0, c.z + r * h.z + 0.0);
        };
        std::string box = "glDisable(0xb50); glDepthMask(0); glEnable(0xbe2)";
        for (int side : {1, -1}) {
            box += "; glBegin(0x2); glColor4fv(1 1 1 0.5)";
            for (const auto& pr : face) box += corner(pr[0], side, pr[1]);
            box += "; glEnd()";
        }
        box += "; glBegin(0x1); glColor4fv(1 1 1 0.5)";
        for (const auto& pr : face) box += corner(pr[0], 1, pr[1]) + corner(pr[0], -1, pr[1]);
        for (const std::string& call : calls(box + "; glEnd(); glDisable(0xbe2); glDepthMask(1); glEnable(0xb50)"))
            e->push_back(call);
    }
}

// One scene pass seen from `eye` of the scene below; a turned eye (THIRD_TURN) sees world y, z and
// x as its x, y and z.
Calls scenePass(const World& w, Float3 eye, bool turned = false) {
    Calls e = calls(
        "glClear(0x4100); glMatrixMode(0x1700); glLoadIdentity(); glPushMatrix(); glLoadMatrixf(" +
        (turned ? translation(-eye.y, -eye.z, -eye.x, "0 0 1 0 1 0 0 0 0 1 0 0") : translation(-eye.x, -eye.y, -eye.z)) +
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
        // The stray, turned. Texture 99 names no entry: the white one, bound already, so not bound again.
        "glPushMatrix(); glMultMatrixf(" + translation(0, 0, -9, "0 1 0 0 0 0 1 0 1 0 0 0") + "); glEnable(0xde1); glTexEnvf(*); "
        "glMaterialfv(*); glMaterialfv(*); glMaterialfv(*); glMaterialfv(*); glMaterialfv(*); glVertexPointer(*); "
        "glNormalPointer(*); glTexCoordPointer(*); glDrawElements(*); glDisable(0xde1); glPopMatrix(); glPopMatrix()");
    addBoxes(&e);
    // Particles in eye space, the dead one skipped; each the lower-left half of a square.
    std::string particles = "glPopMatrix(); glDepthMask(0); glEnable(0xbe2); glBlendFunc(0x1, 0x1); "
                            "glDisable(0xb50); glBegin(0x4)";
    for (Float3 p : {Float3{0, 0, -5}, Float3{1, 1, -5}}) {
        const Float3 d = {p.x - eye.x, p.y - eye.y, p.z - eye.z}, v = turned ? Float3{d.y, d.z, d.x} : d;
        particles += p.x == 0 ? "; glColor4fv(1 0 0 1)" : "; glColor4fv(0 1 0 1)";
        for (auto [dx, dy] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}})
            particles += format("; glVertex3f(%.3g %.3g %.3g)", v.x + dx + 0.0, v.y + dy + 0.0, v.z + 0.0);
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

class Frame : public ::testing::Test {
  protected:
    World world;
    // The state start-up leaves, over a grey background, with every light off.
    void SetUp() override {
        ensureGlContext();
        glViewport(0, 0, 800, 600);
        while (glGetError() != GL_NO_ERROR) {}
        world = World{}; // the registry's white texture needs the context
        glClearColor(0.25f, 0.25f, 0.25f, 1);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    }
};

// Root; group (0, 0, -5) holding an object at (1, 0, 0); a light at (0, 2, 0); a turned camera at
// (0, 0, 3) that a dynamic texture looks through; a triangle particle system with a dead slot
// between two live ones; a turned object whose texture index is out of range; boxes on; the
// viewer at (0, 1, 0).
TEST_F(Frame, AFrameIsTheDynamicPassThenTheMainPassCallByCall) {
    const int32_t mesh = addMesh(world.resources, square(0.5f));
    Material surface = paint(rgba(0, 0, 0), rgba(0.4f, 0.5f, 0.6f), rgba(0.1f, 0.2f, 0.3f));
    surface.specular = rgba(0.7f, 0.8f, 0.9f), surface.shininess = 12;
    const int32_t group = world.add("Group", EntityType::GROUP, {0, 0, -5});
    world.add("Object", EntityType::OBJECT, {1, 0, 0}, group, mesh, surface);
    Material light = paint(rgba(0, 0, 0), rgba(1, 0.5f, 0.25f), rgba(0.1f, 0.1f, 0.1f));
    light.specular = rgba(0.5f, 0.5f, 0.5f);
    world.add("Light", EntityType::LIGHT, {0, 2, 0}, 0, 0, light);
    world.add("Eye", EntityType::CAMERA, {0, 0, 3}, 0, 0, paint(rgba(0, 0, 0)), THIRD_TURN);
    world.addParticles(DisplayType::TRIANGLE, BlendType::SATURATE, 1,
                       {particle({0, 0, -5}, rgba(1, 0, 0)), particle({9, 9, -5}, rgba(1, 1, 1), 1),
                        particle({1, 1, -5}, rgba(0, 1, 0))});
    world.add("Stray", EntityType::OBJECT, {0, 0, -9}, 0, mesh, paint(rgba(1, 1, 1), {}, {}, 99), THIRD_TURN);
    const int32_t eye = loadTexture(world.resources, "eye", TextureType::DYNAMIC, "Eye");
    resolveTextureLinks(world.resources, world.scene);
    setDrawBoundings(world.resources, 1);
    const Mesh& stored = world.resources->meshes.items[mesh];
    vertexBase = reinterpret_cast<const char*>(stored.vertices), indexBase = stored.indices;
    setCameraPosition(&world.scene->camera, 0, 1, 0);
    const Calls recorded = world.record(600, 300);

    Calls e = projection(256, 256, "1", "100", scenePass(world, {0, 0, 3}, true));
    const Calls main = projection(600, 300, "2", "1e+03", scenePass(world, {0, 1, 0}));
    e.push_back(format("glBindTexture(0xde1, %u)", world.resources->textures.entries[eye].glName));
    e.push_back("glCopyTexSubImage2D(0xde1, 0, 0, 0, 0, 0, 256, 256)");
    e.insert(e.end(), main.begin(), main.end());
    EXPECT_TRUE(sameCalls(e, recorded));
    // A window of height 0 keeps the last aspect, 2, rather than dividing by zero.
    const Calls empty = world.record(300, 0);
    EXPECT_TRUE(sameCalls(projection(300, 0, "2", "1e+03", scenePass(world, {0, 1, 0})),
                          Calls(empty.end() - main.size(), empty.end())));
}

TEST_F(Frame, TexturedQuadsAndPointsFollowTheirLayout) {
    for (auto [display, layout] : {std::pair{DisplayType::QUAD,
            "glEnable(0xde1); glTexEnvf(0x2300, 0x2200, 0x2100); glBegin(0x7); glColor4fv(1 1 1 0.5); glTexCoord2f(0 0); "
            "glVertex3f(-1 -1 -5); glTexCoord2f(1 0); glVertex3f(1 -1 -5); glTexCoord2f(1 1); glVertex3f(1 1 -5); "
            "glTexCoord2f(0 1); glVertex3f(-1 1 -5); glEnd(); glDisable(0xde1); "},
            {DisplayType::POINT, "glPointSize(1); glBegin(0); glColor4fv(1 1 1 0.5); glVertex3fv(0 0 -5); glEnd(); "}}) {
        World w;
        w.addParticles(display, BlendType::BLEND, 2, {particle({0, 0, -5}, rgba(1, 1, 1, 0.5f))});
        const Calls all = w.record(800, 600);
        EXPECT_TRUE(sameCalls(calls(std::string("glDepthMask(0); glEnable(0xbe2); glBlendFunc(0x302, 0x303); glDisable(0xb50); ") +
                                    layout + "glEnable(0xb50); glDisable(0xbe2); glDepthMask(1)"),
                              Calls(std::find(all.begin(), all.end(), "glDepthMask(0)"), all.end())));
    }
}

// Windows that hold the 256 by 256 texture and windows that do not, in either direction: the
// camera's whole view reaches the texture, and the main pass then draws into the window.
TEST_F(Frame, AMonitorShowsItsCamerasWholeViewWhateverTheWindowSize) {
    for (auto [width, height] : {std::pair{800, 600}, {200, 150}, {1000, 200}, {200, 1000}}) {
        World w;
        const int32_t wall = addMesh(w.resources, square(10)), small = addMesh(w.resources, square(1));
        w.add("Wall", EntityType::OBJECT, {20, 0, -5}, 0, wall, paint(rgba(0, 1, 0)));
        w.add("Spy", EntityType::CAMERA, {20, 0, 0});
        const int32_t tv = loadTexture(w.resources, "tv", TextureType::DYNAMIC, "Spy");
        w.add("Monitor", EntityType::OBJECT, {0, 0, -5}, 0, small, paint(rgba(1, 1, 1), {}, {}, tv));
        resolveTextureLinks(w.resources, w.scene);
        w.record(width, height);
        // Drawn off-screen exactly when the window is narrower or lower than the texture.
        const Calls binds = width < 256 || height < 256
                                ? Calls{"glBindFramebuffer(0x8d40, target)", "glBindFramebuffer(0x8d40, 0)"}
                                : Calls{};
        EXPECT_EQ(Calls(recorded.begin(), std::remove_if(recorded.begin(), recorded.end(), [](const std::string& c) {
                      return !c.starts_with("glBindFramebuffer");
                  })), binds) << width << "x" << height;
        std::vector<Rgba8> texels(256 * 256);
        bindTexture(w.resources, tv);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (auto [x, y] : {std::pair{5, 5}, {128, 128}, {250, 250}, {250, 5}, {5, 250}})
            EXPECT_TRUE(near(texels[y * 256 + x], rgb8(0, 1, 0), 1)) << width << "x" << height;
        EXPECT_TRUE(near(pixelAt(width / 2, height / 2), rgb8(0, 1, 0), 2)) << width;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

// As deep as a scene file may nest, boxes drawn too, so every walk of the tree meets it; and
// nine lights, of which the first eight count, ambients included.
TEST_F(Frame, DeepHierarchiesDrawInPlaceAndOnlyEightLightsCount) {
    const int32_t mesh = addMesh(world.resources, square(0.3f));
    int32_t parent = world.add("Base", EntityType::GROUP, {0, 0, -5});
    for (int i = 0; i < MAX_NESTING_DEPTH - 2; ++i)
        parent = world.add("Link", EntityType::GROUP, {3.0f / (MAX_NESTING_DEPTH - 2), 0, 0}, parent);
    world.add("Leaf", EntityType::OBJECT, {-1, 0, 0}, parent, mesh, paint(rgba(1, 1, 0)));
    for (int i = 1; i <= 9; ++i)
        world.add("Lamp", EntityType::LIGHT, {0, 0, 0}, 0, 0, paint({}, rgba(0.1f * i, 0, 0), rgba(0.1f, 0.1f, 0.1f)));
    world.resources->drawBoundings = 1;
    world.record(800, 600);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(near(pixelAt(608, 300), rgb8(1, 1, 0), 1)); // (2, 0, -5) on screen
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
    EXPECT_NEAR(ambient[0], 0.8f, 1e-5f);
    EXPECT_NEAR(ambient[3], 8.0f, 1e-5f);
}

const Rgba8 CLEAR{200, 100, 40, 255}, RED{255, 0, 0, 255}, GREEN{0, 255, 0, 255},
    BLUE{0, 0, 255, 255}, WHITE{255, 255, 255, 255}, YELLOW{255, 255, 0, 255};

// A panel or button (the same fields) in HUD units, showing the whole texture.
template <typename Rect> Rect rect(float x0, float y0, float x1, float y1, Colour colour, int32_t texture = 0) {
    Rect r{};
    r.colour = colour, r.texture = texture, r.min = {x0, y0}, r.max = {x1, y1}, r.texMax = {1, 1};
    return r;
}

int countColour(int x, int y, Rgba8 colour) {
    int count = 0;
    for (const Rgba8& p : readPixels(x, y, 200, 20)) count += near(p, colour, 40);
    return count;
}

TEST_F(Frame, HudPanelsThenButtonsInOrderTexturedTheReadOutsUntintedAndTheStateRestored) {
    TempFolder folder(true);
    Camera viewpoint = createCamera();
    Resources* resources = createResources(glTextureHooks());
    Hud hud{};
    initHud(&hud, createScene(), &viewpoint, createClockAt(12345), resources);
    // The state the scene pass leaves: perspective, identity modelview, depth and lighting on.
    glClearColor(CLEAR.r / 255.0f, CLEAR.g / 255.0f, CLEAR.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION), glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW), glLoadIdentity();
    glDepthMask(GL_FALSE); // the HUD turns depth writes back on
    // 2 by 2, bottom row first: red, green; then blue, white.
    writeBytes("hud.tga", makeTga({.width = 2, .height = 2}, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    const int32_t quads = loadTexture(resources, "hud.tga", TextureType::STATIC, "");
    addBackground(&hud, rect<Background>(-1.0f, -1.0f, 1.0f, 0.0f, Colour{1, 0, 0, 1}));
    addButton(&hud, rect<Button>(-0.5f, -0.8f, 0.0f, -0.2f, Colour{0, 1, 0, 1}));
    addButton(&hud, rect<Button>(-0.25f, -0.8f, 0.25f, -0.2f, Colour{0, 0, 1, 1}));
    addBackground(&hud, rect<Background>(-0.6f, -0.9f, 0.6f, -0.1f, Colour{1, 1, 0, 1}));
    addBackground(&hud, rect<Background>(-0.5f, 0.1f, 0.5f, 0.9f, Colour{1, 1, 1, 1}, quads));
    // The read-outs lie over the textured panel; the last texture coordinate given is blue.
    hud.simTime = Float2{-0.45f, 0.5f}, hud.appTime = Float2{-0.45f, 0.2f};
    hud.timeColour = Colour{1.0f, 1.0f, 0.0f, 0.0f}; // alpha has no effect
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    FrameRecords frame;
    recordHud(&frame, &hud, resources, 800, 600);
    drawFrameRecords(frame, resources);

    // HUD (x, y) is pixel (400 + 300x, 300 + 300y), GL rows bottom-up.
    for (auto [x, y, colour] : {std::tuple{280, 150, GREEN}, {430, 150, BLUE}, {340, 150, BLUE}, {550, 150, YELLOW},
                                {150, 150, RED}, {400, 580, CLEAR}, {325, 390, RED}, {475, 390, GREEN},
                                {325, 510, BLUE}, {475, 510, WHITE}})
        EXPECT_TRUE(near(pixelAt(x, y), colour, 4)) << x << ", " << y;
    EXPECT_GT(countColour(265, 446, YELLOW), 40);
    EXPECT_GT(countColour(265, 356, YELLOW), 40);
    EXPECT_EQ(countColour(265, 420, YELLOW), 0); // between the lines: none

    glGetFloatv(GL_PROJECTION_MATRIX, after);
    GLboolean depthMask = GL_FALSE;
    GLint mode = 0;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask), glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(std::tuple(glIsEnabled(GL_BLEND), glIsEnabled(GL_TEXTURE_2D),
                         glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_LIGHTING), depthMask),
              std::tuple(0, 0, 1, 1, 1));
    EXPECT_EQ(std::tuple(mode, std::equal(before, before + 16, after)),
              std::tuple(GL_MODELVIEW, true));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    freeScene(hud.scene), std::free(hud.clock), freeHud(&hud), freeResources(resources);
}

} // namespace

#define F(v, n) floats(v, n).c_str()
// Defines NAME(PARAMS), records it with the printf arguments that follow, calls the real one.
#define WRAP(NAME, PARAMS, ARGS, ...)                                                              \
    void NAME PARAMS {                                                                             \
        if (recording) recorded.push_back(format(__VA_ARGS__));                                    \
        static const auto real = reinterpret_cast<decltype(&NAME)>(realSymbol(#NAME));             \
        real ARGS;                                                                                 \
    }

extern "C" {
WRAP(glClear, (GLbitfield m), (m), "glClear(%#x)", m)
WRAP(glMatrixMode, (GLenum m), (m), "glMatrixMode(%#x)", m)
WRAP(glLoadIdentity, (), (), "glLoadIdentity()")
WRAP(glPushMatrix, (), (), "glPushMatrix()")
WRAP(glPopMatrix, (), (), "glPopMatrix()")
WRAP(glLoadMatrixf, (const GLfloat* m), (m), "glLoadMatrixf(%s)", F(m, 16))
WRAP(glMultMatrixf, (const GLfloat* m), (m), "glMultMatrixf(%s)", F(m, 16))
WRAP(glEnable, (GLenum c), (c), "glEnable(%#x)", c)
WRAP(glDisable, (GLenum c), (c), "glDisable(%#x)", c)
WRAP(glLightfv, (GLenum l, GLenum p, const GLfloat* v), (l, p, v), "glLightfv(%#x, %#x, %s)", l, p, F(v, 4))
WRAP(glLightModelfv, (GLenum p, const GLfloat* v), (p, v), "glLightModelfv(%#x, %s)", p, F(v, 4))
WRAP(glEnableClientState, (GLenum a), (a), "glEnableClientState(%#x)", a)
WRAP(glShadeModel, (GLenum m), (m), "glShadeModel(%#x)", m)
WRAP(glMaterialfv, (GLenum f, GLenum p, const GLfloat* v), (f, p, v), "glMaterialfv(%#x, %#x, %s)",
     f, p, F(v, p == GL_SHININESS ? 1 : 4))
WRAP(glTexEnvf, (GLenum t, GLenum p, GLfloat v), (t, p, v), "glTexEnvf(%#x, %#x, %#x)", t, p,
     static_cast<unsigned>(v))
WRAP(glBindTexture, (GLenum t, GLuint n), (t, n), "glBindTexture(%#x, %u)", t, n)
WRAP(glVertexPointer, (GLint s, GLenum t, GLsizei d, const void* p), (s, t, d, p),
     "glVertexPointer(%d, %#x, %d, +%ld)", s, t, d, static_cast<const char*>(p) - vertexBase)
WRAP(glNormalPointer, (GLenum t, GLsizei d, const void* p), (t, d, p),
     "glNormalPointer(%#x, %d, +%ld)", t, d, static_cast<const char*>(p) - vertexBase)
WRAP(glTexCoordPointer, (GLint s, GLenum t, GLsizei d, const void* p), (s, t, d, p),
     "glTexCoordPointer(%d, %#x, %d, +%ld)", s, t, d, static_cast<const char*>(p) - vertexBase)
WRAP(glDrawElements, (GLenum m, GLsizei n, GLenum t, const void* i), (m, n, t, i),
     "glDrawElements(%#x, %d, %#x, %s)", m, n, t, i == indexBase ? "indices" : "other")
WRAP(glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h), "glViewport(%d, %d, %d, %d)",
     x, y, w, h)
WRAP(gluPerspective, (GLdouble f, GLdouble a, GLdouble n, GLdouble z), (f, a, n, z),
     "gluPerspective(%.3g, %.3g, %.3g, %.3g)", f, a, n, z)
WRAP(glCopyTexSubImage2D, (GLenum t, GLint l, GLint a, GLint b, GLint x, GLint y, GLsizei w, GLsizei h),
     (t, l, a, b, x, y, w, h), "glCopyTexSubImage2D(%#x, %d, %d, %d, %d, %d, %d, %d)", t, l, a, b, x,
     y, w, h)
WRAP(glDepthMask, (GLboolean f), (f), "glDepthMask(%d)", f)
WRAP(glBlendFunc, (GLenum s, GLenum d), (s, d), "glBlendFunc(%#x, %#x)", s, d)
WRAP(glBegin, (GLenum m), (m), "glBegin(%#x)", m)
WRAP(glEnd, (), (), "glEnd()")
WRAP(glColor4fv, (const GLfloat* v), (v), "glColor4fv(%s)", F(v, 4))
WRAP(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), "glVertex3f(%.3g %.3g %.3g)",
     x + 0.0, y + 0.0, z + 0.0)
WRAP(glTexCoord2f, (GLfloat s, GLfloat t), (s, t), "glTexCoord2f(%.3g %.3g)", s + 0.0, t + 0.0)
WRAP(glPointSize, (GLfloat s), (s), "glPointSize(%.3g)", s + 0.0)
WRAP(glVertex3fv, (const GLfloat* v), (v), "glVertex3fv(%s)", F(v, 3))

// The framebuffer entry point is looked up at run time: hand out a recording one instead.
void (*realBindFramebuffer)(GLenum, GLuint) = nullptr;
void bindFramebuffer(GLenum target, GLuint name) {
    if (recording) recorded.push_back(format("glBindFramebuffer(%#x, %s)", target, name ? "target" : "0"));
    realBindFramebuffer(target, name);
}
using Proc = void (*)(); // GLX's entry-point type, without the X headers' macros
Proc glXGetProcAddress(const GLubyte* name) {
    static const auto real = reinterpret_cast<decltype(&glXGetProcAddress)>(realSymbol("glXGetProcAddress"));
    const Proc found = real(name);
    if (found == nullptr || std::string(reinterpret_cast<const char*>(name)) != "glBindFramebuffer") return found;
    realBindFramebuffer = reinterpret_cast<void (*)(GLenum, GLuint)>(found);
    return reinterpret_cast<Proc>(bindFramebuffer);
}
} // extern "C"

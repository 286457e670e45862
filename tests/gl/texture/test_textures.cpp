// Textures in a real context: the registry's record of the bound texture against GL's own
// binding, and a whole scene file loaded with its images, each index naming its own file's
// pixels; a malformed file applies nothing.
#include <GL/gl.h>

#include <string>

#include "anim/keyframe.h"
#include "gl/gl_fixture.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

// A 2 by 2, 24-bit TGA of one colour.
void writeTga(const char* path, uint8_t r, uint8_t g, uint8_t b) {
    ASSERT_TRUE(writeBytes(path, makeTga({.width = 2, .height = 2}, {b, g, r, b, g, r, b, g, r, b, g, r})));
}

GLuint boundName() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

class Textures : public GlTest {
  protected:
    TempFolder folder{true};
    Resources* resources = createResources();
    TextureRegistry& registry = resources->textures;
};

TEST_F(Textures, TheRegistryKnowsWhatIsBoundAndSkipsOnlyRedundantBinds) {
    writeTga("a.tga", 255, 0, 0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int32_t a = loadTexture(&registry, "a.tga", TextureType::STATIC, "");
    const int32_t missing = loadTexture(&registry, "missing.tga", TextureType::STATIC, "");
    const int32_t b = loadTexture(&registry, "b", TextureType::DYNAMIC, "Cam");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "TGA_READ: failed to open file missing.tga\n");
    const GLuint white = registry.entries[0].glName, aName = registry.entries[a].glName;
    // Creating a texture binds it; a file that failed keeps an entry that binds the white one.
    EXPECT_EQ(registry.boundIndex, b);
    EXPECT_EQ(boundName(), registry.entries[b].glName);
    // {index asked for, index recorded after, GL name bound after}; 7 and -1 name no entry.
    const struct {
        int32_t index, recorded;
        GLuint bound;
    } rows[] = {{a, a, aName}, {0, 0, white}, {missing, missing, white}, {a, a, aName},
                {7, 0, white}, {b, b, registry.entries[b].glName}, {-1, 0, white}};
    for (const auto& row : rows) {
        bindTexture(&registry, row.index);
        EXPECT_EQ(registry.boundIndex, row.recorded) << row.index;
        EXPECT_EQ(boundName(), row.bound) << row.index;
    }
    // Already recorded as bound: no GL call, so a binding changed behind the registry stays.
    glBindTexture(GL_TEXTURE_2D, aName);
    bindTexture(&registry, 0);
    EXPECT_EQ(boundName(), aName);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The centre colour of a full-window quad drawn with texture `index`.
Rgba8 drawTexture(Resources* resources, int32_t index) {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    bindTexture(resources, index);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1), glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1), glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    return pixelAt(400, 300);
}

TEST_F(Textures, ASceneFileLoadsItsImagesInFileOrderAndABrokenOneAppliesNothing) {
    writeTga("panel.tga", 255, 0, 0);
    writeTga("smoke.tga", 0, 255, 0);
    writeTga("blue.tga", 0, 0, 255);
    for (const bool broken : {true, false}) {
        std::string text = sceneText("extended");
        if (broken) text = replaceFirst(text, "MINSPEED: 0.5", "MINSPEED 0.5");
        ASSERT_TRUE(writeText("scene.txt", text));
        Scene* scene = createScene();
        KeyframerList* keyframers = createList<Keyframer>();
        ForceList* forces = createRecordList<Force>();
        Resources* loaded = createResources();
        Hud hud{};
        initHud(&hud, scene, &loaded->viewpoint, nullptr, loaded);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        loadScene("scene.txt", scene, keyframers, forces, &hud, loaded);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (broken) {
            EXPECT_EQ(err, "ERROR: 'scene.txt' line " + std::to_string(lineOf(text, "MINSPEED 0.5")) +
                               ": expected 'MINSPEED:' but found 'MINSPEED'\n");
            // Not even the panel, read before the error.
            EXPECT_EQ(getEntityCount(scene) * 100 + loaded->textures.count * 10 + hud.backgroundCount, 110);
            EXPECT_EQ(forces->count + keyframers->count + loaded->particleSystems.count, 0);
            continue;
        }
        EXPECT_NE(out.find("File Load (\"scene.txt\"): Success\n"), std::string::npos) << out;
        EXPECT_EQ(err.find("ERROR"), std::string::npos) << err;
        // In the order the file names them: panel 1, the button's camera 2, smoke 3 (the second
        // system shares the camera's), the second Red's camera 4, the key's blue.tga 5.
        const TextureRegistry& t = loaded->textures;
        ASSERT_EQ(t.count, 6);
        EXPECT_EQ(t.entries[2].linkEntity, 2);
        EXPECT_EQ(t.entries[4].linkEntity, 3);
        EXPECT_EQ(hud.backgrounds[0].texture, 1);
        EXPECT_EQ(hud.buttons[0].texture, 2);
        EXPECT_EQ(getParticleSystem(loaded, 0)->textureId, 3);
        EXPECT_EQ(getParticleSystem(loaded, 1)->textureId, 2);
        EXPECT_EQ(keyframers->items[0]->keys->value.material.textureId, 5);
        EXPECT_COLOUR_NEAR(drawTexture(loaded, 1), (Rgba8{255, 0, 0, 255}), 3);
        EXPECT_COLOUR_NEAR(drawTexture(loaded, 3), (Rgba8{0, 255, 0, 255}), 3);
        EXPECT_COLOUR_NEAR(drawTexture(loaded, 5), (Rgba8{0, 0, 255, 255}), 3);
        EXPECT_FALSE(nearColour(drawTexture(loaded, 3), Rgba8{255, 0, 0, 255}));
    }
}

} // namespace

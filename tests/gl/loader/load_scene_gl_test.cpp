// loadScene with a real GL context: the documented example plus duplicates and DYNAMIC
// textures, checked for texture indices in file order, first-match materials and systems,
// resolved buttons and cameras, and the textures' pixels; a malformed file applies nothing.
#include "gl/gl_fixture.h"

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A 2 by 2, 24-bit, uncompressed TGA of one colour.
void writeTga(const char* path, uint8_t r, uint8_t g, uint8_t b) {
    ASSERT_TRUE(
        writeBytes(path, makeTga({.width = 2, .height = 2}, {b, g, r, b, g, r, b, g, r, b, g, r})));
}

// Runs every test in its own fresh folder, so relative file names resolve there.
class LoadSceneTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        scene = createScene();
        keyframers = createList<Keyframer>();
        forces = createRecordList<Force>();
        resources = createResources();
        static Hud huds[8];
        hud = &huds[hudsUsed++ % 8];
        *hud = Hud{};
        initHud(hud, scene, &resources->viewpoint, nullptr, resources);
    }

    std::string load(const char* path, std::string* err = nullptr) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        loadScene(path, scene, keyframers, forces, hud, resources);
        std::string errText = testing::internal::GetCapturedStderr();
        if (err) *err = errText;
        return testing::internal::GetCapturedStdout();
    }

    // The centre colour of a full-window quad drawn with texture `index`.
    Rgba8 drawTexture(int32_t index) {
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, resources->textures.entries[index].glName);
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(-1, -1);
        glTexCoord2f(1, 0), glVertex2f(1, -1);
        glTexCoord2f(1, 1), glVertex2f(1, 1);
        glTexCoord2f(0, 1), glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        resources->textures.boundIndex = -1; // the registry's idea of the binding is stale now
        Rgba8 centre = pixelAt(400, 300);
        if (HasFailure()) dumpFrame("loader-texture-" + std::to_string(index));
        return centre;
    }

    TempFolder folder{true};
    Scene* scene = nullptr;
    KeyframerList* keyframers = nullptr;
    ForceList* forces = nullptr;
    Resources* resources = nullptr;
    Hud* hud = nullptr;
    static inline int hudsUsed = 0;
};

TEST_F(LoadSceneTest, TheExampleLoadsInFileOrder) {
    writeTga("panel.tga", 255, 0, 0);
    writeTga("smoke.tga", 0, 255, 0);
    writeTga("blue.tga", 0, 0, 255);
    ASSERT_TRUE(writeText("scene.txt", sceneText("extended")));
    std::string err;
    std::string out = load("scene.txt", &err);
    EXPECT_NE(out.find("File Load (\"scene.txt\"): Success\n"), std::string::npos) << out;
    EXPECT_EQ(err, "");

    // Textures, in the order the file names them: panel 1, button's camera 2, smoke 3, the
    // second Smoke's camera is the button's (shared), Red's None is 0, the second Red's
    // camera Spinner 4, the key's blue.tga 5.
    const TextureRegistry& t = resources->textures;
    ASSERT_EQ(t.count, 6);
    EXPECT_STREQ(t.entries[1].fileName, "panel.tga");
    EXPECT_EQ(t.entries[2].textureType, TextureType::DYNAMIC);
    EXPECT_STREQ(t.entries[2].link, "Camera1");
    EXPECT_EQ(t.entries[2].linkEntity, 2); // resolved after the scene graph
    EXPECT_STREQ(t.entries[3].fileName, "smoke.tga");
    EXPECT_STREQ(t.entries[4].link, "Spinner");
    EXPECT_EQ(t.entries[4].linkEntity, 3);
    EXPECT_STREQ(t.entries[5].fileName, "blue.tga");

    // HUD.
    EXPECT_FLOAT_EQ(hud->appTime.x, -1.3f);
    EXPECT_FLOAT_EQ(hud->simTime.y, 0.8f);
    ASSERT_EQ(hud->backgroundCount, 1);
    EXPECT_EQ(hud->backgrounds[0].texture, 1);
    EXPECT_FLOAT_EQ(hud->backgrounds[0].colour.a, 0.5f);
    ASSERT_EQ(hud->buttonCount, 1);
    EXPECT_EQ(hud->buttons[0].texture, 2);
    EXPECT_EQ(hud->buttons[0].action, &actionEntityMove);
    EXPECT_FLOAT_EQ(hud->buttons[0].actionValues[0], 3.0f); // Spinner's index
    EXPECT_FLOAT_EQ(hud->buttons[0].actionValues[2], 1.0f);

    // Force and particle systems.
    ASSERT_EQ(forces->count, 1);
    EXPECT_FLOAT_EQ(forces->items[0].strength.y, -9.8f);
    ASSERT_EQ(resources->particleSystems.count, 2);
    const ParticleSystem* smoke = getParticleSystem(resources, 0);
    EXPECT_EQ(smoke->displayType, DisplayType::QUAD);
    EXPECT_EQ(smoke->blendType, BlendType::BLEND);
    EXPECT_EQ(smoke->off, 0);
    EXPECT_EQ(smoke->textureId, 3);
    expectNumbers({{smoke->birthRate, 20.0f},
                   {smoke->lifetime, 2.0f},
                   {smoke->size, 0.2f},
                   {smoke->maxColour.r, 0.5f},
                   {smoke->maxMass, 1.0f},
                   {smoke->maxSpeed, 1.5f}});
    const ParticleSystem* second = getParticleSystem(resources, 1);
    EXPECT_EQ(second->off, 1);
    EXPECT_EQ(second->textureId, 2);
    EXPECT_EQ(second->displayType, DisplayType::TRIANGLE);

    // Entities: World 1, Camera1 2 (the scene camera), Spinner 3 with the first Red.
    ASSERT_EQ(getEntityCount(scene), 4);
    EXPECT_EQ(scene->cameraEntity, 2);
    EXPECT_FLOAT_EQ(scene->camera.position.y, 2.0f);
    EXPECT_FLOAT_EQ(scene->camera.position.z, 10.0f);
    const Entity& spinner = scene->entities->items[3];
    EXPECT_STREQ(spinner.name, "Spinner");
    EXPECT_EQ(spinner.link, 0);
    EXPECT_FLOAT_EQ(spinner.bounds.axis0.x, 0.5f);
    EXPECT_FLOAT_EQ(spinner.bounds.centre.y, 0.5f);
    EXPECT_FLOAT_EQ(spinner.material.diffuse.r, 0.8f); // the first "Red"
    EXPECT_EQ(spinner.material.textureId, 0);
    EXPECT_STREQ(spinner.material.name, "Red");
    EXPECT_EQ(resources->meshes.count, 1);

    // Keyframers: the material track first (file order), then the rotation track.
    ASSERT_EQ(keyframers->count, 2);
    EXPECT_EQ(keyframers->items[0]->keyframeType, KeyframeType::MATERIAL);
    EXPECT_EQ(keyframers->items[0]->entity, 3);
    EXPECT_EQ(keyframers->items[0]->keys->value.material.textureId, 5);
    EXPECT_EQ(keyframers->items[1]->keyframeType, KeyframeType::ROTATION);
    EXPECT_EQ(keyframers->items[1]->keyCount, 2);
    EXPECT_FLOAT_EQ(keyframers->items[1]->lastTime, 4.0f);

    // The indices name the right images: each texture draws its own file's colour.
    const Rgba8 red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    EXPECT_COLOUR_NEAR(drawTexture(1), red, 3);
    EXPECT_COLOUR_NEAR(drawTexture(3), green, 3);
    EXPECT_COLOUR_NEAR(drawTexture(5), blue, 3);
    EXPECT_FALSE(nearColour(drawTexture(3), red)); // the comparison tells images apart
}

TEST_F(LoadSceneTest, AMalformedFileAppliesNothing) {
    writeTga("panel.tga", 255, 0, 0);
    std::string text = replaceFirst(sceneText("example"), "MINSPEED: 0.5", "MINSPEED 0.5");
    ASSERT_TRUE(writeText("scene.txt", text));
    std::string err;
    std::string out = load("scene.txt", &err);
    EXPECT_EQ(out, "");
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "ERROR: 'scene.txt' line %d: expected 'MINSPEED:' but found 'MINSPEED'\n",
                  lineOf(text, "MINSPEED 0.5"));
    EXPECT_EQ(err, expected);
    EXPECT_EQ(getEntityCount(scene), 1);
    EXPECT_EQ(resources->textures.count, 1); // not even the panel, read before the error
    EXPECT_EQ(hud->backgroundCount, 0);
    EXPECT_EQ(forces->count, 0);
    EXPECT_EQ(keyframers->count, 0);
}

} // namespace

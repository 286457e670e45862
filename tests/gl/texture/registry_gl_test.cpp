// The texture registry against a real GL context: the white entry 0, STATIC and DYNAMIC lookups,
// redundant-bind skipping as seen in GL_TEXTURE_BINDING_2D, drawing a loaded TGA, and the copy
// of the back buffer's lower-left square into a DYNAMIC texture. Texture contents are read back
// with glGetTexImage, drawn pixels with glReadPixels.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl/gl_fixture.h"
#include "render/records.h"
#include "test_data.h"
#include "texture/registry.h"
#include "texture/tga.h"

namespace {

const Rgba8 WHITE{255, 255, 255, 255};
const Rgba8 RED{255, 0, 0, 255};
const Rgba8 GREEN{0, 255, 0, 255};
const Rgba8 BLUE{0, 0, 255, 255};
const Rgba8 MAGENTA{255, 0, 255, 255};

// Runs a test inside a fresh folder so file names stay short (they must fit 19 characters).
class RegistryTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        createTextureRegistry(&registry);
    }
    void TearDown() override { releaseRegistry(&registry); }

    // The engine keeps its registry for the whole run; tests make one each and release it.
    static void releaseRegistry(TextureRegistry* r) {
        for (int32_t i = 0; i < r->count; ++i) {
            const GLuint name = r->entries[i].glName;
            if (i == 0 || name != r->entries[0].glName) glDeleteTextures(1, &name);
        }
        std::free(r->entries);
        *r = TextureRegistry{};
    }

    TempFolder folder{true};
    TextureRegistry registry{};
};

void writeTga(const char* name, uint16_t width, uint16_t height, uint8_t depth,
              const std::vector<uint8_t>& pixels) {
    ASSERT_TRUE(
        writeBytes(name, makeTga({.width = width, .height = height, .pixelDepth = depth}, pixels)));
}

// The 2 by 2 image blue, green, red, white in file order.
void writeFourColours(const char* name) {
    writeTga(name, 2, 2, 24, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
}

GLint boundGlName() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

struct TexImage {
    int width = 0, height = 0;
    std::vector<Rgba8> texels; // rows bottom-up, as stored
    Rgba8 at(int x, int y) const { return texels[size_t(y) * width + x]; }
};

// Reads level 0 of a GL texture, then puts the previous binding back so the registry's record of
// the bound texture stays true.
TexImage readTexture(uint32_t glName) {
    const GLint previous = boundGlName();
    glBindTexture(GL_TEXTURE_2D, glName);
    TexImage image;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.texels.resize(size_t(image.width) * size_t(image.height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!image.texels.empty()) {
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.texels.data());
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return image;
}

GLint textureParameter(uint32_t glName, GLenum parameter) {
    const GLint previous = boundGlName();
    glBindTexture(GL_TEXTURE_2D, glName);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return value;
}

TEST_F(RegistryTest, FreshRegistryHoldsTheWhiteNoneTexture) {
    EXPECT_EQ(registry.count, 1);
    EXPECT_EQ(registry.boundIndex, 0);
    const Texture& none = registry.entries[0];
    EXPECT_EQ(none.textureType, TextureType::STATIC);
    EXPECT_STREQ(none.fileName, "None");
    EXPECT_STREQ(none.link, "");
    ASSERT_NE(none.glName, 0u);
    EXPECT_EQ(boundGlName(), GLint(none.glName));

    const TexImage image = readTexture(none.glName);
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    for (const Rgba8& texel : image.texels) EXPECT_COLOUR_NEAR(texel, WHITE, 0);
    // It keeps GL's default filter: nothing was set on it.
    EXPECT_EQ(textureParameter(none.glName, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);

    // "None" as a STATIC name is entry 0 itself; no file is tried.
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadTexture(&registry, "None", TextureType::STATIC, ""), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(registry.count, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, StaticFileIsUploadedInFileOrderWithRepeatAndLinear) {
    writeFourColours("four.tga");
    writeTga("half.tga", 1, 1, 32, {0, 0, 255, 128});

    testing::internal::CaptureStdout();
    const int32_t four = loadTexture(&registry, "four.tga", TextureType::STATIC, "");
    const int32_t again = loadTexture(&registry, "four.tga", TextureType::STATIC, "");
    const int32_t half = loadTexture(&registry, "half.tga", TextureType::STATIC, "");
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(four, 1);
    EXPECT_EQ(again, 1);
    EXPECT_EQ(half, 2);
    EXPECT_EQ(registry.count, 3);
    EXPECT_EQ(registry.boundIndex, 2);
    EXPECT_EQ(out, "'four.tga' (3 byte) image file closed and read.\n"
                   "'half.tga' (4 byte) image file closed and read.\n");
    EXPECT_STREQ(registry.entries[1].fileName, "four.tga");
    EXPECT_NE(registry.entries[1].glName, registry.entries[0].glName);

    const TexImage image = readTexture(registry.entries[four].glName);
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    EXPECT_COLOUR_NEAR(image.at(0, 0), BLUE, 0);
    EXPECT_COLOUR_NEAR(image.at(1, 0), GREEN, 0);
    EXPECT_COLOUR_NEAR(image.at(0, 1), RED, 0);
    EXPECT_COLOUR_NEAR(image.at(1, 1), WHITE, 0);
    const TexImage halfImage = readTexture(registry.entries[half].glName);
    EXPECT_COLOUR_NEAR(halfImage.at(0, 0), (Rgba8{255, 0, 0, 128}), 0);

    for (int32_t index : {four, half}) {
        const uint32_t name = registry.entries[index].glName;
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_T), GL_REPEAT);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, FailedFileKeepsAnEntryThatBindsTheWhiteTexture) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int32_t missing = loadTexture(&registry, "missing.tga", TextureType::STATIC, "");
    const int32_t again = loadTexture(&registry, "missing.tga", TextureType::STATIC, "");
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(missing, 1);
    EXPECT_EQ(again, 1); // found by name, the file is not tried again
    EXPECT_EQ(registry.count, 2);
    EXPECT_EQ(err, "TGA_READ: failed to open file missing.tga\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(registry.entries[missing].textureType, TextureType::STATIC);
    EXPECT_STREQ(registry.entries[missing].fileName, "missing.tga");
    EXPECT_EQ(registry.entries[missing].glName, registry.entries[0].glName);

    // A malformed file is refused the same way and also keeps its entry.
    writeTga("short.tga", 4, 4, 24, std::vector<uint8_t>(12, 0));
    testing::internal::CaptureStderr();
    const int32_t shortFile = loadTexture(&registry, "short.tga", TextureType::STATIC, "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "TGA_READ: 'short.tga': file has 30 bytes but a 4 by 4 24-bit image needs 66\n");
    EXPECT_EQ(shortFile, 2);
    EXPECT_EQ(registry.entries[shortFile].glName, registry.entries[0].glName);

    bindTexture(&registry, missing);
    EXPECT_EQ(boundGlName(), GLint(registry.entries[0].glName));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, OtherKindsGetAnEntryWithoutAnImage) {
    const int32_t odd = loadTexture(&registry, "four.tga", 5, "Cam");
    EXPECT_EQ(odd, 1);
    EXPECT_EQ(registry.count, 2);
    EXPECT_EQ(registry.entries[odd].textureType, 5);
    EXPECT_EQ(registry.entries[odd].glName, registry.entries[0].glName);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, DynamicTexturesAreSharedByLinkWhateverTheName) {
    const int32_t first = loadTexture(&registry, "screen", TextureType::DYNAMIC, "Cam1");
    const int32_t same = loadTexture(&registry, "other", TextureType::DYNAMIC, "Cam1");
    const int32_t second = loadTexture(&registry, "screen", TextureType::DYNAMIC, "Cam2");
    testing::internal::CaptureStderr();
    const int32_t staticCam1 = loadTexture(&registry, "Cam1", TextureType::STATIC, "");
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(first, 1);
    EXPECT_EQ(same, 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(staticCam1, 3); // STATIC lookups compare file names, not links
    EXPECT_EQ(registry.entries[first].textureType, TextureType::DYNAMIC);
    EXPECT_STREQ(registry.entries[first].fileName, "");
    EXPECT_STREQ(registry.entries[first].link, "Cam1");

    const TexImage image = readTexture(registry.entries[second].glName);
    ASSERT_EQ(image.width, DYNAMIC_TEXTURE_SIZE);
    ASSERT_EQ(image.height, DYNAMIC_TEXTURE_SIZE);
    for (const Rgba8& texel : {image.at(0, 0), image.at(128, 200), image.at(255, 255)}) {
        EXPECT_COLOUR_NEAR(texel, WHITE, 0);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, BindTextureSkipsRedundantBindsAndMapsBadIndicesToZero) {
    writeFourColours("a.tga");
    writeFourColours("b.tga");
    testing::internal::CaptureStdout();
    const int32_t a = loadTexture(&registry, "a.tga", TextureType::STATIC, "");
    testing::internal::GetCapturedStdout();
    const uint32_t noneName = registry.entries[0].glName;
    const uint32_t aName = registry.entries[a].glName;
    EXPECT_EQ(registry.boundIndex, a);
    EXPECT_EQ(boundGlName(), GLint(aName));

    bindTexture(&registry, 0);
    EXPECT_EQ(registry.boundIndex, 0);
    EXPECT_EQ(boundGlName(), GLint(noneName));

    // Already recorded as bound: no GL call, so a binding changed behind the registry stays.
    glBindTexture(GL_TEXTURE_2D, 0);
    bindTexture(&registry, 0);
    EXPECT_EQ(boundGlName(), 0);
    bindTexture(&registry, a);
    EXPECT_EQ(boundGlName(), GLint(aName));

    // Creating a texture binds it, so the previous index is bound again on request.
    testing::internal::CaptureStdout();
    const int32_t b = loadTexture(&registry, "b.tga", TextureType::STATIC, "");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(registry.boundIndex, b);
    EXPECT_EQ(boundGlName(), GLint(registry.entries[b].glName));
    bindTexture(&registry, a);
    EXPECT_EQ(registry.boundIndex, a);
    EXPECT_EQ(boundGlName(), GLint(aName));

    // Index 7 of 3 entries, and negative indices, select entry 0.
    ASSERT_EQ(registry.count, 3);
    bindTexture(&registry, 7);
    EXPECT_EQ(registry.boundIndex, 0);
    EXPECT_EQ(boundGlName(), GLint(noneName));
    bindTexture(&registry, b);
    bindTexture(&registry, -1);
    EXPECT_EQ(registry.boundIndex, 0);
    EXPECT_EQ(boundGlName(), GLint(noneName));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RegistryTest, CopyTakesTheLowerLeftSquareOfTheBackBuffer) {
    const int32_t screen = loadTexture(&registry, "", TextureType::DYNAMIC, "Cam");
    bindTexture(&registry, 0);
    const uint32_t screenName = registry.entries[screen].glName;

    // Magenta outside the copied square, green inside, blue in its lower-left 64 by 64.
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 256, 256);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, 64, 64);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const TexImage before = readTexture(screenName);
    EXPECT_COLOUR_NEAR(before.at(10, 10), WHITE, 0);

    copyToDynamicTexture(&registry, screen);
    EXPECT_EQ(registry.boundIndex, screen);
    EXPECT_EQ(boundGlName(), GLint(screenName));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    const TexImage after = readTexture(screenName);
    ASSERT_EQ(after.width, 256);
    auto rgb = [](Rgba8 c) { return Rgba8{c.r, c.g, c.b, 255}; };
    EXPECT_COLOUR_NEAR(rgb(after.at(10, 10)), BLUE, 0);
    EXPECT_COLOUR_NEAR(rgb(after.at(100, 10)), GREEN, 0);
    EXPECT_COLOUR_NEAR(rgb(after.at(10, 100)), GREEN, 0);
    EXPECT_COLOUR_NEAR(rgb(after.at(255, 255)), GREEN, 0);
    // Nothing from outside the square: a copy from the wrong place would show magenta.
    for (const Rgba8& texel : after.texels) {
        if (nearColour(rgb(texel), MAGENTA, 8)) {
            ADD_FAILURE() << "magenta from outside the lower-left square was copied";
            break;
        }
    }
    if (HasFailure()) dumpFrame("texture_copy_source");
}

TEST_F(RegistryTest, CopyIgnoresEntriesThatAreNotDynamic) {
    writeTga("big.tga", 256, 256, 24, std::vector<uint8_t>(256 * 256 * 3, 200));
    testing::internal::CaptureStdout();
    const int32_t big = loadTexture(&registry, "big.tga", TextureType::STATIC, "");
    testing::internal::GetCapturedStdout();
    bindTexture(&registry, 0);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    copyToDynamicTexture(&registry, big);
    copyToDynamicTexture(&registry, 0);
    copyToDynamicTexture(&registry, 9);
    EXPECT_EQ(registry.boundIndex, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_COLOUR_NEAR(readTexture(registry.entries[big].glName).at(5, 5),
                       (Rgba8{200, 200, 200, 255}), 0);
    EXPECT_COLOUR_NEAR(readTexture(registry.entries[0].glName).at(0, 0), WHITE, 0);
}

} // namespace

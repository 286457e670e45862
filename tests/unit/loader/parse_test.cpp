// The scene parser without GL: the example file read into records, the lexical rules, the
// DYNAMIC spelling, number and word limits, and one table of malformed inputs with the error
// kind and line each must report. Every parse is also checked against the template interpreter
// alone (parseBothWays), so these inputs prove the fast paths change nothing.
#include "loader/parse.h"

#include "anim/keyframe.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"
#include "unit/loader/describe_scene.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const std::string EXAMPLE_SCENE = sceneText("example");

SceneDescription parseOk(std::string_view text) {
    SceneDescription d;
    ParseError error = parseBothWays(text, &d);
    EXPECT_EQ(error.kind, ParseErrorKind::None)
        << parseErrorKindName(error.kind) << " line " << error.line << ": " << error.message;
    return d;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Every run of blanks, tabs and line breaks replaced by `with`.
std::string replaceBlankRuns(const std::string& text, std::string_view with) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\n') {
            out += with;
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        } else {
            out += text[i++];
        }
    }
    return out;
}

TEST(ParseExample, ReadsEverySectionOfTheExample) {
    SceneDescription d = parseOk(EXAMPLE_SCENE);
    EXPECT_STREQ(d.sceneCamera.text, "Camera1");

    EXPECT_FLOAT_EQ(d.hud.appTime.x, -1.3f);
    EXPECT_FLOAT_EQ(d.hud.simTime.y, 0.8f);
    ASSERT_EQ(d.hud.backgrounds.size(), 1u);
    const BackgroundDescription& panel = d.hud.backgrounds[0];
    EXPECT_FLOAT_EQ(panel.background.colour.a, 0.5f);
    EXPECT_EQ(panel.texture.kind, TextureType::STATIC);
    EXPECT_STREQ(panel.texture.file.text, "panel.tga");
    EXPECT_STREQ(panel.texture.link.text, "STATIC"); // the type word, unused for STATIC
    EXPECT_FLOAT_EQ(panel.background.min.x, -1.3f);
    EXPECT_FLOAT_EQ(panel.background.max.y, -0.5f);
    EXPECT_FLOAT_EQ(panel.background.texMax.u, 1.0f);
    ASSERT_EQ(d.hud.buttons.size(), 1u);
    const ButtonDescription& button = d.hud.buttons[0];
    EXPECT_STREQ(button.button.actionName, "ENTITYMOVE");
    EXPECT_STREQ(button.button.actionLink, "Spinner");
    EXPECT_FLOAT_EQ(button.button.actionValues[2], 1.0f);
    EXPECT_EQ(button.texture.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(button.texture.link.text, "Camera1");
    EXPECT_STREQ(button.texture.file.text, "None");
    EXPECT_FLOAT_EQ(button.button.min.x, -1.2f);
    EXPECT_FLOAT_EQ(button.button.max.y, -0.7f);

    ASSERT_EQ(d.forces.size(), 1u);
    EXPECT_EQ(d.forces[0].forceType, ForceType::GRAVITY);
    EXPECT_FLOAT_EQ(d.forces[0].strength.y, -9.8f);
    EXPECT_FLOAT_EQ(d.forces[0].strength.x, 0.0f);

    ASSERT_EQ(d.particleSystems.size(), 1u);
    const ParticleSystemDescription& smoke = d.particleSystems[0];
    EXPECT_STREQ(smoke.name.text, "Smoke");
    EXPECT_EQ(smoke.particleType, ParticleType::POINT);
    EXPECT_EQ(smoke.displayType, DisplayType::QUAD);
    EXPECT_EQ(smoke.blendType, BlendType::BLEND);
    EXPECT_FLOAT_EQ(smoke.birthRate, 20.0f);
    EXPECT_FLOAT_EQ(smoke.lifetime, 2.0f);
    EXPECT_FLOAT_EQ(smoke.size, 0.2f);
    EXPECT_EQ(smoke.off, 0);
    EXPECT_EQ(smoke.texture.kind, TextureType::STATIC);
    EXPECT_STREQ(smoke.texture.file.text, "smoke.tga");
    EXPECT_FLOAT_EQ(smoke.maxColour.r, 0.5f);
    EXPECT_FLOAT_EQ(smoke.maxColour.a, 0.0f);
    EXPECT_FLOAT_EQ(smoke.minMass, 0.5f);
    EXPECT_FLOAT_EQ(smoke.maxMass, 1.0f);
    EXPECT_FLOAT_EQ(smoke.minSpeed, 0.5f);
    EXPECT_FLOAT_EQ(smoke.maxSpeed, 1.5f);

    ASSERT_EQ(d.materials.size(), 1u);
    const Material& red = d.materials[0].material;
    EXPECT_STREQ(red.name, "Red");
    EXPECT_FLOAT_EQ(red.ambient.r, 0.2f); // file order differs from field order
    EXPECT_FLOAT_EQ(red.diffuse.r, 0.8f);
    EXPECT_FLOAT_EQ(red.emission.r, 0.0f);
    EXPECT_FLOAT_EQ(red.emission.a, 1.0f);
    EXPECT_FLOAT_EQ(red.specular.g, 1.0f);
    EXPECT_FLOAT_EQ(red.shininess, 32.0f);
    EXPECT_STREQ(red.texture, "None");
    EXPECT_EQ(d.materials[0].texture.kind, TextureType::STATIC);

    ASSERT_EQ(d.meshes.size(), 1u);
    const MeshDescription& tri = d.meshes[0];
    EXPECT_STREQ(tri.name.text, "Tri");
    ASSERT_EQ(tri.vertices.size(), 3u);
    EXPECT_FLOAT_EQ(tri.vertices[1].position.x, 1.0f);
    EXPECT_FLOAT_EQ(tri.vertices[2].texCoord.v, 1.0f);
    EXPECT_FLOAT_EQ(tri.vertices[0].normal.z, 1.0f);
    ASSERT_EQ(tri.indices.size(), 3u);
    EXPECT_EQ(tri.indices[2], 2u);
    EXPECT_FLOAT_EQ(tri.bounds.axis0.x, 0.5f);
    EXPECT_FLOAT_EQ(tri.bounds.axis1.y, 0.5f);
    EXPECT_FLOAT_EQ(tri.bounds.axis2.z, 0.0f);
    EXPECT_FLOAT_EQ(tri.bounds.centre.x, 0.5f);
    EXPECT_FLOAT_EQ(tri.bounds.centre.y, 0.5f);
    EXPECT_FLOAT_EQ(tri.bounds.centre.z, 0.0f);

    ASSERT_EQ(d.entities.size(), 3u);
    EXPECT_STREQ(d.entities[0].name.text, "World");
    EXPECT_EQ(d.entities[0].parent, -1);
    EXPECT_EQ(d.entities[0].entityType, EntityType::GROUP);
    EXPECT_EQ(d.entities[0].childCount, 2);
    EXPECT_STREQ(d.entities[1].name.text, "Camera1");
    EXPECT_EQ(d.entities[1].parent, 0);
    EXPECT_EQ(d.entities[1].entityType, EntityType::CAMERA);
    EXPECT_FLOAT_EQ(d.entities[1].position.z, 10.0f);
    const EntityDescription& spinner = d.entities[2];
    EXPECT_STREQ(spinner.name.text, "Spinner");
    EXPECT_EQ(spinner.parent, 0);
    EXPECT_EQ(spinner.entityType, EntityType::OBJECT);
    EXPECT_EQ(spinner.type, MotionType::ANIMATE);
    EXPECT_STREQ(spinner.link.text, "Tri");
    EXPECT_STREQ(spinner.material.text, "Red");
    EXPECT_EQ(spinner.line, lineOf(EXAMPLE_SCENE, "ENTITY: OBJECT"));
    ASSERT_EQ(spinner.keyframerCount, 1);
    const KeyframerDescription& k = d.keyframers[static_cast<size_t>(spinner.firstKeyframer)];
    EXPECT_EQ(k.keyframeType, KeyframeType::ROTATION);
    ASSERT_EQ(k.keyCount, 2);
    const KeyDescription& last = d.keys[static_cast<size_t>(k.firstKey + 1)];
    EXPECT_FLOAT_EQ(last.time, 4.0f);
    EXPECT_FLOAT_EQ(last.values[0], 180.0f);
    EXPECT_FLOAT_EQ(last.values[2], 1.0f);
}

TEST(ParseExample, NestedChildrenComeInPreOrderWithTheirParents) {
    // World { A { A1, A2 }, B { B1 } }
    std::string entity =
        "------ ENTITY: GROUP TYPE: STATIC NAME: %s POSITION: 0 0 0 ROTATION: 0 0 1 "
        "0 SCALE: 1 1 1 ACCELERATION: 0 0 0 VELOCITY: 0 0 0 LINK: None MATERIAL: "
        "None MASS: 1 KEYFRAMERCOUNT: 0 CHILDCOUNT: %d\n";
    auto record = [&](const char* name, int children) {
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, entity.c_str(), name, children);
        return std::string(buffer);
    };
    std::string head = EXAMPLE_SCENE.substr(0, EXAMPLE_SCENE.find("SCENEGRAPH:"));
    std::string text = head + "SCENEGRAPH:\n" + record("World", 2) + record("A", 2) +
                       record("A1", 0) + record("A2", 0) + record("B", 1) + record("B1", 0) +
                       "anything after the scene graph is not read";
    SceneDescription d = parseOk(text);
    const char* names[] = {"World", "A", "A1", "A2", "B", "B1"};
    int parents[] = {-1, 0, 1, 1, 0, 4};
    ASSERT_EQ(d.entities.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(d.entities[i].name.text, names[i]);
        EXPECT_EQ(d.entities[i].parent, parents[i]) << names[i];
    }
}

TEST(ParseLexical, LayoutBetweenTokensDoesNotMatter) {
    const std::string base = describe(parseOk(EXAMPLE_SCENE));
    std::string text = EXAMPLE_SCENE;
    std::string oneLine = replaceBlankRuns(text, " ");
    std::string spread = replaceBlankRuns(text, "\n\n\t  \n");
    std::string crlf = replaceAll(text, "\n", "\r\n");
    std::string indented = replaceAll(text, "\n", "\n    \t");
    // Whitespace in a template may also match an empty run.
    std::string tight =
        replaceAll(replaceAll(text, "MASS: 1", "MASS:1"), "\tSHININESS: 32", "SHININESS:32");
    tight = replaceAll(tight, " TEX: ", "TEX:");
    // Blank lines and indentation before the first line too.
    std::string leading = "\n\n  \t" + text;
    for (const std::string* variant : {&oneLine, &spread, &crlf, &indented, &tight, &leading}) {
        EXPECT_EQ(describe(parseOk(*variant)), base);
    }
    // Lines before the first record still count in error messages.
    SceneDescription d;
    EXPECT_EQ(parseScene("\n\nSCENECAMERA: Cam\nHUB:\n", &d).line, 4);
}

TEST(ParseLexical, NumbersAcceptSignsFractionsAndExponents) {
    std::string text =
        replaceFirst(EXAMPLE_SCENE, "STRENGTH: 0 -9.8 0", "STRENGTH: +1.5 -.5e1 1e-50");
    text = replaceFirst(text, "SIZE: 0.2", "SIZE: 2.");
    text = replaceFirst(text, "FORCECOUNT: 1", "FORCECOUNT: +1");
    SceneDescription d = parseOk(text);
    EXPECT_FLOAT_EQ(d.forces[0].strength.x, 1.5f);
    EXPECT_FLOAT_EQ(d.forces[0].strength.y, -5.0f);
    EXPECT_FLOAT_EQ(d.forces[0].strength.z, 0.0f); // too small for a float: zero, not an error
    EXPECT_FLOAT_EQ(d.particleSystems[0].size, 2.0f);
}

TEST(ParseLexical, WordsOfNineteenCharactersAreKeptWhole) {
    const char* name = "ABCDEFGHIJKLMNOPQRS"; // 19 characters
    SceneDescription d =
        parseOk(replaceFirst(EXAMPLE_SCENE, "NAME: Spinner", std::string("NAME: ") + name));
    EXPECT_STREQ(d.entities[2].name.text, name);
    EXPECT_TRUE(wordEquals(d.entities[2].name, name));
    EXPECT_FALSE(wordEquals(d.entities[2].name, "ABCDEFGHIJKLMNOPQR"));
}

TEST(ParseLexical, DynamicTexturesNameTheirCameraInParentheses) {
    std::string text = replaceFirst(EXAMPLE_SCENE, "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
                                    "TEXTURETYPE: DYNAMIC (Camera1)\nTEXTURE: None");
    std::string materialKeys = R"(KEYFRAMERCOUNT: 2
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 2
T: 0 KEYFRAME: 0 0 1 0
T: 4 KEYFRAME: 180 0 1 0
KEYFRAMETYPE: MATERIAL
KEYFRAMECOUNT: 2
T: 0 KEYFRAME:
  EMISSION: 0 0 0 1
  AMBIENT: 0.2 0 0 1
  DIFFUSE: 0.8 0 0 1
  SPECULAR: 1 1 1 1
  SHININESS: 32
  TEXTURETYPE: DYNAMIC
  (Mirror)
  TEXTURE: none.tga
T: 2 KEYFRAME:
  EMISSION: 0 0 0 1
  AMBIENT: 0 0 0.2 1
  DIFFUSE: 0 0 0.8 1
  SPECULAR: 1 1 1 1
  SHININESS: 16
  TEXTURETYPE: STATIC
  TEXTURE: blue.tga
)";
    text = replaceFirst(text,
                        "KEYFRAMERCOUNT: 1\nKEYFRAMETYPE: ROTATION\nKEYFRAMECOUNT: 2\nT: 0 "
                        "KEYFRAME: 0 0 1 0\nT: 4 KEYFRAME: 180 0 1 0\n",
                        materialKeys);
    SceneDescription d = parseOk(text);
    const TextureRef& smoke = d.particleSystems[0].texture;
    EXPECT_EQ(smoke.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(smoke.link.text, "Camera1"); // the parentheses are not part of the name
    EXPECT_STREQ(smoke.file.text, "None");

    ASSERT_EQ(d.keyframers.size(), 2u);
    const KeyframerDescription& k = d.keyframers[1];
    EXPECT_EQ(k.keyframeType, KeyframeType::MATERIAL);
    ASSERT_EQ(k.keyCount, 2);
    const KeyDescription& first = d.keys[static_cast<size_t>(k.firstKey)];
    EXPECT_EQ(first.texture.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(first.texture.link.text, "Mirror");
    EXPECT_FLOAT_EQ(first.material.ambient.r, 0.2f);
    const KeyDescription& second = d.keys[static_cast<size_t>(k.firstKey + 1)];
    EXPECT_FLOAT_EQ(second.time, 2.0f);
    EXPECT_EQ(second.texture.kind, TextureType::STATIC);
    EXPECT_STREQ(second.material.texture, "blue.tga");
    EXPECT_FLOAT_EQ(second.material.diffuse.b, 0.8f);
    EXPECT_FLOAT_EQ(second.material.shininess, 16.0f);
    EXPECT_STREQ(second.material.name, ""); // a key's material has no name
}

TEST(ParseSections, CountsOfZeroOrLessMeanNoRecords) {
    std::string text = EXAMPLE_SCENE;
    size_t from = text.find("BACKGROUNDCOUNT: 1");
    size_t to = text.find("BUTTONCOUNT: 1");
    text.replace(from, to - from, "BACKGROUNDCOUNT: -3\n");
    text = replaceFirst(text, "FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: 0 -9.8 0",
                        "FORCECOUNT: 0");
    SceneDescription d = parseOk(text);
    EXPECT_TRUE(d.hud.backgrounds.empty());
    EXPECT_EQ(d.hud.buttons.size(), 1u);
    EXPECT_TRUE(d.forces.empty());
    EXPECT_EQ(d.particleSystems.size(), 1u);
}

TEST(ParseSections, InitialOffSwitchesASystemOffAndAnyOtherWordOn) {
    for (auto [word, off] : {std::pair{"OFF", 1}, {"ON", 0}, {"off", 0}, {"Whatever", 0}}) {
        SceneDescription d =
            parseOk(replaceFirst(EXAMPLE_SCENE, "INITIAL: ON", std::string("INITIAL: ") + word));
        EXPECT_EQ(d.particleSystems[0].off, off) << word;
    }
}

TEST(ParseSections, SurfaceCountIsReadAndIgnored) {
    SceneDescription d = parseOk(replaceFirst(EXAMPLE_SCENE, "SURFACECOUNT: 1", "SURFACECOUNT: 2"));
    EXPECT_EQ(d.meshes[0].indices.size(), 3u);
    EXPECT_EQ(d.entities.size(), 3u);
}

TEST(ParseSections, EmptyMeshHasTheZeroBox) {
    std::string text = EXAMPLE_SCENE;
    size_t from = text.find("\t\tVERTEXCOUNT: 3");
    size_t to = text.find("SCENEGRAPH:");
    text.replace(from, to - from, "VERTEXCOUNT: 0 SURFACECOUNT: 0 TRIANGLECOUNT: 0\n");
    SceneDescription d = parseOk(text);
    ASSERT_EQ(d.meshes.size(), 1u);
    EXPECT_TRUE(d.meshes[0].vertices.empty());
    EXPECT_FLOAT_EQ(d.meshes[0].bounds.axis0.x, 0.0f);
    EXPECT_FLOAT_EQ(d.meshes[0].bounds.centre.x, 0.0f);
}

TEST(ParseSections, DeepNestingDoesNotExhaustTheStack) {
    const int depth = 50000;
    std::string text = EXAMPLE_SCENE.substr(0, EXAMPLE_SCENE.find("SCENEGRAPH:"));
    text += "SCENEGRAPH:\n";
    text.reserve(text.size() + static_cast<size_t>(depth) * 200);
    for (int i = 0; i < depth; ++i) {
        text += "------\nENTITY: GROUP\nTYPE: STATIC\nNAME: G\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 "
                "SCALE: 1 1 1\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: None\nMATERIAL: "
                "None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: ";
        text += i + 1 < depth ? "1\n" : "0\n";
    }
    SceneDescription d = parseOk(text);
    ASSERT_EQ(d.entities.size(), static_cast<size_t>(depth));
    EXPECT_EQ(d.entities.back().parent, depth - 2);
}

struct BadInput {
    const char* name;
    const char* from; // replaced in the example ...
    const char* to;   // ... by this
    ParseErrorKind kind;
    const char* marker; // the reported line is the line of this text in the changed file, or
                        // the last line when null
};

const BadInput BAD_INPUTS[] = {
    {"misspelt keyword", "MASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0",
     "MAS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0", ParseErrorKind::ExpectedLiteral, "MAS: 1"},
    {"lower-case keyword", "SIMTIME:", "simtime:", ParseErrorKind::ExpectedLiteral, "simtime:"},
    {"blank before colon", "SHININESS: 32", "SHININESS : 32", ParseErrorKind::ExpectedLiteral,
     "SHININESS :"},
    {"dash count", "------\nENTITY: CAMERA", "-----\nENTITY: CAMERA",
     ParseErrorKind::ExpectedLiteral, "-----\nENTITY: CAMERA"},
    {"vertex without NORMAL", "POSITION: 1 0 0 NORMAL: 0 0 1", "POSITION: 1 0 0 0 0 1",
     ParseErrorKind::ExpectedLiteral, "POSITION: 1 0 0 0"},
    {"too few vertex lines", "VERTEXCOUNT: 3", "VERTEXCOUNT: 4", ParseErrorKind::ExpectedLiteral,
     "SURFACECOUNT"},
    {"speed before mass", "MINMASS: 0.5 MAXMASS: 1\nMINSPEED: 0.5 MAXSPEED: 1.5",
     "MINSPEED: 0.5 MAXSPEED: 1.5\nMINMASS: 0.5 MAXMASS: 1", ParseErrorKind::ExpectedLiteral,
     "MINSPEED"},
    {"LINK line for a STATIC panel", "TEXTURE: panel.tga", "LINK: Camera1\nTEXTURE: panel.tga",
     ParseErrorKind::ExpectedLiteral, "LINK: Camera1"},
    {"missing LINK line of a DYNAMIC button", "LINK: Camera1\n", "",
     ParseErrorKind::ExpectedLiteral, "TEXTURE: None"},
    {"DYNAMIC particle texture without camera", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedLiteral, "TEXTURE: smoke"},
    {"DYNAMIC particle texture with empty camera", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC ()\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedWord, "DYNAMIC ()"},
    {"DYNAMIC particle texture unclosed", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC (Camera1\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedLiteral,
     "DYNAMIC (Camera1"},
    {"letters for a number", "STRENGTH: 0 -9.8 0", "STRENGTH: 0 down 0",
     ParseErrorKind::ExpectedNumber, "STRENGTH"},
    {"nan", "SIZE: 0.2", "SIZE: nan", ParseErrorKind::ExpectedNumber, "SIZE"},
    {"inf", "LIFETIME: 2", "LIFETIME: -inf", ParseErrorKind::ExpectedNumber, "LIFETIME"},
    {"double sign", "BIRTHRATE: 20", "BIRTHRATE: +-20", ParseErrorKind::ExpectedNumber,
     "BIRTHRATE"},
    {"float too large", "MASS: 1\nKEYFRAMERCOUNT: 1", "MASS: 1e39\nKEYFRAMERCOUNT: 1",
     ParseErrorKind::NumberOutOfRange, "MASS: 1e39"},
    {"int too large", "FORCECOUNT: 1", "FORCECOUNT: 2147483648", ParseErrorKind::NumberOutOfRange,
     "FORCECOUNT"},
    {"fraction for a count", "CHILDCOUNT: 2", "CHILDCOUNT: 2.5", ParseErrorKind::ExpectedLiteral,
     "CHILDCOUNT: 2.5"},
    {"unknown ENTITY", "ENTITY: CAMERA", "ENTITY: Camera", ParseErrorKind::UnknownVariant,
     "ENTITY: Camera"},
    {"unknown TYPE", "TYPE: ANIMATE", "TYPE: MOVING", ParseErrorKind::UnknownVariant,
     "TYPE: MOVING"},
    {"unknown KEYFRAMETYPE", "KEYFRAMETYPE: ROTATION", "KEYFRAMETYPE: SCALE",
     ParseErrorKind::UnknownVariant, "KEYFRAMETYPE"},
    {"unknown FORCETYPE", "FORCETYPE: GRAVITY", "FORCETYPE: WIND", ParseErrorKind::UnknownVariant,
     "FORCETYPE"},
    {"unknown PARTICLETYPE", "PARTICLETYPE: POINT", "PARTICLETYPE: LINE",
     ParseErrorKind::UnknownVariant, "PARTICLETYPE"},
    {"unknown DISPLAYTYPE", "DISPLAYTYPE: QUAD", "DISPLAYTYPE: quad",
     ParseErrorKind::UnknownVariant, "DISPLAYTYPE"},
    {"unknown BLENDTYPE", "BLENDTYPE: BLEND", "BLENDTYPE: ADD", ParseErrorKind::UnknownVariant,
     "BLENDTYPE"},
    {"unknown HUD TEXTURETYPE", "TEXTURETYPE: STATIC\nTEXTURE: panel.tga",
     "TEXTURETYPE: MOVIE\nTEXTURE: panel.tga", ParseErrorKind::UnknownVariant, "MOVIE"},
    {"unknown material TEXTURETYPE", "TEXTURETYPE: STATIC\n\tTEXTURE: None",
     "TEXTURETYPE: \n\n STATIK\n\tTEXTURE: None", ParseErrorKind::UnknownVariant, "STATIK"},
    {"name of 20 characters", "NAME: Spinner", "NAME: ABCDEFGHIJKLMNOPQRST",
     ParseErrorKind::WordTooLong, "ABCDEFGHIJKLMNOPQRST"},
    {"long file name", "TEXTURE: smoke.tga", "TEXTURE: textures/a-long-smoke.tga",
     ParseErrorKind::WordTooLong, "a-long-smoke"},
    {"triangle index past the end", "\t0 1 2", "\t0 1\n\t\t\t\t3", ParseErrorKind::IndexOutOfRange,
     "\t\t\t\t3"},
    {"negative triangle index", "\t0 1 2", "\t-1 1 2", ParseErrorKind::IndexOutOfRange, "-1 1 2"},
    {"huge vertex count", "VERTEXCOUNT: 3", "VERTEXCOUNT: 2000000000",
     ParseErrorKind::CountTooLarge, "VERTEXCOUNT"},
    {"huge triangle count", "TRIANGLECOUNT: 1", "TRIANGLECOUNT: 1000000",
     ParseErrorKind::CountTooLarge, "TRIANGLECOUNT"},
    {"huge background count", "BACKGROUNDCOUNT: 1", "BACKGROUNDCOUNT: 2147483647",
     ParseErrorKind::CountTooLarge, "BACKGROUNDCOUNT"},
    {"huge material count", "MATERIALCOUNT: 1", "MATERIALCOUNT: 500", ParseErrorKind::CountTooLarge,
     "MATERIALCOUNT"},
    {"huge key count", "KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 1000", ParseErrorKind::CountTooLarge,
     "KEYFRAMECOUNT"},
    {"huge child count", "CHILDCOUNT: 2", "CHILDCOUNT: 100000000", ParseErrorKind::CountTooLarge,
     "CHILDCOUNT: 1000"},
    {"one child fewer than announced", "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 2",
     "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 3", ParseErrorKind::UnexpectedEnd, nullptr},
    {"missing SCENEGRAPH", "SCENEGRAPH:", "SCENE GRAPH:", ParseErrorKind::ExpectedLiteral,
     "SCENE GRAPH"},
};

TEST(ParseErrors, EachBadInputReportsItsKindAndLine) {
    for (const BadInput& bad : BAD_INPUTS) {
        std::string text = replaceFirst(EXAMPLE_SCENE, bad.from, bad.to);
        ASSERT_FALSE(text.empty()) << bad.name << ": fixture text not found";
        SceneDescription d;
        ParseError error = parseBothWays(text, &d);
        int line = bad.marker ? lineOf(text, bad.marker) : lineCount(text);
        ASSERT_GT(line, 0) << bad.name << ": marker not found";
        EXPECT_EQ(error.kind, bad.kind) << bad.name << ": got " << parseErrorKindName(error.kind)
                                        << " (" << error.message << ")";
        EXPECT_EQ(error.line, line) << bad.name << ": " << error.message;
        EXPECT_FALSE(error.message.empty()) << bad.name;
    }
}

TEST(ParseErrors, TruncatedFilesEndEarlyAtTheirLastLine) {
    const std::string text = EXAMPLE_SCENE;
    // Cut inside a keyword, inside a number, after a keyword and between numbers.
    for (const char* cut :
         {"MATERIA", "-9.", "T: 4 KEYFRAME:", "T: 4 KEYFRAME: 180 0", "PARTICLECOUNT"}) {
        size_t at = text.find(cut);
        ASSERT_NE(at, std::string::npos) << cut;
        std::string truncated = text.substr(0, at + std::strlen(cut));
        SceneDescription d;
        ParseError error = parseBothWays(truncated, &d);
        EXPECT_EQ(error.kind, ParseErrorKind::UnexpectedEnd) << cut << ": " << error.message;
        EXPECT_EQ(error.line, lineCount(truncated)) << cut;
    }
    // Right after a count, the count itself is the error: the rest cannot hold its records.
    SceneDescription d;
    std::string afterCount = text.substr(0, text.find("MESHCOUNT: 1") + 12);
    ParseError count = parseBothWays(afterCount, &d);
    EXPECT_EQ(count.kind, ParseErrorKind::CountTooLarge);
    EXPECT_EQ(count.line, lineCount(afterCount));
    ParseError empty = parseBothWays("", &d);
    EXPECT_EQ(empty.kind, ParseErrorKind::UnexpectedEnd);
    EXPECT_EQ(empty.line, 1);
}

TEST(ParseErrors, MessagesSayWhatWasExpectedAndWhatWasFound) {
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    } cases[] = {
        {"MASS: 1\nKEYFRAMERCOUNT: 1", "MAS: 1\nKEYFRAMERCOUNT: 1",
         "expected 'MASS:' but found 'MAS:'"},
        {"SHININESS: 32", "SHININESS : 32", "expected 'SHININESS:' but found 'SHININESS'"},
        {"SIZE: 0.2", "SIZE: nan", "expected a finite number after 'SIZE:' but found 'nan'"},
        {"ENTITY: CAMERA", "ENTITY: Camera",
         "expected one of LIGHT, CAMERA, GROUP, OBJECT, PARTICLE after 'ENTITY:' but found "
         "'Camera'"},
        {"\t0 1 2", "\t0 1 7", "expected a vertex index from 0 to 2 but found 7"},
        {"NAME: Spinner", "NAME: ABCDEFGHIJKLMNOPQRST",
         "expected a word of at most 19 characters after 'NAME:' but found "
         "'ABCDEFGHIJKLMNOPQRST' (20 characters)"},
    };
    for (const Case& c : cases) {
        SceneDescription d;
        ParseError error = parseBothWays(replaceFirst(EXAMPLE_SCENE, c.from, c.to), &d);
        EXPECT_EQ(error.message, c.message);
    }
}

TEST(ParseErrors, UnprintableBytesAreNotEchoed) {
    SceneDescription d;
    ParseError error = parseBothWays(replaceFirst(EXAMPLE_SCENE, "HUD:", "H\x01\x7f\xff:"), &d);
    EXPECT_EQ(error.kind, ParseErrorKind::ExpectedLiteral);
    EXPECT_EQ(error.message, "expected 'HUD:' but found 'H???:'");
    error =
        parseBothWays(replaceFirst(EXAMPLE_SCENE, "DISPLAYTYPE: QUAD", "DISPLAYTYPE: Q\x02"), &d);
    EXPECT_EQ(error.kind, ParseErrorKind::UnknownVariant);
    EXPECT_EQ(error.message,
              "expected one of POINT, TRIANGLE, QUAD after 'DISPLAYTYPE:' but found 'Q?'");
}

} // namespace

namespace {

std::string readSourceFile(const char* relative) {
    std::string here = __FILE__;
    std::string root = here.substr(0, here.rfind("tests/unit/loader/"));
    FILE* file = std::fopen((root + relative).c_str(), "rb");
    if (!file) return {};
    std::string text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

TEST(ParseShippedScenes, TheDemoSceneAndTheDocumentedExampleAreWellFormed) {
    std::string demo = readSourceFile("demo/scene.txt");
    ASSERT_FALSE(demo.empty());
    SceneDescription d = parseOk(demo);
    EXPECT_FALSE(d.hud.backgrounds.empty());
    EXPECT_FALSE(d.particleSystems.empty());
    EXPECT_FALSE(d.meshes.empty());
    EXPECT_FALSE(d.entities.empty());

    std::string doc = readSourceFile("docs/scene-format.md");
    size_t begin = doc.find("```\nSCENECAMERA:");
    ASSERT_NE(begin, std::string::npos);
    begin += 4;
    size_t end = doc.find("```", begin);
    SceneDescription example = parseOk(std::string_view(doc).substr(begin, end - begin));
    ASSERT_EQ(example.entities.size(), 4u);
    EXPECT_STREQ(example.entities[3].name.text, "Spinner");
}

} // namespace

namespace {

// Thousands of damaged copies of the example (bytes changed, inserted, deleted, cut): every one
// parses or fails cleanly with a line inside the text and a message. Run under the sanitizer
// build, this also checks that no read leaves the text.
TEST(ParseRobustness, DamagedFilesFailCleanly) {
    const std::string base = EXAMPLE_SCENE;
    uint32_t state = 12345;
    auto next = [&state](uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    const char alphabet[] = "0123456789-+.e: \n\tABCDEFGHIKLMNOPRSTUVWXYZ()abc\x01\xff";
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int edits = 1 + static_cast<int>(next(4)); edits > 0; --edits) {
            size_t at = next(static_cast<uint32_t>(text.size()));
            char c = alphabet[next(sizeof alphabet - 1)];
            switch (next(4)) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(at, 1, c);
                break;
            case 2:
                text.erase(at, 1 + next(8));
                break;
            default:
                text.resize(at);
                break;
            }
        }
        // Parse from a heap copy of exactly the text's size, so an overrun is a sanitizer error.
        std::vector<char> exact(text.begin(), text.end());
        SceneDescription d;
        ParseError error = parseBothWays(std::string_view(exact.data(), exact.size()), &d);
        if (error.kind == ParseErrorKind::None) continue;
        ++failures;
        EXPECT_GE(error.line, 1) << text;
        EXPECT_LE(error.line, lineCount(text)) << error.message;
        EXPECT_FALSE(error.message.empty());
    }
    EXPECT_GT(failures, 1000); // the damage does reach the parser
}

} // namespace

// The scene parser without GL on well-formed files: the example read into records, the lexical
// rules, the DYNAMIC spelling, sections, and the shipped scenes. Every parse is also checked
// against the template interpreter alone (parseBothWays). Malformed files: parse_errors_test.
#include "loader/parse.h"

#include "anim/keyframe.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"
#include "unit/loader/describe_scene.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    ASSERT_EQ(d.hud.backgrounds.size(), 1u);
    ASSERT_EQ(d.hud.buttons.size(), 1u);
    ASSERT_EQ(d.forces.size(), 1u);
    ASSERT_EQ(d.particleSystems.size(), 1u);
    ASSERT_EQ(d.materials.size(), 1u);
    ASSERT_EQ(d.meshes.size(), 1u);
    ASSERT_EQ(d.entities.size(), 3u);
    const BackgroundDescription& panel = d.hud.backgrounds[0];
    const ButtonDescription& button = d.hud.buttons[0];
    const ParticleSystemDescription& smoke = d.particleSystems[0];
    const Material& red = d.materials[0].material;
    const MeshDescription& tri = d.meshes[0];
    expectNumbers({{d.hud.appTime.x, -1.3f},
                   {d.hud.simTime.y, 0.8f},
                   {panel.background.colour.a, 0.5f},
                   {panel.background.min.x, -1.3f},
                   {panel.background.max.y, -0.5f},
                   {panel.background.texMax.u, 1},
                   {button.button.actionValues[2], 1},
                   {button.button.min.x, -1.2f},
                   {button.button.max.y, -0.7f},
                   {d.forces[0].strength.x, 0},
                   {d.forces[0].strength.y, -9.8f},
                   {smoke.birthRate, 20},
                   {smoke.lifetime, 2},
                   {smoke.size, 0.2f},
                   {smoke.maxColour.r, 0.5f},
                   {smoke.maxColour.a, 0},
                   {smoke.minMass, 0.5f},
                   {smoke.maxMass, 1},
                   {smoke.minSpeed, 0.5f},
                   {smoke.maxSpeed, 1.5f},
                   // The file gives EMISSION before AMBIENT: the fields take their own values.
                   {red.ambient.r, 0.2f},
                   {red.diffuse.r, 0.8f},
                   {red.emission.r, 0},
                   {red.emission.a, 1},
                   {red.specular.g, 1},
                   {red.shininess, 32},
                   {tri.vertices[1].position.x, 1},
                   {tri.vertices[2].texCoord.v, 1},
                   {tri.vertices[0].normal.z, 1},
                   {tri.bounds.axis0.x, 0.5f},
                   {tri.bounds.axis1.y, 0.5f},
                   {tri.bounds.axis2.z, 0},
                   {tri.bounds.centre.x, 0.5f},
                   {tri.bounds.centre.y, 0.5f},
                   {tri.bounds.centre.z, 0},
                   {d.entities[1].position.z, 10}});
    EXPECT_EQ(panel.texture.kind, TextureType::STATIC);
    EXPECT_STREQ(panel.texture.file.text, "panel.tga");
    EXPECT_STREQ(panel.texture.link.text, "STATIC"); // the type word, unused for STATIC
    EXPECT_STREQ(button.button.actionName, "ENTITYMOVE");
    EXPECT_STREQ(button.button.actionLink, "Spinner");
    EXPECT_EQ(button.texture.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(button.texture.link.text, "Camera1");
    EXPECT_STREQ(button.texture.file.text, "None");
    EXPECT_EQ(d.forces[0].forceType, ForceType::GRAVITY);
    EXPECT_STREQ(smoke.name.text, "Smoke");
    EXPECT_EQ(smoke.particleType, ParticleType::POINT);
    EXPECT_EQ(smoke.displayType, DisplayType::QUAD);
    EXPECT_EQ(smoke.blendType, BlendType::BLEND);
    EXPECT_EQ(smoke.off, 0);
    EXPECT_STREQ(smoke.texture.file.text, "smoke.tga");
    EXPECT_STREQ(red.name, "Red");
    EXPECT_STREQ(red.texture, "None");
    EXPECT_STREQ(tri.name.text, "Tri");
    EXPECT_EQ(tri.vertices.size(), 3u);
    EXPECT_EQ(tri.indices, (std::vector<uint32_t>{0, 1, 2}));

    const char* names[] = {"World", "Camera1", "Spinner"};
    const int32_t parents[] = {-1, 0, 0},
                  kinds[] = {EntityType::GROUP, EntityType::CAMERA, EntityType::OBJECT};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(d.entities[i].name.text, names[i]);
        EXPECT_EQ(d.entities[i].parent, parents[i]) << names[i];
        EXPECT_EQ(d.entities[i].entityType, kinds[i]) << names[i];
    }
    EXPECT_EQ(d.entities[0].childCount, 2);
    const EntityDescription& spinner = d.entities[2];
    EXPECT_EQ(spinner.type, MotionType::ANIMATE);
    EXPECT_STREQ(spinner.link.text, "Tri");
    EXPECT_STREQ(spinner.material.text, "Red");
    EXPECT_EQ(spinner.line, lineOf(EXAMPLE_SCENE, "ENTITY: OBJECT"));
    ASSERT_EQ(spinner.keyframerCount, 1);
    const KeyframerDescription& k = d.keyframers[static_cast<size_t>(spinner.firstKeyframer)];
    EXPECT_EQ(k.keyframeType, KeyframeType::ROTATION);
    ASSERT_EQ(k.keyCount, 2);
    const KeyDescription& last = d.keys[static_cast<size_t>(k.firstKey + 1)];
    expectNumbers({{last.time, 4}, {last.values[0], 180}, {last.values[2], 1}});
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

TEST(ParseLexical, DynamicTexturesNameTheirCameraInParentheses) {
    // The full scene: a DYNAMIC particle texture and a DYNAMIC material key, its camera put on a
    // line of its own here; a key's material takes the key's fields and has no name.
    const std::string text = replaceFirst(sceneText("full"), "TEXTURETYPE: DYNAMIC (KeyCam)",
                                          "TEXTURETYPE: DYNAMIC\n  (KeyCam)");
    SceneDescription d = parseOk(text);
    const TextureRef& smoke = d.particleSystems[0].texture;
    EXPECT_EQ(smoke.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(smoke.link.text, "SmokeCam"); // the parentheses are not part of the name
    EXPECT_STREQ(smoke.file.text, "None");
    ASSERT_EQ(d.keyframers.size(), 3u);
    const KeyframerDescription& k = d.keyframers[2];
    EXPECT_EQ(k.keyframeType, KeyframeType::MATERIAL);
    ASSERT_EQ(k.keyCount, 1);
    const KeyDescription& key = d.keys[static_cast<size_t>(k.firstKey)];
    EXPECT_EQ(key.texture.kind, TextureType::DYNAMIC);
    EXPECT_STREQ(key.texture.link.text, "KeyCam");
    expectNumbers({{key.time, 2},
                   {key.material.ambient.b, 0.2f},
                   {key.material.diffuse.b, 0.8f},
                   {key.material.shininess, 16}});
    EXPECT_STREQ(key.material.name, "");
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

// The example's sections with a scene graph of one chain of groups.
std::string nestedScene(int depth) {
    return EXAMPLE_SCENE.substr(0, EXAMPLE_SCENE.find("SCENEGRAPH:")) + "SCENEGRAPH:\n" +
           nestedGroups(depth);
}

TEST(ParseSections, NestingIsBoundedWithAMessageAtTheCountThatGoesTooDeep) {
    SceneDescription d = parseOk(nestedScene(MAX_NESTING_DEPTH));
    ASSERT_EQ(d.entities.size(), static_cast<size_t>(MAX_NESTING_DEPTH));
    EXPECT_EQ(d.entities.back().parent, MAX_NESTING_DEPTH - 2);

    // Far deeper than the call stack could take if anything recursed on it.
    const std::string text = nestedScene(50000);
    SceneDescription deep;
    const ParseError error = parseScene(text, &deep);
    EXPECT_EQ(error.kind, ParseErrorKind::NestingTooDeep);
    EXPECT_EQ(error.message, "expected 'CHILDCOUNT: 0' at level 1000 of the scene graph, the "
                             "deepest allowed, but found 'CHILDCOUNT: 1'");
    // The line of the 1000th entity's CHILDCOUNT.
    size_t at = text.find("SCENEGRAPH:");
    for (int i = 0; i < MAX_NESTING_DEPTH; ++i) at = text.find("CHILDCOUNT:", at + 1);
    EXPECT_EQ(error.line, 1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
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

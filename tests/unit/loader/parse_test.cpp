// The scene parser on well-formed files: values land in their fields, layout between tokens does
// not matter, and nesting is bounded; each parse also held to the template interpreter alone. The
// newer forms (comments, mesh files, long file names) read through the file layer.
#include <gtest/gtest.h>

#include <string>

#include "anim/keyframe.h"
#include "loader/loader.h"
#include "loader/parse.h"
#include "loader/write_records.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "unit/loader/describe_scene.h"

namespace {

const std::string EXAMPLE = sceneText("example");

SceneDescription parseOk(std::string_view text) {
    SceneDescription d;
    const ParseError error = parseBothWays(text, &d);
    EXPECT_EQ(error.kind, ParseErrorKind::None) << error.line << ": " << error.message;
    return d;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(Parse, EveryValueLandsInItsField) {
    const SceneDescription d = parseOk(sceneText("full"));
    ASSERT_EQ(std::tuple(d.entities.size(), d.keys.size()), std::tuple(3u, 3u));
    const auto& button = d.hud.buttons.at(0);
    const auto& smoke = d.particleSystems.at(0);
    const Material& red = d.materials.at(0).material;
    const auto& mover = d.entities[2];
    // Values the apply test does not already follow from the text to the engine's records.
    expectNumbers({{d.hud.backgrounds.at(0).background.max.x, -0.8f}, {d.hud.backgrounds[0].background.colour.g, 0.3f},
                   {button.button.actionValues[2], 1}, {button.button.min.y, -0.9f},
                   // EMISSION comes before AMBIENT in the file: each takes its own values.
                   {red.ambient.g, 0.15f}, {red.diffuse.b, 0.4f}, {red.emission.a, 0.4f}, {red.specular.r, 0.9f},
                   {red.shininess, 32}, {d.meshes.at(0).vertices.at(2).texCoord.v, 1}, {d.meshes[0].bounds.centre.y, 0.5f},
                   {d.keys[2].material.ambient.b, 0.2f}, {d.keys[2].material.diffuse.a, 0.55f}});
    const std::pair<const char*, const char*> words[] = {
        {d.hud.backgrounds[0].texture.link.text, "PanelCam"}, {button.button.actionLink, "Mover"},
        {smoke.texture.link.text, "SmokeCam"}, // the parentheses are not part of the name
        {red.texture, "red.tga"}, {mover.link.text, "Tri"}, {d.keys[2].texture.link.text, "KeyCam"}};
    for (const auto& [word, expected] : words) EXPECT_STREQ(word, expected);
    EXPECT_EQ(smoke.displayType, DisplayType::QUAD);
    EXPECT_EQ(smoke.blendType, BlendType::BLEND);
    EXPECT_EQ(mover.type, MotionType::ANIMATE);
    EXPECT_EQ(d.keyframers.at(2).keyframeType, KeyframeType::MATERIAL);
    EXPECT_EQ(mover.line, lineOf(sceneText("full"), "ENTITY: OBJECT"));
    const std::string longest(19, 'n'); // the longest word that fits
    EXPECT_EQ(parseOk(replaceFirst(sceneText("full"), "(SmokeCam)", "(" + longest + ")")).particleSystems.size(), 1u);
    EXPECT_STREQ(parseOk(replaceFirst(EXAMPLE, "NAME: Spinner", "NAME: " + longest)).entities[2].name.text, longest.c_str());
    for (auto [word, off] : {std::pair{"OFF", 1}, {"off", 0}, {"Whatever", 0}})
        EXPECT_EQ(parseOk(replaceFirst(EXAMPLE, "INITIAL: ON", std::string("INITIAL: ") + word))
                      .particleSystems[0].off, off) << word;
}

TEST(Parse, LayoutBetweenTokensDoesNotMatter) {
    const std::string base = fingerprint(parseOk(EXAMPLE));
    std::string oneLine, tight = replaceAll(replaceAll(EXAMPLE, "MASS: 1", "MASS:1"), " TEX: ", "TEX:");
    for (char c : EXAMPLE) oneLine += c == '\n' || c == '\t' ? ' ' : c;
    const std::string variants[] = {
        oneLine, tight, replaceAll(EXAMPLE, "\n", "\r\n"), replaceAll(EXAMPLE, "\n", "\n    \t"),
        replaceAll(EXAMPLE, " ", "\n\n\t "), "\n\n  \t" + EXAMPLE,
        replaceAll(EXAMPLE, "STRENGTH: 0 -9.8 0", "STRENGTH: +0 -98e-1 0.")};
    for (const std::string& text : variants) EXPECT_EQ(fingerprint(parseOk(text)), base);
}

TEST(Parse, NestingIsBounded) {
    const std::string head = EXAMPLE.substr(0, EXAMPLE.find("SCENEGRAPH:")) + "SCENEGRAPH:\n";
    EXPECT_EQ(parseOk(head + nestedGroups(MAX_NESTING_DEPTH)).entities.size(), size_t{MAX_NESTING_DEPTH});
    // Far deeper than the call stack could take if anything recursed on it.
    const std::string deep = head + nestedGroups(50000);
    SceneDescription d;
    const ParseError error = parseScene(deep, &d);
    EXPECT_EQ(error.kind, ParseErrorKind::NestingTooDeep);
    EXPECT_EQ(error.message, "expected 'CHILDCOUNT: 0' at level 1000 of the scene graph, the "
                             "deepest allowed, but found 'CHILDCOUNT: 1'");
    size_t at = deep.find("SCENEGRAPH:");
    for (int i = 0; i < MAX_NESTING_DEPTH; ++i) at = deep.find("CHILDCOUNT:", at + 1);
    EXPECT_EQ(error.line, lineCount(deep.substr(0, at)));
}

// Comment lines and a mesh file mean the same scene as the plain example, a long file name is kept
// whole, and each mistake names its file (scene or mesh file) and line, with the note under it that
// explains it.
TEST(Parse, CommentsMeshFilesAndLongFileNames) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("m"));
    const std::string scene = folder.file("scene.txt"), mesh = folder.file("m/tri.mesh");
    const size_t at = EXAMPLE.find("\t\tPOSITION: 0 0 0 ROT");
    const std::string body = EXAMPLE.substr(at, EXAMPLE.find("SCENEGRAPH:") - at);
    const std::string byFile = replaceFirst(EXAMPLE, body, "MESHFILE: m/tri.mesh\n"); // line 51
    const std::string path = "d/" + std::string(249, 'x') + ".tga", red = "SHININESS: 32\n\tTEXTURETYPE: STATIC\n\tTEXTURE: ";
    const struct { std::string text, mesh; const std::string& file; int line; std::string message, note = ""; } rows[] = {
        {"# head\n" + replaceFirst(replaceFirst(replaceFirst(EXAMPLE, "TEXCOORD: 0 0\n", "TEXCOORD: 0 0\n  # v\n#\n"),
                                                "\t0 1 2", "\t0 1\n\t# two\n 2"), "\nMASS: 1\n", "\nMASS:\n# one\n1\n"), "", scene, 0, ""},
        {byFile, "# tri\r\n" + body, scene, 0, ""},
        {replaceFirst(byFile, "m/tri.mesh", mesh), body, scene, 0, ""}, // absolute
        {replaceFirst(EXAMPLE, red + "None", red + path), "", scene, 0, ""},
        {replaceFirst(EXAMPLE, red + "None", red + path + "x"), "", scene, 48, "expected a file name of at most 255 bytes after 'TEXTURE:' but found 'd/xxx"},
        {"# c\n" + replaceFirst(EXAMPLE, "\nMASS: 1\n", "\nMASS: 1 # heavy\n"), "", scene, 69, "expected 'KEYFRAMERCOUNT:' but found '#'",
         "note: '" + scene + "' line 69: '#' starts a comment only as the first character of a line"},
        {replaceFirst(EXAMPLE, "KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 3"), "", scene, 96, "expected 'T:' but found 'CHILDCOUNT:'",
         "note: '" + scene + "' line 96: line 93 says KEYFRAMECOUNT: 3 but 2 keys follow"},
        {byFile, "", scene, 51, "expected a mesh file after 'MESHFILE:' but '" + mesh + "' cannot be opened (No such file"},
        {replaceFirst(byFile, "m/tri.mesh", "m/tri.mseh"), body, scene, 51, "expected a mesh file after 'MESHFILE:' but '" + folder.file("m/tri.mseh"),
         "note: '" + scene + "' line 51: did you mean 'm/tri.mesh'?"},
        {replaceFirst(byFile, "m/tri.mesh", "m"), "", scene, 51, "expected a mesh file after 'MESHFILE:' but '" + folder.file("m") + "' is not"},
        {byFile, "# tri\n  MESHFILE: other.mesh\n", mesh, 2, "expected 'POSITION:' (a mesh file holds the mesh, not the name of another"},
        {byFile, "# tri\n" + replaceFirst(body, "VERTEXCOUNT: 3", "VERTEXCOUNT: 4"), mesh, 7, "expected 'POSITION:' but found 'SURFACECOUNT:'",
         "note: '" + mesh + "' line 7: line 3 says VERTEXCOUNT: 4 but 3 vertices follow"},
        {byFile, "# tri\n" + body + "0 2 1\n", mesh, 10, "expected the end of the mesh file after the last triangle but found '0'",
         "note: '" + mesh + "' line 10: line 8 says TRIANGLECOUNT: 1 but 2 triangles follow"},
    };
    const std::string plain = fingerprint(parseOk(EXAMPLE));
    for (const auto& row : rows) {
        writeBytes(scene, {row.text.begin(), row.text.end()});
        std::filesystem::remove(mesh);
        if (!row.mesh.empty()) writeBytes(mesh, {row.mesh.begin(), row.mesh.end()});
        const SceneText text = readSceneText(scene.c_str(), folder.path.c_str());
        EXPECT_EQ(text.error.rfind("ERROR: '" + row.file + "' line " + std::to_string(row.line) + ": " + row.message, 0),
                  row.line ? 0 : std::string::npos) << text.error;
        ASSERT_EQ(text.notes.size(), row.note.empty() ? 0u : 1u) << text.error;
        if (!row.note.empty()) {
            EXPECT_EQ(text.notes[0].rfind(row.note, 0), 0u) << text.notes[0];
        }
        if (!text.ok) continue;
        EXPECT_EQ(checkFastPathsAgree(row.text), "");
        const std::string texture = text.description.materials.at(0).material.texture;
        EXPECT_EQ(fingerprint(text.description), plain);
        EXPECT_EQ(texture, texture == "None" ? "None" : path);
    }
}

// The record writer writes what the parser reads: every record of the full scene, written and read
// again, gives the same description and, written once more, the same text.
TEST(Parse, TheRecordWriterWritesWhatTheParserReads) {
    for (const char* name : {"example", "full"}) {
        const SceneDescription d = parseOk(sceneText(name));
        const std::string written = sceneFileText(d);
        const SceneDescription again = parseOk(written);
        EXPECT_EQ(fingerprint(again), fingerprint(d)) << written;
        EXPECT_EQ(sceneFileText(again), written);
    }
}

} // namespace

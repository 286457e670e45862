// The scene file's top-level order: SCENECAMERA, HUD, forces, particle systems, materials,
// meshes, then the scene graph. Nothing after the scene graph is read. No GL, no I/O.
#include "loader/parse.h"

#include "loader/sections.h"

const char* parseErrorKindName(ParseErrorKind kind) {
    switch (kind) {
    case ParseErrorKind::None:
        return "None";
    case ParseErrorKind::ExpectedLiteral:
        return "ExpectedLiteral";
    case ParseErrorKind::ExpectedNumber:
        return "ExpectedNumber";
    case ParseErrorKind::ExpectedWord:
        return "ExpectedWord";
    case ParseErrorKind::WordTooLong:
        return "WordTooLong";
    case ParseErrorKind::UnknownVariant:
        return "UnknownVariant";
    case ParseErrorKind::NumberOutOfRange:
        return "NumberOutOfRange";
    case ParseErrorKind::IndexOutOfRange:
        return "IndexOutOfRange";
    case ParseErrorKind::UnexpectedEnd:
        return "UnexpectedEnd";
    case ParseErrorKind::CountTooLarge:
        return "CountTooLarge";
    case ParseErrorKind::NestingTooDeep:
        return "NestingTooDeep";
    case ParseErrorKind::FileUnreadable:
        return "FileUnreadable";
    }
    return "Unknown";
}

namespace {

ParseError parseWith(std::string_view text, bool fastPaths, SceneDescription* scene) {
    Parser p = makeParser(text, fastPaths);
    // Blank lines and indentation mean nothing anywhere, the start of the file included.
    bool ok = scan(&p, " SCENECAMERA: %s", {&scene->sceneCamera}) &&
              (scene->sceneCameraLine = p.tokenLine, scan(&p, "\n")) &&
              parseHudSection(&p, &scene->hud) && parseForceSection(&p, &scene->forces) &&
              parseParticleSection(&p, &scene->particleSystems) &&
              parseMaterialSection(&p, &scene->materials) && parseMeshSection(&p, &scene->meshes) &&
              parseSceneGraph(&p, scene);
    scene->graphEnd = static_cast<size_t>(p.cursor.pos - text.data());
    if (ok) p.error = ParseError{ParseErrorKind::None, 0, {}};
    return p.error;
}

} // namespace

ParseError parseScene(std::string_view text, SceneDescription* scene) {
    return parseWith(text, true, scene);
}

ParseError parseSceneByTemplate(std::string_view text, SceneDescription* scene) {
    return parseWith(text, false, scene);
}

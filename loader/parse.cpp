// The scene file's top-level order: the sections as SCENE_SECTIONS lists them, then nothing: text
// after the scene graph is not read. No GL, no I/O.
#include "loader/parse.h"

#include "loader/sections.h"

namespace {

bool parseSection(Parser* p, UnitKind header, SceneDescription* scene) {
    switch (header) {
    case UnitKind::SceneCamera:
        return parseSceneCamera(p, scene);
    case UnitKind::HudHeader:
        return parseHudSection(p, &scene->hud);
    case UnitKind::ButtonHeader:
        return parseButtonSection(p, &scene->hud);
    case UnitKind::ForceHeader:
        return parseForceSection(p, &scene->forces);
    case UnitKind::ParticleHeader:
        return parseParticleSection(p, &scene->particleSystems);
    case UnitKind::MaterialHeader:
        return parseMaterialSection(p, &scene->materials);
    case UnitKind::MeshHeader:
        return parseMeshSection(p, &scene->meshes);
    case UnitKind::GraphHeader:
        return parseSceneGraph(p, scene);
    default:
        return false;
    }
}

ParseError parseWith(std::string_view text, bool fastPaths, SceneDescription* scene) {
    Parser p = makeParser(text, fastPaths);
    bool ok = true;
    for (const SceneSection& section : SCENE_SECTIONS) {
        ok = ok && parseSection(&p, section.header, scene);
    }
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

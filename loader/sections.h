// The section readers of the scene file, one per section of SCENE_SECTIONS, and the texture-line
// readers they share. Internal to the loader; each reads from the parser's cursor and returns
// false with the parser's error filled on the first mismatch. No GL, no I/O.
#pragma once

#include "loader/scan.h"

// "SCENECAMERA:" and its word.
bool parseSceneCamera(Parser* p, SceneDescription* scene);
// "HUD:", the read-outs and the backgrounds.
bool parseHudSection(Parser* p, HudDescription* hud);
bool parseButtonSection(Parser* p, HudDescription* hud);
bool parseForceSection(Parser* p, std::vector<Force>* forces);
bool parseParticleSection(Parser* p, std::vector<ParticleSystemDescription>* systems);
bool parseMaterialSection(Parser* p, std::vector<MaterialDescription>* materials);
bool parseMeshSection(Parser* p, std::vector<MeshDescription>* meshes);
// "SCENEGRAPH:" and the one top ENTITY record with everything inside it.
bool parseSceneGraph(Parser* p, SceneDescription* scene);

// "TEXTURETYPE: %s\n", then "LINK: %s\n" only after DYNAMIC, then "TEXTURE: %s\n" (HUD
// backgrounds and buttons, materials).
bool parseLinkedTexture(Parser* p, TextureRef* texture);
// "TEXTURETYPE: %s", then "\n" after STATIC or "(%s)\n" after DYNAMIC, then "TEXTURE: %s\n"
// (particle systems, material keys).
bool parseParenthesisedTexture(Parser* p, TextureRef* texture);

// Fewest characters of the lines, for bounding record counts.
template <size_t N> constexpr size_t minLinesBytes(const char* const (&lines)[N]) {
    size_t bytes = 0;
    for (const char* line : lines) bytes += minTemplateBytes(line);
    return bytes;
}
inline constexpr size_t MIN_TEXTURE_BYTES =
    minTemplateBytes(TEXTURETYPE_LINE) + minTemplateBytes(TEXTURE_LINE);

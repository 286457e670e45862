// The documented example fragments (HUD, forces and particle systems, materials and meshes,
// scene graph) put together into one whole scene file, and small text helpers for the tests.
#pragma once

#include <string>
#include <string_view>

inline constexpr const char* EXAMPLE_SCENE = R"(SCENECAMERA: Camera1
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.8
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 1
COLOUR: 1 1 1 0.5
TEXTURETYPE: STATIC
TEXTURE: panel.tga
MIN: -1.3 -1 TEX: 0 0
MAX: -0.8 -0.5 TEX: 1 1
BUTTONCOUNT: 1
ACTIONNAME: ENTITYMOVE
ACTIONVALUES: 0 0 1 0 0
ACTIONLINK: Spinner
COLOUR: 1 1 1 1
TEXTURETYPE: DYNAMIC
LINK: Camera1
TEXTURE: None
MIN: -1.2 -0.9 TEX: 0 0
MAX: -1.0 -0.7 TEX: 1 1
FORCECOUNT: 1
FORCETYPE: GRAVITY
STRENGTH: 0 -9.8 0
PARTICLECOUNT: 1
PARTICLETYPE: POINT
DISPLAYTYPE: QUAD
BLENDTYPE: BLEND
SYSTEMNAME: Smoke
BIRTHRATE: 20
LIFETIME: 2
SIZE: 0.2
INITIAL: ON
TEXTURETYPE: STATIC
TEXTURE: smoke.tga
MINCOLOUR: 1 1 1 1
MAXCOLOUR: 0.5 0.5 0.5 0
MINMASS: 0.5 MAXMASS: 1
MINSPEED: 0.5 MAXSPEED: 1.5
MATERIALCOUNT: 1
	MATERIAL: Red
	EMISSION: 0 0 0 1
	AMBIENT: 0.2 0 0 1
	DIFFUSE: 0.8 0 0 1
	SPECULAR: 1 1 1 1
	SHININESS: 32
	TEXTURETYPE: STATIC
	TEXTURE: None
MESHCOUNT: 1
	MESH: Tri
		POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
		VERTEXCOUNT: 3
		POSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0 0
		POSITION: 1 0 0 NORMAL: 0 0 1 TEXCOORD: 1 0
		POSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1
		SURFACECOUNT: 1
			TRIANGLECOUNT: 1
			0 1 2
SCENEGRAPH:
------
ENTITY: GROUP
TYPE: STATIC
NAME: World
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 2
------
ENTITY: CAMERA
TYPE: STATIC
NAME: Camera1
POSITION: 0 2 10 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: OBJECT
TYPE: ANIMATE
NAME: Spinner
POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Tri
MATERIAL: Red
MASS: 1
KEYFRAMERCOUNT: 1
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 2
T: 0 KEYFRAME: 0 0 1 0
T: 4 KEYFRAME: 180 0 1 0
CHILDCOUNT: 0
)";

// The text with the first occurrence of `from` replaced by `to` (the test fails loudly through
// an empty result when `from` is missing).
inline std::string replaceFirst(std::string_view text, std::string_view from, std::string_view to) {
    size_t at = text.find(from);
    if (at == std::string_view::npos) return {};
    std::string out(text.substr(0, at));
    out += to;
    out += text.substr(at + from.size());
    return out;
}

// 1-based line of the first occurrence of `needle`, counted independently of the parser.
inline int lineOf(std::string_view text, std::string_view needle) {
    size_t at = text.find(needle);
    if (at == std::string_view::npos) return -1;
    int line = 1;
    for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
    return line;
}

inline int lineCount(std::string_view text) {
    int lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

// A complete scene that uses every section and every kind of texture line, written so that
// each slot a hostile-input table replaces is unique in the text, and small text helpers.
#pragma once

#include <string>
#include <string_view>

inline constexpr const char* FULL_SCENE = R"(SCENECAMERA: Cam
HUD:
APPTIME: -1.3 0.9
SIMTIME: -1.3 0.8
TIMECOLOUR: 1 1 1 1
BACKGROUNDCOUNT: 1
COLOUR: 1 1 1 0.5
TEXTURETYPE: DYNAMIC
LINK: PanelCam
TEXTURE: None
MIN: -1.3 -1 TEX: 0 0
MAX: -0.8 -0.5 TEX: 1 1
BUTTONCOUNT: 1
ACTIONNAME: ENTITYMOVE
ACTIONVALUES: 0 0 1 0 0
ACTIONLINK: Mover
COLOUR: 1 1 1 1
TEXTURETYPE: STATIC
TEXTURE: button.tga
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
TEXTURETYPE: DYNAMIC (SmokeCam)
TEXTURE: None
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
TEXTURE: red.tga
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
NAME: Cam
POSITION: 0 0 5 ROTATION: 0 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: None
MATERIAL: None
MASS: 1
KEYFRAMERCOUNT: 0
CHILDCOUNT: 0
------
ENTITY: OBJECT
TYPE: ANIMATE
NAME: Mover
POSITION: 0 0 0 ROTATION: 90 0 1 0 SCALE: 1 1 1
ACCELERATION: 0 0 0 VELOCITY: 0 0 0
LINK: Tri
MATERIAL: Red
MASS: 2
KEYFRAMERCOUNT: 3
KEYFRAMETYPE: POSITION
KEYFRAMECOUNT: 1
T: 0 KEYFRAME: 0 1 0
KEYFRAMETYPE: ROTATION
KEYFRAMECOUNT: 1
T: 1 KEYFRAME: 45 0 1 0
KEYFRAMETYPE: MATERIAL
KEYFRAMECOUNT: 1
T: 2 KEYFRAME:
EMISSION: 0 0 0 1
AMBIENT: 0 0 0.2 1
DIFFUSE: 0 0 0.8 1
SPECULAR: 1 1 1 1
SHININESS: 16
TEXTURETYPE: DYNAMIC (KeyCam)
TEXTURE: None
CHILDCOUNT: 0
)";

// The text with the first occurrence of `from` replaced; empty when `from` is not there.
inline std::string replaceFirst(std::string_view text, std::string_view from, std::string_view to) {
    const size_t at = text.find(from);
    if (at == std::string_view::npos) return {};
    std::string out(text.substr(0, at));
    out += to;
    out += text.substr(at + from.size());
    return out;
}

// 1-based line on which `marker` starts in the text; 0 when it is not there.
inline int lineOf(std::string_view text, std::string_view marker) {
    const size_t at = text.find(marker);
    if (at == std::string_view::npos) return 0;
    int line = 1;
    for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
    return line;
}

inline int lineCount(std::string_view text) {
    int line = 1;
    for (char c : text) line += c == '\n';
    return line;
}

// A message a person can read on a terminal: printable ASCII only, and not a wall of text.
inline bool readableMessage(const std::string& message) {
    if (message.empty() || message.size() > 200) return false;
    for (char c : message) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) return false;
    }
    return true;
}

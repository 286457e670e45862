// The records a scene file parses into: words, the parse error, and one plain description per
// record of the file (HUD, forces, particle systems, materials, meshes, entities with their
// keyframers and keys). Names are 20-byte words and file names 256-byte ones; nothing in them is
// resolved (names stay words until the apply step looks them up). No GL, no I/O.
#pragma once

#include "core/math.h"
#include "core/records.h"
#include "hud/hud.h"
#include "sim/physics.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A word of the file: at most 19 bytes and a terminating zero.
struct Word {
    char text[NAME_SIZE];
};

// A file name (TEXTURE, MESHFILE): a path of at most 255 bytes and a terminating zero.
struct PathWord {
    char text[PATH_SIZE];
};

// Whole-word, case-sensitive comparison, as every lookup by name does.
bool wordEquals(const Word& word, const char* text);
bool wordEquals(const PathWord& word, const char* text);
// The text cut to 19 characters.
Word makeWord(const char* text);

// One kind per failure, so tests and tools can tell failures apart without parsing messages.
enum class ParseErrorKind : int32_t {
    None = 0,
    ExpectedLiteral,  // a keyword or punctuation of a template did not match
    ExpectedNumber,   // %f or %d found something that is not a (finite) number
    ExpectedWord,     // the parenthesised camera name of a DYNAMIC texture is empty
    WordTooLong,      // a word of more than 19 bytes, or a file name of more than 255
    UnknownVariant,   // a type word that names no variant (ENTITY, TYPE, BLENDTYPE, ...)
    NumberOutOfRange, // an integer outside 32 bits, or a number too large for a float
    IndexOutOfRange,  // a triangle index outside [0, VERTEXCOUNT)
    UnexpectedEnd,    // the text ended inside a template
    CountTooLarge,    // a count of more records than the rest of the text can hold
    NestingTooDeep,   // children below the deepest level of the scene graph allowed
    FileUnreadable,   // a mesh file that is missing, not a plain file, or too large
};

// The deepest level of ENTITY records (a child of the root group is at level 1). The engine
// walks the node tree recursively when it updates and draws it, so the depth is bounded here,
// far beyond what a scene needs and far within the call stack.
inline constexpr int32_t MAX_NESTING_DEPTH = 1000;

const char* parseErrorKindName(ParseErrorKind kind);

struct ParseError {
    ParseErrorKind kind; // None when the text parsed
    int32_t line;        // 1-based line where the offending token starts
    std::string message; // e.g. "expected 'MASS:' but found 'MAS:'"
};

// The reading position, passed along by every reader.
struct Cursor {
    const char* pos;
    const char* end;
    int32_t line;
};

// A texture as a record names it. kind is TextureType::STATIC (1) or DYNAMIC (0); file is the
// TEXTURE word; link is the camera name for DYNAMIC and the type word "STATIC" otherwise (the
// registry does not use it for STATIC textures).
struct TextureRef {
    int32_t kind;
    PathWord file;
    Word link;
    int32_t fileLine; // lines of the TEXTURE word and of the DYNAMIC camera name, for warnings
    int32_t linkLine;
};

struct BackgroundDescription {
    Background background; // texture still 0: set when the reference is loaded
    TextureRef texture;
};

struct ButtonDescription {
    Button button; // texture 0 and action null until applied and resolved
    TextureRef texture;
    int32_t line; // of the ACTIONNAME word
    int32_t actionLinkLine;
};

struct HudDescription {
    Float2 appTime;
    Float2 simTime;
    Colour timeColour;
    std::vector<BackgroundDescription> backgrounds;
    std::vector<ButtonDescription> buttons;
};

struct ParticleSystemDescription {
    Word name; // SYSTEMNAME, looked up by PARTICLE entities
    int32_t particleType;
    int32_t displayType;
    int32_t blendType;
    float birthRate;
    float lifetime;
    float size;
    int32_t off; // 1 when INITIAL is "OFF"
    TextureRef texture;
    Colour minColour;
    Colour maxColour;
    float minMass;
    float maxMass;
    float minSpeed;
    float maxSpeed;
};

struct MaterialDescription {
    Material material; // name, colours, shininess and texture word; textureId 0 until applied
    TextureRef texture;
};

// A MESH record. One that names a mesh file ("MESHFILE: path" in place of the transform line)
// holds only the file name and its line until the file layer reads the file into it.
struct MeshDescription {
    Word name;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices; // three per triangle, each below vertices.size()
    BoundingBox bounds;            // boundsOfVertices over the positions
    PathWord file;                 // the MESHFILE name as written; empty for an inline mesh
    int32_t fileLine;              // line of the MESHFILE name
};

// A key: time and up to four numbers (POSITION x y z; ROTATION angle in degrees and axis x y z),
// or, for a MATERIAL key, a material without a name and its texture.
struct KeyDescription {
    float time;
    float values[4];
    Material material;
    TextureRef texture;
};

struct KeyframerDescription {
    int32_t keyframeType;
    int32_t firstKey; // into SceneDescription::keys
    int32_t keyCount;
};

struct EntityDescription {
    int32_t parent; // index into SceneDescription::entities; -1 for the top record
    int32_t line;   // line of its ENTITY keyword
    Word name;
    int32_t entityType;
    int32_t type;
    Float3 position;
    float rotationAngle; // degrees
    Float3 rotationAxis; // not normalised
    Float3 scale;        // read for the warning only: entities have no scale
    Float3 acceleration;
    Float3 velocity;
    Word link;
    Word material;
    float mass;
    int32_t firstKeyframer; // into SceneDescription::keyframers
    int32_t keyframerCount;
    int32_t childCount;
    int32_t transformLine; // lines of the SCALE, LINK, MATERIAL and CHILDCOUNT values, for warnings
    int32_t linkLine;
    int32_t materialLine;
    int32_t childCountLine;
};

struct SceneDescription {
    Word sceneCamera;
    HudDescription hud;
    std::vector<Force> forces;
    std::vector<ParticleSystemDescription> particleSystems;
    std::vector<MaterialDescription> materials;
    std::vector<MeshDescription> meshes;
    std::vector<EntityDescription> entities; // depth-first pre-order, as in the file
    std::vector<KeyframerDescription> keyframers;
    std::vector<KeyDescription> keys;
    int32_t sceneCameraLine; // of the SCENECAMERA word
    size_t graphEnd;         // offset in the text just past the scene graph (a text that parsed)
};

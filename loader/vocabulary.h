// The words of the scene file, each defined here once: the read template of every line, the
// variant words and the codes they stand for, the sections in file order with their counts and
// records, and the counts inside records with what they count. The parser reads with these
// templates, the record writer writes with them, and the warnings, the notes and krestel-check
// name things with these words. No GL, no I/O.
//
// A template is applied as the scene file's lexical rules say (loader/scan.h): a blank, tab or
// newline matches any run of whitespace; %f, %d and %s read a number, a whole number and a word;
// %*f and %*d read one and discard it. The record writer writes each template as it stands,
// its whitespace included, so what it writes has the layout the templates show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The keyword a template opens with: its first run of non-blank characters ("MASS:", "------").
constexpr std::string_view keywordOf(std::string_view tmpl) {
    size_t begin = 0;
    while (begin < tmpl.size() &&
           (tmpl[begin] == ' ' || tmpl[begin] == '\t' || tmpl[begin] == '\n'))
        ++begin;
    size_t end = begin;
    while (end < tmpl.size() && tmpl[end] != ' ' && tmpl[end] != '\t' && tmpl[end] != '\n') ++end;
    return tmpl.substr(begin, end - begin);
}

// --- The lines, in file order -----------------------------------------------------------------

inline constexpr const char* SCENECAMERA_LINE = "SCENECAMERA: %s\n";
inline constexpr const char* LINE_END = "\n";

// The HUD section; a button is its three lines, then the lines of a background.
inline constexpr const char* HUD_LINE = "HUD:\n";
inline constexpr const char* APPTIME_LINE = "APPTIME: %f %f\n";
inline constexpr const char* SIMTIME_LINE = "SIMTIME: %f %f\n";
inline constexpr const char* TIMECOLOUR_LINE = "TIMECOLOUR: %f %f %f %f\n";
inline constexpr const char* BACKGROUNDCOUNT_LINE = "BACKGROUNDCOUNT: %d\n";
inline constexpr const char* COLOUR_LINE = "COLOUR: %f %f %f %f\n";
inline constexpr const char* MIN_LINE = "MIN: %f %f TEX: %f %f\n";
inline constexpr const char* MAX_LINE = "MAX: %f %f TEX: %f %f\n";
inline constexpr const char* BUTTONCOUNT_LINE = "BUTTONCOUNT: %d\n";
inline constexpr const char* ACTIONNAME_LINE = "ACTIONNAME: %s\n";
inline constexpr const char* ACTIONVALUES_LINE = "ACTIONVALUES: %f %f %f %f %f\n";
inline constexpr const char* ACTIONLINK_LINE = "ACTIONLINK: %s\n";

// The texture lines. After TEXTURETYPE: DYNAMIC the camera's name follows on a LINK line (HUD
// records, materials) or in parentheses on the same line (particle systems, material keys).
inline constexpr const char* TEXTURETYPE_LINE = "TEXTURETYPE: %s";
inline constexpr const char* TEXTURE_LINK_LINE = "LINK: %s\n";
inline constexpr const char* TEXTURE_LINE = "TEXTURE: %s\n";
// The camera's name after DYNAMIC, as the record writer writes it; the parser reads the name up
// to the closing parenthesis (scanParenthesisedWord), which a template cannot say.
inline constexpr const char* CAMERA_IN_PARENTHESES = " (%s)";

inline constexpr const char* FORCECOUNT_LINE = "FORCECOUNT: %d\n";
inline constexpr const char* FORCETYPE_LINE = "FORCETYPE: %s\n";
inline constexpr const char* STRENGTH_LINE = "STRENGTH: %f %f %f\n";

// A particle system: lines 0 to 7, its texture lines, then lines 8 to 11.
inline constexpr const char* PARTICLECOUNT_LINE = "PARTICLECOUNT: %d\n";
inline constexpr const char* PARTICLE_LINES[] = {
    "PARTICLETYPE: %s\n",
    "DISPLAYTYPE: %s\n",
    "BLENDTYPE: %s\n",
    "SYSTEMNAME: %s\n",
    "BIRTHRATE: %f\n",
    "LIFETIME: %f\n",
    "SIZE: %f\n",
    "INITIAL: %s\n",
    "MINCOLOUR: %f %f %f %f\n",
    "MAXCOLOUR: %f %f %f %f\n",
    "MINMASS: %f MAXMASS: %f\n",
    "MINSPEED: %f MAXSPEED: %f\n",
};
inline constexpr const char* SYSTEMNAME_LINE = PARTICLE_LINES[3];

// A material: these lines, then its texture lines. A material key is the same with "T: %f
// KEYFRAME:" in place of the name.
inline constexpr const char* MATERIALCOUNT_LINE = "MATERIALCOUNT: %d\n";
inline constexpr const char* MATERIAL_LINES[] = {
    "\tMATERIAL: %s\n",       "\tEMISSION: %f %f %f %f\n", "AMBIENT: %f %f %f %f\n",
    "DIFFUSE: %f %f %f %f\n", "SPECULAR: %f %f %f %f\n",   "SHININESS: %f\n",
};

// A mesh: its name, then either the name of its mesh file or the mesh's own lines (what a mesh
// file holds): the transform (read and discarded), the vertices and one block of triangles.
inline constexpr const char* MESHCOUNT_LINE = "MESHCOUNT: %d\n";
inline constexpr const char* MESH_LINE = "\tMESH: %s\n";
inline constexpr const char* MESHFILE_LINE = "\t\tMESHFILE: %s\n";
inline constexpr const char* MESH_TRANSFORM_LINE =
    "\t\tPOSITION: %*f %*f %*f ROTATION: %*f %*f %*f %*f SCALE: %*f %*f %*f\n";
inline constexpr const char* VERTEXCOUNT_LINE = "\t\tVERTEXCOUNT: %d\n";
inline constexpr const char* VERTEX_LINE =
    "\t\tPOSITION: %f %f %f NORMAL: %f %f %f TEXCOORD: %f %f\n";
inline constexpr const char* SURFACECOUNT_LINE = "\t\tSURFACECOUNT: %*d\n";
inline constexpr const char* TRIANGLECOUNT_LINE = "\t\t\tTRIANGLECOUNT: %d\n";
inline constexpr const char* TRIANGLE_LINE = "\t\t\t%d %d %d\n"; // each index read on its own
inline constexpr const char* INDEX = "%d";

// The scene graph: ENTITY records, each with its keyframer block before its CHILDCOUNT.
inline constexpr const char* SCENEGRAPH_LINE = "SCENEGRAPH:\n";
inline constexpr const char* SEPARATOR_LINE = "------\n";
inline constexpr const char* ENTITY_LINE = "ENTITY: %s\n";
inline constexpr const char* TYPE_LINE = "TYPE: %s\n";
inline constexpr const char* NAME_LINE = "NAME: %s\n";
inline constexpr const char* TRANSFORM_LINE =
    "POSITION: %f %f %f ROTATION: %f %f %f %f SCALE: %f %f %f\n";
inline constexpr const char* MOTION_LINE = "ACCELERATION: %f %f %f VELOCITY: %f %f %f\n";
inline constexpr const char* LINK_LINE = "LINK: %s\n";
inline constexpr const char* MATERIAL_LINE = "MATERIAL: %s\n";
inline constexpr const char* MASS_LINE = "MASS: %f\n";
inline constexpr const char* KEYFRAMERCOUNT_LINE = "KEYFRAMERCOUNT: %d\n";
inline constexpr const char* CHILDCOUNT_LINE = "CHILDCOUNT: %d\n";
inline constexpr const char* ENTITY_LINES[] = {
    SEPARATOR_LINE, ENTITY_LINE,   TYPE_LINE, NAME_LINE,           TRANSFORM_LINE,  MOTION_LINE,
    LINK_LINE,      MATERIAL_LINE, MASS_LINE, KEYFRAMERCOUNT_LINE, CHILDCOUNT_LINE,
};
inline constexpr const char* KEYFRAMETYPE_LINE = "KEYFRAMETYPE: %s\n";
inline constexpr const char* KEYFRAMECOUNT_LINE = "KEYFRAMECOUNT: %d\n";
inline constexpr const char* POSITION_KEY_LINE = "T: %f KEYFRAME: %f %f %f\n";
inline constexpr const char* ROTATION_KEY_LINE = "T: %f KEYFRAME: %f %f %f %f\n";
inline constexpr const char* MATERIAL_KEY_LINE = "T: %f KEYFRAME:\n";

// --- Variant words: the position of a word in its list is the code stored for it --------------

inline constexpr const char* ENTITY_KINDS[] = {"LIGHT", "CAMERA", "GROUP", "OBJECT", "PARTICLE"};
inline constexpr const char* MOTION_TYPES[] = {"SIMULATE", "ANIMATE", "STATIC"};
inline constexpr const char* KEYFRAME_TYPES[] = {"POSITION", "ROTATION", "MATERIAL"};
inline constexpr const char* TEXTURE_TYPES[] = {"DYNAMIC", "STATIC"};
inline constexpr const char* FORCE_TYPES[] = {"GRAVITY"};
inline constexpr const char* PARTICLE_TYPES[] = {"POINT"};
inline constexpr const char* DISPLAY_TYPES[] = {"POINT", "TRIANGLE", "QUAD"};
inline constexpr const char* BLEND_TYPES[] = {"SATURATE", "BLEND"};
// INITIAL: this word makes a system start without emitting; any other word, emitting.
inline constexpr const char* INITIAL_OFF = "OFF";
inline constexpr const char* INITIAL_ON = "ON";
// The word for no reference in LINK, MATERIAL and TEXTURE.
inline constexpr const char* NO_REFERENCE = "None";

using VariantNames = std::span<const char* const>;
// The word of a code, "?" for a code outside the list.
const char* variantName(VariantNames names, int32_t code);
// The code of a word, -1 for a word that is none of them.
int32_t variantCode(VariantNames names, std::string_view word);
inline const char* entityKindName(int32_t kind) {
    return variantName(ENTITY_KINDS, kind);
}

// --- Sections -----------------------------------------------------------------------------------

// The parts of a scene file in file order. A header holds a section's keywords and its count; a
// record kind follows its header.
enum class UnitKind : int32_t {
    SceneCamera,
    HudHeader,
    Background,
    ButtonHeader,
    Button,
    ForceHeader,
    Force,
    ParticleHeader,
    ParticleSystem,
    MaterialHeader,
    Material,
    MeshHeader,
    Mesh,
    GraphHeader,
    Entity,
};
inline constexpr int32_t UNIT_KIND_COUNT = int32_t(UnitKind::Entity) + 1;

// A section: its header, the count that announces its records and the keyword each record opens
// with. The HUD's backgrounds and its buttons count as two sections.
struct SceneSection {
    UnitKind header;
    UnitKind record;                    // the header itself for a section without records
    std::string_view headerKeywords[5]; // the header's keywords, the first opening the section
    std::string_view countKeyword;      // empty for SCENECAMERA: and SCENEGRAPH:
    std::string_view recordKeyword;     // empty: no records
    const char* headerNoun;             // "MESHCOUNT line", for messages
    const char* recordNoun;             // "mesh"
};

// The sections in the order the file holds them, which is the order the parser reads them in.
// clang-format off
inline constexpr SceneSection SCENE_SECTIONS[] = {
    {UnitKind::SceneCamera, UnitKind::SceneCamera, {keywordOf(SCENECAMERA_LINE)}, {}, {},
     "SCENECAMERA line", "SCENECAMERA line"},
    {UnitKind::HudHeader, UnitKind::Background,
     {keywordOf(HUD_LINE), keywordOf(APPTIME_LINE), keywordOf(SIMTIME_LINE),
      keywordOf(TIMECOLOUR_LINE), keywordOf(BACKGROUNDCOUNT_LINE)},
     keywordOf(BACKGROUNDCOUNT_LINE), keywordOf(COLOUR_LINE), "HUD header", "background"},
    {UnitKind::ButtonHeader, UnitKind::Button, {keywordOf(BUTTONCOUNT_LINE)},
     keywordOf(BUTTONCOUNT_LINE), keywordOf(ACTIONNAME_LINE), "BUTTONCOUNT line", "button"},
    {UnitKind::ForceHeader, UnitKind::Force, {keywordOf(FORCECOUNT_LINE)},
     keywordOf(FORCECOUNT_LINE), keywordOf(FORCETYPE_LINE), "FORCECOUNT line", "force"},
    {UnitKind::ParticleHeader, UnitKind::ParticleSystem, {keywordOf(PARTICLECOUNT_LINE)},
     keywordOf(PARTICLECOUNT_LINE), keywordOf(PARTICLE_LINES[0]), "PARTICLECOUNT line",
     "particle system"},
    {UnitKind::MaterialHeader, UnitKind::Material, {keywordOf(MATERIALCOUNT_LINE)},
     keywordOf(MATERIALCOUNT_LINE), keywordOf(MATERIAL_LINES[0]), "MATERIALCOUNT line", "material"},
    {UnitKind::MeshHeader, UnitKind::Mesh, {keywordOf(MESHCOUNT_LINE)},
     keywordOf(MESHCOUNT_LINE), keywordOf(MESH_LINE), "MESHCOUNT line", "mesh"},
    {UnitKind::GraphHeader, UnitKind::Entity, {keywordOf(SCENEGRAPH_LINE)}, {},
     keywordOf(SEPARATOR_LINE), "SCENEGRAPH line", "entity"},
};
// clang-format on
inline constexpr int32_t SECTION_COUNT = int32_t(sizeof SCENE_SECTIONS / sizeof SCENE_SECTIONS[0]);

// The section a unit kind belongs to (its header or its records).
const SceneSection& sectionOf(UnitKind kind);
bool isHeader(UnitKind kind);

// --- Counts inside records --------------------------------------------------------------------

// A count and the records it announces: each record opens with `record` (empty: the count is of
// triangles, three index numbers each); the block ends at one of `stops` or with the enclosing
// record. `one` and `many` name what is counted.
struct CountRule {
    std::string_view keyword;
    std::string_view record;
    std::string_view stops[2];
    const char* one;
    const char* many;
};
// clang-format off
inline constexpr CountRule COUNT_RULES[] = {
    {keywordOf(VERTEXCOUNT_LINE), keywordOf(VERTEX_LINE),
     {keywordOf(SURFACECOUNT_LINE), keywordOf(TRIANGLECOUNT_LINE)}, "vertex", "vertices"},
    {keywordOf(SURFACECOUNT_LINE), keywordOf(TRIANGLECOUNT_LINE), {}, "triangle block",
     "triangle blocks"},
    {keywordOf(TRIANGLECOUNT_LINE), {}, {}, "triangle", "triangles"},
    {keywordOf(KEYFRAMERCOUNT_LINE), keywordOf(KEYFRAMETYPE_LINE), {keywordOf(CHILDCOUNT_LINE)},
     "keyframer", "keyframers"},
    {keywordOf(KEYFRAMECOUNT_LINE), keywordOf(POSITION_KEY_LINE),
     {keywordOf(KEYFRAMETYPE_LINE), keywordOf(CHILDCOUNT_LINE)}, "key", "keys"},
};
// clang-format on

// A keyword whose value is a word (a name, a file name, a variant word): the token after it is
// never a keyword. Found in the templates.
bool keywordTakesWord(std::string_view keyword);

// --- Words of the messages --------------------------------------------------------------------

// "1 entity", "3 entities".
std::string plural(int32_t n, const char* one, const char* many);
// "a GROUP", "an OBJECT".
std::string withArticle(const char* word);
// Letters added, dropped, changed or swapped with a neighbour, ignoring case ("Rde" is one slip
// from "Red").
size_t editDistance(std::string_view a, std::string_view b);
// The candidate closest to `name` by edit distance, when it is close enough to be a slip of the
// keyboard (at most a third of the name's letters); empty otherwise. "None" is never suggested.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

// The lookups over the scene file's words, and the wording helpers its messages share.
#include "loader/vocabulary.h"

#include "anim/keyframe.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "sim/physics.h"
#include "texture/registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

// The codes the records store are the positions of the words in their lists.
static_assert(std::string_view(ENTITY_KINDS[EntityType::CAMERA]) == "CAMERA");
static_assert(std::string_view(ENTITY_KINDS[EntityType::PARTICLE]) == "PARTICLE");
static_assert(std::string_view(MOTION_TYPES[MotionType::ANIMATE]) == "ANIMATE");
static_assert(std::string_view(KEYFRAME_TYPES[KeyframeType::MATERIAL]) == "MATERIAL");
static_assert(std::string_view(TEXTURE_TYPES[TextureType::STATIC]) == "STATIC");
static_assert(std::string_view(DISPLAY_TYPES[DisplayType::QUAD]) == "QUAD");
static_assert(std::string_view(BLEND_TYPES[BlendType::BLEND]) == "BLEND");
static_assert(std::string_view(FORCE_TYPES[ForceType::GRAVITY]) == "GRAVITY");

const char* variantName(VariantNames names, int32_t code) {
    return code >= 0 && size_t(code) < names.size() ? names[size_t(code)] : "?";
}

int32_t variantCode(VariantNames names, std::string_view word) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (word == names[i]) return int32_t(i);
    }
    return -1;
}

const SceneSection& sectionOf(UnitKind kind) {
    for (const SceneSection& s : SCENE_SECTIONS) {
        if (s.header == kind || s.record == kind) return s;
    }
    return SCENE_SECTIONS[0];
}

bool isHeader(UnitKind kind) {
    return sectionOf(kind).header == kind;
}

namespace {

// Every line of the file.
constexpr const char* ALL_LINES[] = {SCENECAMERA_LINE,    HUD_LINE,           APPTIME_LINE,
                                     SIMTIME_LINE,        TIMECOLOUR_LINE,    BACKGROUNDCOUNT_LINE,
                                     COLOUR_LINE,         MIN_LINE,           MAX_LINE,
                                     BUTTONCOUNT_LINE,    ACTIONNAME_LINE,    ACTIONVALUES_LINE,
                                     ACTIONLINK_LINE,     TEXTURETYPE_LINE,   TEXTURE_LINK_LINE,
                                     TEXTURE_LINE,        FORCECOUNT_LINE,    FORCETYPE_LINE,
                                     STRENGTH_LINE,       PARTICLECOUNT_LINE, MATERIALCOUNT_LINE,
                                     MESHCOUNT_LINE,      MESH_LINE,          MESHFILE_LINE,
                                     MESH_TRANSFORM_LINE, VERTEXCOUNT_LINE,   VERTEX_LINE,
                                     SURFACECOUNT_LINE,   TRIANGLECOUNT_LINE, SCENEGRAPH_LINE,
                                     KEYFRAMETYPE_LINE,   KEYFRAMECOUNT_LINE, POSITION_KEY_LINE,
                                     ROTATION_KEY_LINE,   MATERIAL_KEY_LINE};

// The keywords of the template that a word follows.
void keywordsBeforeWords(std::string_view tmpl, std::vector<std::string_view>* out) {
    std::string_view previous;
    for (std::string_view token = keywordOf(tmpl); !token.empty(); token = keywordOf(tmpl)) {
        if (token == "%s" && !previous.empty() && previous.back() == ':') out->push_back(previous);
        previous = token;
        tmpl.remove_prefix(size_t(token.data() + token.size() - tmpl.data()));
    }
}

const std::vector<std::string_view>& wordKeywords() {
    static const std::vector<std::string_view> keywords = [] {
        std::vector<std::string_view> out;
        for (const auto& lines :
             {std::span<const char* const>(ALL_LINES), std::span<const char* const>(PARTICLE_LINES),
              std::span<const char* const>(MATERIAL_LINES),
              std::span<const char* const>(ENTITY_LINES)}) {
            for (const char* line : lines) keywordsBeforeWords(line, &out);
        }
        return out;
    }();
    return keywords;
}

} // namespace

bool keywordTakesWord(std::string_view keyword) {
    const std::vector<std::string_view>& words = wordKeywords();
    return std::find(words.begin(), words.end(), keyword) != words.end();
}

std::string plural(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string withArticle(const char* word) {
    return std::string(std::strchr("AEIOU", word[0]) ? "an " : "a ") + word;
}

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

size_t editDistance(std::string_view a, std::string_view b) {
    const size_t w = b.size() + 1;
    std::vector<size_t> d((a.size() + 1) * w);
    for (size_t i = 0; i <= a.size(); ++i) d[i * w] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = lower(a[i - 1]) == lower(b[j - 1]);
            size_t best = std::min({d[(i - 1) * w + j] + 1, d[i * w + j - 1] + 1,
                                    d[(i - 1) * w + j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1])) {
                best = std::min(best, d[(i - 2) * w + j - 2] + 1);
            }
            d[i * w + j] = best;
        }
    }
    return d[a.size() * w + b.size()];
}

std::string closestName(std::string_view name, const std::vector<std::string>& candidates) {
    std::string best;
    size_t bestDistance = std::max<size_t>(1, name.size() / 3) + 1;
    for (const std::string& c : candidates) {
        if (c == NO_REFERENCE || c == name) continue;
        // Lengths further apart than the best distance cannot beat it.
        const size_t gap = c.size() > name.size() ? c.size() - name.size() : name.size() - c.size();
        if (gap >= bestDistance) continue;
        const size_t distance = editDistance(name, c);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = c;
        }
    }
    return best;
}

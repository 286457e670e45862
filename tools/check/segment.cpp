// Keyword-level cutting of a scene file into sections and records, and the stand-ins that
// replace a broken record. Keywords are found exactly, then (where a section keyword is
// missing) case-insensitively or with one character wrong, so that a misspelt keyword still
// marks where its record starts. No GL, no I/O.
#include "tools/check/segment.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

struct SectionLayout {
    UnitKind header;
    std::vector<const char*> headerKeywords;
    UnitKind record;
    const char* recordKeyword;
};

const std::vector<SectionLayout>& sections() {
    static const std::vector<SectionLayout> layouts = {
        {UnitKind::SceneCamera, {"SCENECAMERA:"}, UnitKind::SceneCamera, nullptr},
        {UnitKind::HudHeader,
         {"HUD:", "APPTIME:", "SIMTIME:", "TIMECOLOUR:", "BACKGROUNDCOUNT:"},
         UnitKind::Background,
         "COLOUR:"},
        {UnitKind::ButtonHeader, {"BUTTONCOUNT:"}, UnitKind::Button, "ACTIONNAME:"},
        {UnitKind::ForceHeader, {"FORCECOUNT:"}, UnitKind::Force, "FORCETYPE:"},
        {UnitKind::ParticleHeader, {"PARTICLECOUNT:"}, UnitKind::ParticleSystem, "PARTICLETYPE:"},
        {UnitKind::MaterialHeader, {"MATERIALCOUNT:"}, UnitKind::Material, "MATERIAL:"},
        {UnitKind::MeshHeader, {"MESHCOUNT:"}, UnitKind::Mesh, "MESH:"},
        {UnitKind::GraphHeader, {"SCENEGRAPH:"}, UnitKind::Entity, "------"},
    };
    return layouts;
}

// Keywords whose value is a word: the token after one of them is a value, never a keyword.
bool takesWord(std::string_view keyword) {
    static const char* const words[] = {
        "SCENECAMERA:", "TEXTURETYPE:", "LINK:",         "TEXTURE:",     "ACTIONNAME:",
        "ACTIONLINK:",  "FORCETYPE:",   "PARTICLETYPE:", "DISPLAYTYPE:", "BLENDTYPE:",
        "SYSTEMNAME:",  "INITIAL:",     "MATERIAL:",     "MESH:",        "ENTITY:",
        "TYPE:",        "NAME:",        "KEYFRAMETYPE:", "MESHFILE:",
    };
    for (const char* w : words) {
        if (keyword == w) return true;
    }
    return false;
}

std::string_view tokenText(std::string_view text, const Token& t) {
    return text.substr(t.begin, t.end - t.begin);
}

// The token is the keyword, or the keyword with its value glued on ("MESHCOUNT:2").
bool exactKeyword(std::string_view token, std::string_view keyword) {
    if (token == keyword) return true;
    return keyword.back() == ':' && token.size() > keyword.size() &&
           token.substr(0, keyword.size()) == keyword;
}

std::string upperStem(std::string_view word) {
    const size_t colon = word.find(':');
    std::string out(word.substr(0, colon));
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool withinOneEdit(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() - b.size() > 1) return false;
    size_t i = 0;
    while (i < b.size() && a[i] == b[i]) ++i;
    if (a.size() == b.size()) return a.substr(i + 1) == b.substr(std::min(i + 1, b.size()));
    return a.substr(i + 1) == b.substr(i);
}

// A misspelt keyword: other case, or (for long keywords) one character added, missing or
// wrong; the token must carry a colon unless it is the keyword's own word.
bool fuzzyKeyword(std::string_view token, std::string_view keyword) {
    const std::string stem = upperStem(token);
    const std::string want = upperStem(keyword);
    if (stem == want) return true;
    if (token.find(':') == std::string_view::npos) return false;
    return want.size() >= 5 && withinOneEdit(stem, want);
}

bool isDashes(std::string_view token) {
    return token.size() >= 3 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c == '-'; });
}

struct Finder {
    std::string_view text;
    const std::vector<Token>& tokens;

    std::string_view at(int32_t i) const { return tokenText(text, tokens[size_t(i)]); }
    bool isValue(int32_t i) const { return i > 0 && takesWord(at(i - 1)); }

    bool matches(int32_t i, const char* keyword, bool fuzzy) const {
        if (isValue(i)) return false;
        const std::string_view t = at(i);
        if (std::string_view(keyword) == "------") {
            if (t == keyword) return true;
            // A separator of another length, or a missing one before "ENTITY:".
            return fuzzy && (isDashes(t) ||
                             (exactKeyword(t, "ENTITY:") && (i == 0 || !isDashes(at(i - 1)))));
        }
        return fuzzy ? fuzzyKeyword(t, keyword) : exactKeyword(t, keyword);
    }

    int32_t find(int32_t from, int32_t to, const std::vector<const char*>& keywords,
                 bool fuzzy) const {
        for (int32_t i = from; i < to; ++i) {
            for (const char* k : keywords) {
                if (matches(i, k, fuzzy)) return i;
            }
        }
        return -1;
    }
};

} // namespace

std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    int32_t line = 1;
    size_t i = 0;
    bool lineStart = true; // nothing but blanks yet on this line
    while (i < text.size()) {
        if (isBlank(text[i])) {
            if (text[i] == '\n') ++line, lineStart = true;
            ++i;
            continue;
        }
        if (lineStart && text[i] == '#') { // a comment line: no tokens
            i = std::min(text.find('\n', i), text.size());
            continue;
        }
        lineStart = false;
        const size_t begin = i;
        while (i < text.size() && !isBlank(text[i])) ++i;
        tokens.push_back({begin, i, line});
    }
    return tokens;
}

UnitKind recordKindOf(UnitKind header) {
    for (const SectionLayout& s : sections()) {
        if (s.header == header) return s.record;
    }
    return header;
}

const char* countKeywordOf(UnitKind header) {
    switch (header) {
    case UnitKind::HudHeader:
        return "BACKGROUNDCOUNT:";
    case UnitKind::ButtonHeader:
        return "BUTTONCOUNT:";
    case UnitKind::ForceHeader:
        return "FORCECOUNT:";
    case UnitKind::ParticleHeader:
        return "PARTICLECOUNT:";
    case UnitKind::MaterialHeader:
        return "MATERIALCOUNT:";
    case UnitKind::MeshHeader:
        return "MESHCOUNT:";
    default:
        return nullptr;
    }
}

const char* startKeywordOf(UnitKind kind) {
    for (const SectionLayout& s : sections()) {
        if (s.header == kind) return s.headerKeywords[0];
        if (s.record == kind && s.recordKeyword) return s.recordKeyword;
    }
    return "";
}

const char* unitNoun(UnitKind kind) {
    switch (kind) {
    case UnitKind::SceneCamera:
        return "SCENECAMERA line";
    case UnitKind::HudHeader:
        return "HUD header";
    case UnitKind::Background:
        return "background";
    case UnitKind::ButtonHeader:
        return "BUTTONCOUNT line";
    case UnitKind::Button:
        return "button";
    case UnitKind::ForceHeader:
        return "FORCECOUNT line";
    case UnitKind::Force:
        return "force";
    case UnitKind::ParticleHeader:
        return "PARTICLECOUNT line";
    case UnitKind::ParticleSystem:
        return "particle system";
    case UnitKind::MaterialHeader:
        return "MATERIALCOUNT line";
    case UnitKind::Material:
        return "material";
    case UnitKind::MeshHeader:
        return "MESHCOUNT line";
    case UnitKind::Mesh:
        return "mesh";
    case UnitKind::GraphHeader:
        return "SCENEGRAPH line";
    case UnitKind::Entity:
        return "entity";
    }
    return "record";
}

Segmentation segmentScene(std::string_view text) {
    Segmentation s;
    s.tokens = tokenize(text);
    const int32_t n = static_cast<int32_t>(s.tokens.size());
    const Finder finder{text, s.tokens};
    const std::vector<SectionLayout>& layouts = sections();

    // Where each section starts: its own keyword, found exactly in file order, else a
    // misspelling of it, else its first record (the header is then missing).
    int32_t start[SECTION_COUNT];
    bool headerPresent[SECTION_COUNT];
    start[0] = 0;
    headerPresent[0] = true;
    int32_t from = 1;
    for (int32_t k = 1; k < SECTION_COUNT; ++k) {
        start[k] = finder.find(from, n, layouts[size_t(k)].headerKeywords, false);
        headerPresent[k] = start[k] >= 0;
        if (start[k] >= 0) from = start[k] + 1;
    }
    for (int32_t k = 1; k < SECTION_COUNT; ++k) {
        if (start[k] >= 0) continue;
        const int32_t lo = start[k - 1] + 1;
        int32_t hi = n;
        for (int32_t j = k + 1; j < SECTION_COUNT; ++j) {
            if (start[j] >= 0) {
                hi = start[j];
                break;
            }
        }
        start[k] = finder.find(lo, hi, layouts[size_t(k)].headerKeywords, true);
        headerPresent[k] = start[k] >= 0;
        if (start[k] < 0) {
            start[k] = finder.find(lo, hi, {layouts[size_t(k)].recordKeyword}, false);
        }
        if (start[k] < 0) start[k] = hi;
    }

    for (int32_t k = 0; k < SECTION_COUNT; ++k) {
        const SectionLayout& layout = layouts[size_t(k)];
        const int32_t regionEnd = k + 1 < SECTION_COUNT ? start[k + 1] : n;
        const int32_t regionStart = std::min(start[k], regionEnd);
        int32_t recordStart = regionEnd;
        std::vector<int32_t> records;
        if (layout.recordKeyword) {
            const int32_t searchFrom = headerPresent[k] ? regionStart + 1 : regionStart;
            for (int32_t i = searchFrom; i < regionEnd; ++i) {
                if (finder.matches(i, layout.recordKeyword, true)) records.push_back(i);
            }
            if (!records.empty()) recordStart = records[0];
        }
        const int32_t headerEnd = headerPresent[k] ? recordStart : regionStart;
        s.units.push_back({layout.header, 0, 0, 0, regionStart, headerEnd, 0});
        for (size_t r = 0; r < records.size(); ++r) {
            const int32_t end = r + 1 < records.size() ? records[r + 1] : regionEnd;
            s.units.push_back({layout.record, 0, 0, 0, records[r], end, 0});
        }
    }

    // Offsets and lines; units are contiguous, so each ends where the next begins.
    int32_t ordinals[UNIT_KIND_COUNT] = {};
    for (Unit& u : s.units) {
        const bool pastEnd = u.firstToken >= n;
        u.begin = pastEnd ? text.size() : s.tokens[size_t(u.firstToken)].begin;
        u.line = pastEnd ? (n > 0 ? s.tokens.back().line : 1) : s.tokens[size_t(u.firstToken)].line;
        u.ordinal = ordinals[int32_t(u.kind)]++;
    }
    if (!s.units.empty()) s.units[0].begin = n > 0 ? s.tokens[0].begin : 0;
    for (size_t i = 0; i < s.units.size(); ++i) {
        s.units[i].end = i + 1 < s.units.size() ? s.units[i + 1].begin : text.size();
        if (s.units[i].firstToken == s.units[i].endToken) s.units[i].end = s.units[i].begin;
    }
    return s;
}

int32_t recordsAfterHeader(const Segmentation& s, size_t header) {
    const UnitKind kind = recordKindOf(s.units[header].kind);
    int32_t count = 0;
    for (size_t i = header + 1; i < s.units.size() && s.units[i].kind == kind; ++i) ++count;
    return count;
}

std::string wordAfter(std::string_view text, const Segmentation& s, const Unit& unit,
                      std::string_view keyword, bool last) {
    std::string found;
    for (int32_t i = unit.firstToken; i < unit.endToken; ++i) {
        const std::string_view t = tokenText(text, s.tokens[size_t(i)]);
        if (!exactKeyword(t, keyword)) continue;
        if (t.size() > keyword.size()) {
            found = std::string(t.substr(keyword.size()));
        } else if (i + 1 < unit.endToken) {
            found = std::string(tokenText(text, s.tokens[size_t(i + 1)]));
        } else {
            continue;
        }
        if (!last) return found;
    }
    return found;
}

int32_t keywordLine(std::string_view text, const Segmentation& s, const Unit& unit,
                    std::string_view keyword) {
    for (int32_t i = unit.firstToken; i < unit.endToken; ++i) {
        if (exactKeyword(tokenText(text, s.tokens[size_t(i)]), keyword)) {
            return s.tokens[size_t(i)].line;
        }
    }
    return unit.line;
}

namespace {

// A word the parser takes as a name: the broken record's own, when it is one.
std::string nameOr(const std::string& word, const char* fallback) {
    if (word.empty() || word.size() > 19) return fallback;
    return word;
}

int32_t intOr(const std::string& word, int32_t fallback) {
    int32_t value = 0;
    const char* begin = word.data();
    if (!word.empty() && word[0] == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, word.data() + word.size(), value);
    if (ec != std::errc() || ptr != word.data() + word.size()) return fallback;
    return value;
}

// The name after the record's keyword, or after its first token when that is the keyword
// misspelt ("MATERIALS: Red" still stands in as Red, so references to it resolve).
std::string nameWord(std::string_view text, const Segmentation& s, const Unit& u,
                     std::string_view keyword) {
    std::string word = wordAfter(text, s, u, keyword);
    if (word.empty() && u.firstToken + 1 < u.endToken) {
        const std::string_view first = tokenText(text, s.tokens[size_t(u.firstToken)]);
        if (fuzzyKeyword(first, keyword))
            word = tokenText(text, s.tokens[size_t(u.firstToken + 1)]);
    }
    return word;
}

const char* const BACKGROUND_STAND_IN =
    "COLOUR: 0 0 0 0 TEXTURETYPE: STATIC TEXTURE: None MIN: 0 0 TEX: 0 0 MAX: 0 0 TEX: 0 0";

} // namespace

std::string standIn(std::string_view text, const Segmentation& s, size_t index) {
    const Unit& u = s.units[index];
    const std::string records = std::to_string(isHeader(u.kind) ? recordsAfterHeader(s, index) : 0);
    switch (u.kind) {
    case UnitKind::SceneCamera:
        return "SCENECAMERA: " + nameOr(wordAfter(text, s, u, "SCENECAMERA:"), "None");
    case UnitKind::HudHeader:
        return "HUD: APPTIME: 0 0 SIMTIME: 0 0 TIMECOLOUR: 0 0 0 0 BACKGROUNDCOUNT: " + records;
    case UnitKind::Background:
        return BACKGROUND_STAND_IN;
    case UnitKind::Button:
        return std::string("ACTIONNAME: None ACTIONVALUES: 0 0 0 0 0 ACTIONLINK: None ") +
               BACKGROUND_STAND_IN;
    case UnitKind::Force:
        return "FORCETYPE: GRAVITY STRENGTH: 0 0 0";
    case UnitKind::ParticleSystem:
        return "PARTICLETYPE: POINT DISPLAYTYPE: POINT BLENDTYPE: BLEND SYSTEMNAME: " +
               nameOr(wordAfter(text, s, u, "SYSTEMNAME:"), "None") +
               " BIRTHRATE: 0 LIFETIME: 1 SIZE: 1 INITIAL: OFF TEXTURETYPE: STATIC TEXTURE: None"
               " MINCOLOUR: 0 0 0 0 MAXCOLOUR: 0 0 0 0 MINMASS: 1 MAXMASS: 1 MINSPEED: 0"
               " MAXSPEED: 0";
    case UnitKind::Material:
        return "MATERIAL: " + nameOr(nameWord(text, s, u, "MATERIAL:"), "None") +
               " EMISSION: 0 0 0 1 AMBIENT: 0 0 0 1 DIFFUSE: 0 0 0 1 SPECULAR: 0 0 0 1"
               " SHININESS: 0 TEXTURETYPE: STATIC TEXTURE: None";
    case UnitKind::Mesh:
        return "MESH: " + nameOr(nameWord(text, s, u, "MESH:"), "None") +
               " POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1 VERTEXCOUNT: 0 SURFACECOUNT: 1"
               " TRIANGLECOUNT: 0";
    case UnitKind::GraphHeader:
        return "SCENEGRAPH:";
    case UnitKind::Entity: {
        std::string kind = wordAfter(text, s, u, "ENTITY:");
        static const char* const kinds[] = {"LIGHT", "CAMERA", "GROUP", "OBJECT", "PARTICLE"};
        if (std::find(std::begin(kinds), std::end(kinds), kind) == std::end(kinds)) kind = "GROUP";
        const int32_t children = intOr(wordAfter(text, s, u, "CHILDCOUNT:", true), 0);
        return "------ ENTITY: " + kind +
               " TYPE: STATIC NAME: " + nameOr(wordAfter(text, s, u, "NAME:"), "None") +
               " POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1 ACCELERATION: 0 0 0 VELOCITY: 0 0"
               " 0 LINK: None MATERIAL: None MASS: 1 KEYFRAMERCOUNT: 0 CHILDCOUNT: " +
               std::to_string(children > 0 ? children : 0);
    }
    default:
        return std::string(countKeywordOf(u.kind)) + " " + records;
    }
}

std::string replaceUnit(std::string_view text, const Segmentation& s, size_t index) {
    const Unit& u = s.units[index];
    std::string out(text.substr(0, u.begin));
    const size_t standInBegin = out.size();
    out += standIn(text, s, index);
    out += ' ';
    size_t newlines = 0;
    for (size_t i = u.begin; i < u.end; ++i) newlines += text[i] == '\n';
    // Never shorter than the record it replaces: the parser bounds each count by the length of
    // the text after it, and a shorter stand-in would make an earlier count look too large.
    const size_t length = out.size() - standInBegin + newlines;
    if (length < u.end - u.begin) out.append(u.end - u.begin - length, ' ');
    out.append(newlines, '\n');
    out += text.substr(u.end);
    return out;
}

std::string replaceCount(std::string_view text, const Segmentation& s, size_t header,
                         int32_t count) {
    const Unit& u = s.units[header];
    const char* keyword = countKeywordOf(u.kind);
    if (!keyword) return replaceUnit(text, s, header);
    const std::string_view k(keyword);
    for (int32_t i = u.firstToken; i < u.endToken; ++i) {
        const Token& t = s.tokens[size_t(i)];
        if (!exactKeyword(tokenText(text, t), k)) continue;
        size_t begin = t.begin + k.size();
        size_t end = t.end;
        if (t.end - t.begin == k.size()) {
            if (i + 1 >= u.endToken) break;
            begin = s.tokens[size_t(i + 1)].begin;
            end = s.tokens[size_t(i + 1)].end;
        }
        return std::string(text.substr(0, begin)) + std::to_string(count) +
               std::string(text.substr(end));
    }
    return replaceUnit(text, s, header);
}

int32_t entityShortfall(std::string_view text, const Segmentation& s) {
    int64_t pending = 1; // the one top record
    std::vector<int32_t> stack{1};
    for (const Unit& u : s.units) {
        if (u.kind != UnitKind::Entity) continue;
        while (!stack.empty() && stack.back() == 0) stack.pop_back();
        if (stack.empty()) break;
        --stack.back();
        --pending;
        const int32_t children = intOr(wordAfter(text, s, u, "CHILDCOUNT:", true), 0);
        if (children > 0) {
            stack.push_back(children);
            pending += children;
        }
    }
    return static_cast<int32_t>(std::min<int64_t>(pending, INT32_MAX));
}

ChildCountGap childCountGap(std::string_view text, const Segmentation& s) {
    struct Open {
        int32_t unit, declared, remaining;
    };
    std::vector<Open> stack{{-1, 1, 1}}; // the one top record
    for (size_t i = 0; i < s.units.size(); ++i) {
        if (s.units[i].kind != UnitKind::Entity) continue;
        while (!stack.empty() && stack.back().remaining == 0) stack.pop_back();
        if (stack.empty()) break;
        --stack.back().remaining;
        const int32_t children = intOr(wordAfter(text, s, s.units[i], "CHILDCOUNT:", true), 0);
        if (children > 0) stack.push_back({int32_t(i), children, children});
    }
    for (size_t k = stack.size(); k-- > 0;) {
        if (stack[k].remaining > 0) {
            return {stack[k].unit, stack[k].declared, stack[k].declared - stack[k].remaining};
        }
    }
    return {};
}

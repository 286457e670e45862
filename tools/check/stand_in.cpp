// Stand-in records, made as descriptions of records and written with the engine's record writer,
// then laid on one line.
#include "tools/check/stand_in.h"

#include "loader/write_records.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/registry.h"

#include <cstring>

namespace {

std::string_view tokenText(std::string_view text, const Token& t) {
    return text.substr(t.begin, t.end - t.begin);
}

// A word the parser takes as a name: the broken record's own, when it is one.
Word nameOr(const std::string& word) {
    if (word.empty() || word.size() >= NAME_SIZE) return makeWord(NO_REFERENCE);
    return makeWord(word.c_str());
}

// The name after the record's keyword, or after its first token when that is the keyword
// misspelt ("MATERIALS: Red" still stands in as Red, so references to it resolve).
std::string nameWord(std::string_view text, const Segmentation& s, const Unit& u) {
    const std::string_view keyword = startKeywordOf(u.kind);
    std::string word = wordAfter(text, s, u, keyword);
    if (word.empty() && u.firstToken + 1 < u.endToken) {
        const std::string_view first = tokenText(text, s.tokens[size_t(u.firstToken)]);
        if (fuzzyKeyword(first, keyword))
            word = tokenText(text, s.tokens[size_t(u.firstToken + 1)]);
    }
    return word;
}

TextureRef noTexture() {
    TextureRef t{};
    t.kind = TextureType::STATIC;
    std::strcpy(t.file.text, NO_REFERENCE);
    return t;
}

// The record writer's lines on one line: each run of whitespace one blank.
std::string oneLine(const std::string& lines) {
    std::string out;
    for (char c : lines) {
        const bool blank = c == ' ' || c == '\t' || c == '\n';
        if (!blank) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

} // namespace

std::string standIn(std::string_view text, const Segmentation& s, size_t index) {
    const Unit& u = s.units[index];
    const int32_t records = isHeader(u.kind) ? recordsAfterHeader(s, index) : 0;
    std::string out;
    switch (u.kind) {
    case UnitKind::SceneCamera:
        writeLine(&out, SCENECAMERA_LINE,
                  {nameOr(wordAfter(text, s, u, keywordOf(SCENECAMERA_LINE))).text});
        break;
    case UnitKind::HudHeader:
        writeHudHeader(&out, HudDescription{}, records);
        break;
    case UnitKind::Background: {
        BackgroundDescription b{};
        b.texture = noTexture();
        writeBackground(&out, b);
        break;
    }
    case UnitKind::Button: {
        ButtonDescription b{};
        std::strcpy(b.button.actionName, NO_REFERENCE);
        std::strcpy(b.button.actionLink, NO_REFERENCE);
        b.texture = noTexture();
        writeButton(&out, b);
        break;
    }
    case UnitKind::Force:
        writeForce(&out, Force{});
        break;
    case UnitKind::ParticleSystem: {
        ParticleSystemDescription p{};
        p.blendType = BlendType::BLEND;
        p.name = nameOr(wordAfter(text, s, u, keywordOf(SYSTEMNAME_LINE)));
        p.lifetime = p.size = p.minMass = p.maxMass = 1.0f;
        p.off = 1;
        p.texture = noTexture();
        writeParticleSystem(&out, p);
        break;
    }
    case UnitKind::Material: {
        MaterialDescription m{};
        std::memcpy(m.material.name, nameOr(nameWord(text, s, u)).text, NAME_SIZE);
        for (Colour* c : {&m.material.emission, &m.material.ambient, &m.material.diffuse,
                          &m.material.specular}) {
            c->a = 1.0f;
        }
        m.texture = noTexture();
        writeMaterial(&out, m);
        break;
    }
    case UnitKind::Mesh:
        writeMeshRecord(&out, nameOr(nameWord(text, s, u)).text, {}, {});
        break;
    case UnitKind::GraphHeader:
        writeLine(&out, SCENEGRAPH_LINE, {});
        break;
    case UnitKind::Entity: {
        EntityDescription e{};
        e.entityType = variantCode(ENTITY_KINDS, wordAfter(text, s, u, keywordOf(ENTITY_LINE)));
        if (e.entityType < 0) e.entityType = EntityType::GROUP;
        e.type = MotionType::STATIC;
        e.name = nameOr(wordAfter(text, s, u, keywordOf(NAME_LINE)));
        e.rotationAxis = {0.0f, 1.0f, 0.0f};
        e.scale = {1.0f, 1.0f, 1.0f};
        e.link = e.material = makeWord(NO_REFERENCE);
        e.mass = 1.0f;
        const int32_t children =
            integerOr(wordAfter(text, s, u, keywordOf(CHILDCOUNT_LINE), true), 0);
        e.childCount = children > 0 ? children : 0;
        writeEntity(&out, SceneDescription{}, e);
        break;
    }
    default:
        out = std::string(countKeywordOf(u.kind)) + " " + std::to_string(records);
        break;
    }
    return oneLine(out);
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

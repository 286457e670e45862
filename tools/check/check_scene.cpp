// krestel-check's checks over a scene file's text: the engine's parser for errors (reading on
// past each one with a stand-in record), then cross-reference and layout checks for what loads
// but is probably a mistake (most of them shared with the engine's load, loader/warnings.h), and
// notes that explain an error's cause. No GL, no files: texture files are checked by main.
#include "tools/check/check_scene.h"

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "loader/parse.h"
#include "scene/scene.h"
#include "texture/registry.h"
#include "tools/check/segment.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <set>
#include <utility>

namespace {

std::string str(const Word& w) {
    return std::string(w.text);
}
std::string str(const char* text) {
    return std::string(text);
}

bool sameError(const ParseError& a, const ParseError& b) {
    return a.kind == b.kind && a.line == b.line && a.message == b.message;
}

int32_t intValue(const std::string& word, int32_t fallback) {
    int32_t value = 0;
    const char* begin = word.data();
    if (!word.empty() && word[0] == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, word.data() + word.size(), value);
    return ec == std::errc() && ptr == word.data() + word.size() ? value : fallback;
}

std::string plural(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char* const ENTITY_KINDS[] = {"LIGHT", "CAMERA", "GROUP", "OBJECT", "PARTICLE"};
const char* const MOTION_KINDS[] = {"SIMULATE", "ANIMATE", "STATIC"};

const char* entityKindName(int32_t kind) {
    return kind >= 0 && kind < 5 ? ENTITY_KINDS[kind] : "?";
}
const char* motionName(int32_t kind) {
    return kind >= 0 && kind < 3 ? MOTION_KINDS[kind] : "?";
}

// One read-on step: a changed text that the parser is tried on, and what it stands for.
struct Repair {
    std::string text;
    std::string note;     // said once, when the repair is taken; may be empty
    int32_t noteLine = 0; // where the note points
    const char* code = "";
    UnitKind standInKind = UnitKind::SceneCamera;
    int32_t standInOrdinal = -1; // the record replaced by a stand-in, -1 for none
};

std::vector<Repair> repairsFor(const std::string& text, const Segmentation& s, int32_t line) {
    std::vector<Repair> repairs;
    // A missing section keyword: write it in, with the count of the records that follow.
    for (size_t i = 0; i < s.units.size(); ++i) {
        const Unit& u = s.units[i];
        if (u.line > line) break;
        if (isHeader(u.kind) && u.firstToken == u.endToken) {
            repairs.push_back(
                {replaceUnit(text, s, i),
                 "the section keyword '" + str(startKeywordOf(u.kind)) + "' is missing here",
                 u.line, "MissingKeyword"});
            break;
        }
    }
    // A count that does not match the records that follow it.
    for (size_t i = 0; i < s.units.size(); ++i) {
        const Unit& u = s.units[i];
        if (u.line > line) break;
        const char* keyword = countKeywordOf(u.kind);
        if (!keyword || u.firstToken == u.endToken) continue;
        const int32_t declared = intValue(wordAfter(text, s, u, keyword), -1);
        const int32_t found = recordsAfterHeader(s, i);
        if (declared < 0 && found == 0) continue;
        if (declared >= 0 && declared != found) {
            const UnitKind record = recordKindOf(u.kind);
            repairs.push_back({replaceCount(text, s, i, found),
                               str(keyword) + " " + std::to_string(declared) + " announces " +
                                   std::to_string(declared) + " " + unitNoun(record) +
                                   " records, but " + std::to_string(found) + " '" +
                                   startKeywordOf(record) + "' " +
                                   (found == 1 ? "record follows" : "records follow"),
                               keywordLine(text, s, u, keyword), "CountMismatch"});
            break;
        }
    }
    // The record the error is in, or the one before it when the error is found at the first
    // token of the next record (a record that ended too early).
    int32_t at = -1;
    for (size_t i = 0; i < s.units.size(); ++i) {
        const Unit& u = s.units[i];
        if (u.firstToken == u.endToken) continue;
        if (u.line > line) break;
        at = static_cast<int32_t>(i);
    }
    if (at < 0) at = 0;
    for (int32_t i = at; i >= 0 && i >= at - 1; --i) {
        const Unit& u = s.units[size_t(i)];
        if (u.firstToken == u.endToken && i != at) continue;
        Repair r{replaceUnit(text, s, size_t(i)), "", 0};
        if (!isHeader(u.kind)) {
            r.standInKind = u.kind;
            r.standInOrdinal = u.ordinal;
        }
        repairs.push_back(std::move(r));
    }
    return repairs;
}

struct Lines {
    // Per record kind, the units of the final text in order.
    std::vector<const Unit*> byKind[UNIT_KIND_COUNT];

    int32_t lineOf(UnitKind kind, size_t ordinal) const {
        const auto& list = byKind[int32_t(kind)];
        return ordinal < list.size() ? list[ordinal]->line : 0;
    }
    const Unit* unit(UnitKind kind, size_t ordinal) const {
        const auto& list = byKind[int32_t(kind)];
        return ordinal < list.size() ? list[ordinal] : nullptr;
    }
};

struct Checker {
    const std::string& text;
    const Segmentation& seg;
    const SceneDescription& d;
    const std::set<std::pair<int32_t, int32_t>>& standIns;
    Lines lines;
    std::vector<Finding> warnings;

    bool isStandIn(UnitKind kind, size_t ordinal) const {
        return standIns.count({int32_t(kind), int32_t(ordinal)}) > 0;
    }

    void warn(const char* code, int32_t line, std::string message) {
        warnings.push_back({Severity::Warning, line, code, std::move(message)});
    }

    int32_t fieldLine(UnitKind kind, size_t ordinal, const char* keyword) const {
        const Unit* u = lines.unit(kind, ordinal);
        return u ? keywordLine(text, seg, *u, keyword) : 0;
    }

    // `keyword` is the line that holds the name ("NAME:" for entities).
    void checkDuplicates(UnitKind kind, const std::vector<std::string>& names, const char* what,
                         const char* keyword) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (isStandIn(kind, i)) continue;
            for (size_t j = 0; j < i; ++j) {
                if (names[j] != names[i]) continue;
                warn("DuplicateName", fieldLine(kind, i, keyword),
                     "a second " + str(what) + " named '" + names[i] + "' (the first is at line " +
                         std::to_string(fieldLine(kind, j, keyword)) +
                         "): every reference finds the first; expected a name of its own");
                break;
            }
        }
    }

    // Checks only the checker makes: the engine's load shares the rest (loader/warnings.h).
    void checkNamesAndKeyframers() {
        std::vector<std::string> meshNames, systemNames, materialNames, entityNames;
        for (const MeshDescription& m : d.meshes) meshNames.push_back(str(m.name));
        for (const ParticleSystemDescription& p : d.particleSystems) {
            systemNames.push_back(str(p.name));
        }
        for (const MaterialDescription& m : d.materials) materialNames.push_back(m.material.name);
        for (const EntityDescription& e : d.entities) entityNames.push_back(str(e.name));

        checkDuplicates(UnitKind::Mesh, meshNames, "MESH", "MESH:");
        checkDuplicates(UnitKind::Material, materialNames, "MATERIAL", "MATERIAL:");
        checkDuplicates(UnitKind::ParticleSystem, systemNames, "particle system", "SYSTEMNAME:");
        checkDuplicates(UnitKind::Entity, entityNames, "entity", "NAME:");

        for (size_t i = 0; i < d.entities.size(); ++i) {
            const EntityDescription& e = d.entities[i];
            if (isStandIn(UnitKind::Entity, i) || e.keyframerCount == 0 ||
                e.type == MotionType::ANIMATE) {
                continue;
            }
            warn("KeyframersNotAnimate", fieldLine(UnitKind::Entity, i, "KEYFRAMERCOUNT:"),
                 std::string(entityKindName(e.entityType)) + " '" + str(e.name) + "' has " +
                     plural(e.keyframerCount, "keyframer", "keyframers") + " but its TYPE is " +
                     motionName(e.type) + ": only ANIMATE entities are animated");
        }
    }

    void run(CheckReport* report) {
        for (const Unit& u : seg.units) {
            lines.byKind[int32_t(u.kind)].push_back(&u);
        }
        // A description read up to an error holds the texture references before it.
        report->textures = textureUses(d);
        std::set<std::string> cameras;
        auto camera = [&](const TextureRef& t) {
            if (t.kind == TextureType::DYNAMIC) cameras.insert(str(t.link));
        };
        for (const BackgroundDescription& b : d.hud.backgrounds) camera(b.texture);
        for (const ButtonDescription& b : d.hud.buttons) camera(b.texture);
        for (const ParticleSystemDescription& p : d.particleSystems) camera(p.texture);
        for (const MaterialDescription& m : d.materials) camera(m.texture);
        for (const KeyDescription& k : d.keys) {
            if (k.texture.linkLine > 0) camera(k.texture); // MATERIAL keys only
        }
        report->summary.textures = int32_t(report->textures.size() + cameras.size());
        // Cross-references are only sound over a whole file: a name may be in the unread part.
        if (report->complete) {
            WarningSkips skips;
            for (const auto& [kind, ordinal] : standIns) {
                if (kind == int32_t(UnitKind::Entity)) skips.entities.push_back(ordinal);
                if (kind == int32_t(UnitKind::Button)) skips.buttons.push_back(ordinal);
            }
            for (SceneWarning& w : descriptionWarnings(d, text, skips)) {
                warn(w.code.c_str(), w.line, std::move(w.message));
            }
            checkNamesAndKeyframers();
        }
        for (Finding& w : warnings) report->findings.push_back(std::move(w));
        sortFindings(report);
    }
};

std::string_view tokenAt(const std::string& text, const Segmentation& s, int32_t i) {
    const Token& t = s.tokens[size_t(i)];
    return std::string_view(text).substr(t.begin, t.end - t.begin);
}

bool isKeyword(std::string_view token, std::string_view keyword) {
    return token.substr(0, keyword.size()) == keyword;
}

// A count and the records it announces: each record starts with `record`; the block ends at
// one of `stops` or at the end of the enclosing record.
struct CountRule {
    const char* keyword;
    const char* record;
    std::vector<const char*> stops;
    const char* one;
    const char* many;
};

const std::vector<CountRule>& countRules() {
    static const std::vector<CountRule> rules = {
        {"VERTEXCOUNT:", "POSITION:", {"SURFACECOUNT:", "TRIANGLECOUNT:"}, "vertex", "vertices"},
        {"SURFACECOUNT:", "TRIANGLECOUNT:", {}, "triangle block", "triangle blocks"},
        {"TRIANGLECOUNT:", nullptr, {}, "triangle", "triangles"},
        {"KEYFRAMERCOUNT:", "KEYFRAMETYPE:", {"CHILDCOUNT:"}, "keyframer", "keyframers"},
        {"KEYFRAMECOUNT:", "T:", {"KEYFRAMETYPE:", "CHILDCOUNT:"}, "key", "keys"},
    };
    return rules;
}

bool isInteger(std::string_view word) {
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && ptr == word.data() + word.size();
}

// The nearest mismatching count in the unit, at or before the error line.
std::string countNoteIn(const std::string& text, const Segmentation& s, const Unit& u,
                        int32_t errorLine) {
    int32_t last = u.firstToken;
    while (last < u.endToken && s.tokens[size_t(last)].line <= errorLine) ++last;
    for (int32_t i = last - 1; i >= u.firstToken; --i) {
        const std::string_view token = tokenAt(text, s, i);
        for (const CountRule& rule : countRules()) {
            const std::string_view keyword(rule.keyword);
            if (!isKeyword(token, keyword)) continue;
            int32_t next = i + 1;
            std::string_view value = token.substr(keyword.size());
            if (value.empty() && next < u.endToken) value = tokenAt(text, s, next++);
            int32_t declared = 0;
            if (!isInteger(value)) break;
            std::from_chars(value.data(), value.data() + value.size(), declared);
            int32_t found = 0;
            int32_t numbers = 0;
            for (int32_t j = next; j < u.endToken; ++j) {
                const std::string_view t = tokenAt(text, s, j);
                if (!rule.record) { // triangles: the index numbers up to the next word
                    if (!isInteger(t)) break;
                    ++numbers;
                    continue;
                }
                bool stop = false;
                for (const char* k : rule.stops) stop = stop || isKeyword(t, k);
                if (stop) break;
                found += isKeyword(t, rule.record);
            }
            const std::string says = "line " + std::to_string(s.tokens[size_t(i)].line) + " says " +
                                     std::string(keyword) + " " + std::string(value);
            if (!rule.record) {
                if (numbers == 3 * declared) break;
                if (numbers % 3 != 0) {
                    return says + " but " + std::to_string(numbers) +
                           " indices follow, which is not a whole number of triangles";
                }
                found = numbers / 3;
            } else if (keyword == "SURFACECOUNT:") {
                // The number is not read: a mesh is one triangle list, whatever it says.
                if (found <= 1) break;
                return says + " and " + std::to_string(found) +
                       " TRIANGLECOUNT blocks follow, but a mesh holds one: expected every "
                       "triangle in one block";
            } else if (found == declared) {
                break;
            }
            return says + " but " + std::to_string(found) + " " +
                   (found == 1 ? rule.one : rule.many) + (found == 1 ? " follows" : " follow");
        }
    }
    return {};
}

// The nearest count at or before the error (in the record the error is in, or the one before
// it, which a count too large runs out of) that the records after it do not match: "line 91 says
// KEYFRAMECOUNT: 3 but 2 keys follow". Empty when every count there matches.
std::string countNote(const std::string& text, const Segmentation& s, int32_t errorLine) {
    int32_t at = -1;
    for (size_t i = 0; i < s.units.size(); ++i) {
        const Unit& u = s.units[i];
        if (u.firstToken != u.endToken && u.line <= errorLine) at = int32_t(i);
    }
    for (int32_t k = at; k >= 0 && k >= at - 1; --k) {
        const std::string note = countNoteIn(text, s, s.units[size_t(k)], errorLine);
        if (!note.empty()) return note;
    }
    return {};
}

// The text of a line, found through the first token on it.
std::string_view lineText(const std::string& text, const Segmentation& s, int32_t line) {
    for (const Token& t : s.tokens) {
        if (t.line < line) continue;
        if (t.line > line) break;
        size_t begin = t.begin;
        while (begin > 0 && text[begin - 1] != '\n') --begin;
        const size_t end = text.find('\n', t.begin);
        return std::string_view(text).substr(begin, (end == std::string::npos ? text.size() : end) -
                                                        begin);
    }
    return {};
}

bool hasDecimalComma(std::string_view line) {
    for (size_t i = 1; i + 1 < line.size(); ++i) {
        if (line[i] == ',' && std::isdigit(static_cast<unsigned char>(line[i - 1])) &&
            std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
            return true;
        }
    }
    return false;
}

// When every section keyword is there once but not in the file's order, the one note that says
// so (the stand-ins would only find sections "missing" where they stand in the wrong place).
std::string sectionOrderNote(const std::string& text, const Segmentation& s) {
    static const char* const order[] = {
        "SCENECAMERA:",   "HUD:",           "BUTTONCOUNT:", "FORCECOUNT:",
        "PARTICLECOUNT:", "MATERIALCOUNT:", "MESHCOUNT:",   "SCENEGRAPH:"};
    int32_t at[8];
    for (int32_t k = 0; k < 8; ++k) {
        at[k] = -1;
        for (size_t i = 0; i < s.tokens.size() && at[k] < 0; ++i) {
            if (isKeyword(tokenAt(text, s, int32_t(i)), order[k])) at[k] = int32_t(i);
        }
        if (at[k] < 0) return {};
    }
    for (int32_t k = 1; k < 8; ++k) {
        for (int32_t j = 0; j < k; ++j) {
            if (at[j] < at[k]) continue;
            return std::string(order[j]) + " (line " +
                   std::to_string(s.tokens[size_t(at[j])].line) + ") comes after " + order[k] +
                   " (line " + std::to_string(s.tokens[size_t(at[k])].line) +
                   "): the sections are out of order; expected SCENECAMERA:, HUD: (with its "
                   "BACKGROUNDCOUNT: and BUTTONCOUNT:), FORCECOUNT:, PARTICLECOUNT:, "
                   "MATERIALCOUNT:, MESHCOUNT:, SCENEGRAPH: in this order";
        }
    }
    return {};
}

int32_t graphLine(const Segmentation& s) {
    for (const Unit& u : s.units) {
        if (u.kind == UnitKind::GraphHeader) return u.line;
    }
    return INT32_MAX;
}

// A '#' that does not open its line is text, not a comment: a note at each line that has one
// opening a word (tokens of comment lines are never made).
void commentNotes(std::string_view text, const std::vector<Token>& tokens,
                  std::vector<Finding>* findings) {
    int32_t noted = 0;
    for (const Token& t : tokens) {
        if (text[t.begin] != '#' || t.line == noted) continue;
        noted = t.line;
        findings->push_back({Severity::Note, t.line, "CommentInLine",
                             "'#' starts a comment only as the first character of a line (after "
                             "blanks); here it is read as part of the line: comments take a "
                             "whole line"});
    }
}

SceneSummary summarise(const SceneDescription& d) {
    SceneSummary s{};
    s.entities = int32_t(d.entities.size());
    s.meshes = int32_t(d.meshes.size());
    s.materials = int32_t(d.materials.size());
    s.particleSystems = int32_t(d.particleSystems.size());
    s.keyframers = int32_t(d.keyframers.size());
    s.buttons = int32_t(d.hud.buttons.size());
    s.backgrounds = int32_t(d.hud.backgrounds.size());
    s.forces = int32_t(d.forces.size());
    return s;
}

} // namespace

CheckReport checkScene(std::string_view original) {
    CheckReport report;
    // Editors may save a UTF-8 byte-order mark first; the parser skips it, and so does the rest.
    if (original.substr(0, 3) == "\xEF\xBB\xBF") original.remove_prefix(3);
    std::string text(original);
    SceneDescription d;
    ParseError error = parseScene(text, &d);
    report.loads = error.kind == ParseErrorKind::None;

    std::set<std::pair<int32_t, int32_t>> standIns;
    int32_t errors = 0;
    int32_t missingSections = 0;
    std::string orderNote;
    if (!report.loads) {
        const Segmentation first = segmentScene(text);
        for (const Unit& u : first.units) {
            missingSections +=
                u.kind != UnitKind::SceneCamera && isHeader(u.kind) && u.firstToken == u.endToken;
        }
        orderNote = sectionOrderNote(text, first);
    }
    while (error.kind != ParseErrorKind::None) {
        report.findings.push_back(
            {Severity::Error, error.line, parseErrorKindName(error.kind), error.message});
        if (++errors >= MAX_REPORTED_ERRORS) {
            report.findings.push_back({Severity::Note, 0, "TooManyErrors",
                                       "stopped after " + std::to_string(errors) + " errors"});
            report.complete = false;
            break;
        }
        const Segmentation seg = segmentScene(text);
        if (!orderNote.empty()) {
            report.findings.push_back({Severity::Note, error.line, "SectionOrder", orderNote});
            report.complete = false;
            break;
        }
        if (const std::string note = countNote(text, seg, error.line); !note.empty()) {
            report.findings.push_back({Severity::Note, error.line, "CountMismatch", note});
        }
        if ((error.kind == ParseErrorKind::ExpectedLiteral ||
             error.kind == ParseErrorKind::ExpectedNumber) &&
            hasDecimalComma(lineText(text, seg, error.line))) {
            report.findings.push_back(
                {Severity::Note, error.line, "DecimalComma",
                 "numbers use '.' as the decimal point; expected e.g. 0.5, not 0,5"});
        }
        if (missingSections >= 4) {
            report.findings.push_back(
                {Severity::Note, 0, "NotASceneFile",
                 "this does not look like a scene file: " + std::to_string(missingSections) +
                     " of its 7 section keywords (HUD:, FORCECOUNT:, PARTICLECOUNT:, "
                     "MATERIALCOUNT:, MESHCOUNT:, SCENEGRAPH:, BUTTONCOUNT:) are missing"});
            report.complete = false;
            break;
        }
        if (error.kind == ParseErrorKind::UnexpectedEnd ||
            (error.kind == ParseErrorKind::CountTooLarge && error.line >= graphLine(seg))) {
            const int32_t shortfall = entityShortfall(text, seg);
            const ChildCountGap gap = childCountGap(text, seg);
            if (error.line >= graphLine(seg) && shortfall > 0) {
                std::string which;
                if (gap.unit >= 0) {
                    const Unit& u = seg.units[size_t(gap.unit)];
                    which = "line " + std::to_string(keywordLine(text, seg, u, "CHILDCOUNT:")) +
                            " says CHILDCOUNT: " + std::to_string(gap.declared) + " for " +
                            wordAfter(text, seg, u, "ENTITY:") + " '" +
                            wordAfter(text, seg, u, "NAME:") + "' but " +
                            std::to_string(gap.found) + " of its children follow; ";
                }
                report.findings.push_back(
                    {Severity::Note, error.line, "ChildCountTooLarge",
                     which + "the CHILDCOUNTs announce " + std::to_string(shortfall) +
                         " more ENTITY " + (shortfall == 1 ? "record" : "records") +
                         " than follow; expected a CHILDCOUNT that counts only the records "
                         "below it"});
            }
            if (error.kind == ParseErrorKind::UnexpectedEnd) {
                report.complete = false;
                break;
            }
        }
        // A stand-in record cannot make a chain of records shallower: reading on would only
        // meet the same limit again a few lines away.
        std::vector<Repair> repairs;
        if (error.kind != ParseErrorKind::NestingTooDeep)
            repairs = repairsFor(text, seg, error.line);
        bool progressed = false;
        for (Repair& r : repairs) {
            SceneDescription next;
            const ParseError nextError = parseScene(r.text, &next);
            if (sameError(nextError, error)) continue;
            if (!r.note.empty()) {
                report.findings.push_back({Severity::Note, r.noteLine, r.code, r.note});
            }
            if (r.standInOrdinal >= 0) {
                standIns.insert({int32_t(r.standInKind), r.standInOrdinal});
            }
            text = std::move(r.text);
            d = std::move(next);
            error = nextError;
            progressed = true;
            break;
        }
        if (!progressed) {
            report.findings.push_back(
                {Severity::Note, error.line, "CannotReadOn",
                 "cannot read on past this error; the rest of the file is not checked"});
            report.complete = false;
            break;
        }
    }
    if (errors > 1 || (errors == 1 && report.complete && !report.loads)) {
        report.findings.push_back(
            {Severity::Note, 0, "ReadOn",
             "the engine stops at the first error; the checker read on past each broken record "
             "with a stand-in, so later findings may be consequences of earlier errors"});
    }
    report.summary = summarise(d);
    const Segmentation seg = segmentScene(text);
    // Of the file as written: stand-ins may have replaced a line with a '#' in it.
    if (original.find('#') != std::string_view::npos) {
        commentNotes(original, tokenize(original), &report.findings);
    }
    for (const MeshDescription& m : d.meshes) {
        if (m.file.text[0] != '\0') report.meshFiles.push_back({m.file.text, m.fileLine});
    }
    Checker checker{text, seg, d, standIns, {}, {}};
    checker.run(&report);
    return report;
}

void sortFindings(CheckReport* report) {
    auto& f = report->findings;
    const auto warnings = std::stable_partition(
        f.begin(), f.end(), [](const Finding& x) { return x.severity != Severity::Warning; });
    std::stable_sort(warnings, f.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

std::vector<Finding> checkMeshFile(std::string_view text) {
    std::vector<Finding> findings;
    MeshDescription mesh{};
    const ParseError error = parseMeshFile(text, &mesh);
    Segmentation s;
    s.tokens = tokenize(text);
    if (error.kind != ParseErrorKind::None) {
        findings.push_back(
            {Severity::Error, error.line, parseErrorKindName(error.kind), error.message});
        // The whole file is one mesh record.
        const Unit all{UnitKind::Mesh, 0, text.size(), 1, 0, int32_t(s.tokens.size()), 0};
        const std::string note = countNoteIn(std::string(text), s, all, error.line);
        if (!note.empty()) findings.push_back({Severity::Note, error.line, "CountMismatch", note});
    }
    commentNotes(text, s.tokens, &findings);
    return findings;
}

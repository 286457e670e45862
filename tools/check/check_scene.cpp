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

int32_t graphLine(const Segmentation& s) {
    for (const Unit& u : s.units) {
        if (u.kind == UnitKind::GraphHeader) return u.line;
    }
    return INT32_MAX;
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
    if (!report.loads) {
        const Segmentation first = segmentScene(text);
        for (const Unit& u : first.units) {
            missingSections +=
                u.kind != UnitKind::SceneCamera && isHeader(u.kind) && u.firstToken == u.endToken;
        }
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
            if (error.line >= graphLine(seg) && shortfall > 0) {
                report.findings.push_back(
                    {Severity::Note, error.line, "ChildCountTooLarge",
                     "the CHILDCOUNTs announce " + std::to_string(shortfall) + " more ENTITY " +
                         (shortfall == 1 ? "record" : "records") +
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

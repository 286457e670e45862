// krestel-check's checks over a scene file's text: the engine's parser for errors (reading on
// past each one with a stand-in record), with the notes that explain each (loader/notes.h, as the
// engine prints them under its error), then cross-reference and layout checks for what loads but
// is probably a mistake (most of them shared with the engine's load, loader/warnings.h). No GL,
// no files: texture and mesh files are checked by main.
#include "tools/check/check_scene.h"

#include "loader/notes.h"
#include "loader/parse.h"
#include "scene/scene.h"
#include "texture/registry.h"
#include "tools/check/stand_in.h"

#include <algorithm>
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
            repairs.push_back({replaceUnit(text, s, i),
                               "the section keyword '" + std::string(startKeywordOf(u.kind)) +
                                   "' is missing here",
                               u.line, "MissingKeyword"});
            break;
        }
    }
    // A count that does not match the records that follow it.
    if (const SectionCountGap gap = sectionCountGap(text, s, line); gap.header >= 0) {
        std::string counted = replaceCount(text, s, size_t(gap.header), gap.found);
        if (counted.empty()) counted = replaceUnit(text, s, size_t(gap.header));
        repairs.push_back({std::move(counted), gap.note.message, gap.note.line, "CountMismatch"});
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

    int32_t fieldLine(UnitKind kind, size_t ordinal, std::string_view keyword) const {
        const Unit* u = lines.unit(kind, ordinal);
        return u ? keywordLine(text, seg, *u, keyword) : 0;
    }

    // `keyword` is the line that holds the name ("NAME:" for entities).
    void checkDuplicates(UnitKind kind, const std::vector<std::string>& names, const char* what,
                         std::string_view keyword) {
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

        checkDuplicates(UnitKind::Mesh, meshNames, "MESH", keywordOf(MESH_LINE));
        checkDuplicates(UnitKind::Material, materialNames, "MATERIAL",
                        keywordOf(MATERIAL_LINES[0]));
        checkDuplicates(UnitKind::ParticleSystem, systemNames, "particle system",
                        keywordOf(SYSTEMNAME_LINE));
        checkDuplicates(UnitKind::Entity, entityNames, "entity", keywordOf(NAME_LINE));

        for (size_t i = 0; i < d.entities.size(); ++i) {
            const EntityDescription& e = d.entities[i];
            if (isStandIn(UnitKind::Entity, i) || e.keyframerCount == 0 ||
                e.type == MotionType::ANIMATE) {
                continue;
            }
            warn("KeyframersNotAnimate",
                 fieldLine(UnitKind::Entity, i, keywordOf(KEYFRAMERCOUNT_LINE)),
                 std::string(entityKindName(e.entityType)) + " '" + str(e.name) + "' has " +
                     plural(e.keyframerCount, "keyframer", "keyframers") + " but its TYPE is " +
                     variantName(MOTION_TYPES, e.type) + ": only ANIMATE entities are animated");
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

void addNote(CheckReport* report, const SceneNote& note) {
    report->findings.push_back({Severity::Note, note.line, note.code, note.message});
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
    // Of the file as written: the stand-ins make no section missing or out of order.
    const FileShape shape = report.loads ? FileShape{} : fileShape(text, segmentScene(text));
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
        const ErrorNotes explained = errorNotes(text, seg, error, shape);
        for (const SceneNote& n : explained.notes) addNote(&report, n);
        if (!explained.readOn) {
            report.complete = false;
            break;
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
        for (const SceneNote& n : commentNotes(original, tokenize(original))) addNote(&report, n);
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
    CheckReport report;
    MeshDescription mesh{};
    const ParseError error = parseMeshFile(text, &mesh);
    if (error.kind != ParseErrorKind::None) {
        report.findings.push_back(
            {Severity::Error, error.line, parseErrorKindName(error.kind), error.message});
        for (const SceneNote& n : meshFileCountNotes(text, error)) addNote(&report, n);
    }
    for (const SceneNote& n : commentNotes(text, tokenize(text))) addNote(&report, n);
    return std::move(report.findings);
}

// krestel-check's checks over a scene file's text: the engine's parser for errors (reading on
// past each one with a stand-in record), then cross-reference and layout checks for what loads
// but is probably a mistake. No GL, no files: image bytes are checked by tgaProblem.
#include "tools/check/check_scene.h"

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "loader/parse.h"
#include "scene/scene.h"
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
// "a GROUP", "an OBJECT".
std::string withArticle(const char* word) {
    return std::string(std::strchr("AEIOU", word[0]) ? "an " : "a ") + word;
}

const char* motionName(int32_t kind) {
    return kind >= 0 && kind < 3 ? MOTION_KINDS[kind] : "?";
}

// "Cube, Tri" (at most six, then "..."), or "none" when there are no names.
std::string nameList(const std::vector<std::string>& names) {
    if (names.empty()) return "there are none";
    std::string out;
    for (size_t i = 0; i < names.size() && i < 6; ++i) {
        if (i > 0) out += ", ";
        out += names[i];
    }
    if (names.size() > 6) out += ", ...";
    return "the names are " + out;
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
    std::vector<int32_t> textureTypeTokens; // indices of "TEXTURETYPE:" tokens, file order

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

    // First entity with the name, as the engine's lookup finds it; -1 for none.
    int32_t findEntity(const Word& name) const {
        for (size_t i = 0; i < d.entities.size(); ++i) {
            if (std::strcmp(d.entities[i].name.text, name.text) == 0) return int32_t(i);
        }
        return -1;
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

    void checkSceneCamera() {
        const int32_t e = findEntity(d.sceneCamera);
        const int32_t line = seg.units.empty() ? 1 : seg.units[0].line;
        if (e < 0) {
            warn("SceneCameraUnknown", line,
                 "SCENECAMERA '" + str(d.sceneCamera) +
                     "' names no entity; expected the name of a CAMERA entity (the view "
                     "starts at the origin looking along -Z)");
        } else if (d.entities[size_t(e)].entityType != EntityType::CAMERA &&
                   !isStandIn(UnitKind::Entity, size_t(e))) {
            warn("SceneCameraNotCamera", line,
                 "SCENECAMERA '" + str(d.sceneCamera) + "' names " +
                     withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                     " entity (line " + std::to_string(d.entities[size_t(e)].line) +
                     "); expected a CAMERA (the view starts at the origin looking along -Z)");
        }
    }

    void checkEntities() {
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
            if (isStandIn(UnitKind::Entity, i)) continue;
            const EntityDescription& e = d.entities[i];
            const std::string link = str(e.link);
            const std::string who = str(entityKindName(e.entityType)) + " '" + str(e.name) + "'";
            const int32_t linkLine = fieldLine(UnitKind::Entity, i, "LINK:");
            if (e.entityType == EntityType::OBJECT || e.entityType == EntityType::PARTICLE) {
                const bool object = e.entityType == EntityType::OBJECT;
                const std::vector<std::string>& pool = object ? meshNames : systemNames;
                const char* what = object ? "mesh" : "particle system";
                if (std::find(pool.begin(), pool.end(), link) == pool.end() || link == "None") {
                    std::string outcome;
                    if (pool.empty()) {
                        outcome = object ? "it has no mesh and draws nothing"
                                         : "it has no particle system and emits nothing";
                    } else {
                        outcome = str(object ? "it draws the first mesh, '"
                                             : "it emits from the first particle system, '") +
                                  pool[0] + "'";
                    }
                    warn("LinkUnknown", linkLine,
                         "LINK '" + link + "' of " + who + " names no " + what +
                             "; expected one (" + nameList(pool) + "): " + outcome);
                }
            } else if (link != "None") {
                warn("LinkIgnored", linkLine,
                     "LINK '" + link + "' of " + who +
                         " is ignored; expected None (only "
                         "OBJECT and PARTICLE entities link to something)");
            }
            const std::string material = str(e.material);
            if (material != "None" && std::find(materialNames.begin(), materialNames.end(),
                                                material) == materialNames.end()) {
                warn("MaterialUnknown", fieldLine(UnitKind::Entity, i, "MATERIAL:"),
                     "MATERIAL '" + material + "' of " + who +
                         " names no material; expected one (" + nameList(materialNames) +
                         ") or None: it gets an all-black material");
            }
            if (e.keyframerCount > 0 && e.type != MotionType::ANIMATE) {
                warn("KeyframersNotAnimate", fieldLine(UnitKind::Entity, i, "KEYFRAMERCOUNT:"),
                     who + " has " + plural(e.keyframerCount, "keyframer", "keyframers") +
                         " but its TYPE is " + motionName(e.type) +
                         ": only ANIMATE entities are animated");
            }
        }

        // Entity records past the end of the tree are never read.
        const auto& units = lines.byKind[int32_t(UnitKind::Entity)];
        if (units.size() > d.entities.size()) {
            const size_t extra = units.size() - d.entities.size();
            warn("EntitiesNotRead", units[d.entities.size()]->line,
                 "this ENTITY record" +
                     (extra > 1 ? " and the " + std::to_string(extra - 1) + " after it are"
                                : std::string(" is")) +
                     " never read: the CHILDCOUNTs above make a tree of " +
                     plural(int32_t(d.entities.size()), "entity", "entities") +
                     "; expected a CHILDCOUNT that counts it");
        }
    }

    void checkDynamicLink(const TextureRef& t, int32_t line, const std::string& owner) {
        if (t.kind != 0) return; // STATIC
        const int32_t e = findEntity(t.link);
        if (e < 0) {
            warn("DynamicLinkUnknown", line,
                 "the DYNAMIC texture of " + owner + " names '" + str(t.link) +
                     "', which is no entity; expected a CAMERA entity (it shows the view "
                     "from the root group)");
        } else if (d.entities[size_t(e)].entityType != EntityType::CAMERA &&
                   !isStandIn(UnitKind::Entity, size_t(e))) {
            warn("DynamicLinkNotCamera", line,
                 "the DYNAMIC texture of " + owner + " names '" + str(t.link) + "', " +
                     withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                     " entity; expected a CAMERA entity");
        }
    }

    static bool overlaps(Float2 aMin, Float2 aMax, Float2 bMin, Float2 bMax) {
        return aMin.x <= bMax.x && bMin.x <= aMax.x && aMin.y <= bMax.y && bMin.y <= aMax.y;
    }

    void checkHud() {
        // The engine's own table, so the checker knows exactly the names the engine binds.
        static const ActionTable* const table = createActionTable();
        std::string actionNames;
        for (int32_t i = 0; i < table->count; ++i) {
            if (i > 0) actionNames += ", ";
            actionNames += table->entries[i].name;
        }
        const auto& bgs = d.hud.backgrounds;
        for (size_t b = 0; b < d.hud.buttons.size(); ++b) {
            if (isStandIn(UnitKind::Button, b)) continue;
            const Button& button = d.hud.buttons[b].button;
            const std::string name = button.actionName;
            const std::string who = "button " + std::to_string(b + 1) + " (" + name + ")";
            const int32_t line = lines.lineOf(UnitKind::Button, b);
            ActionHandler handler = findAction(table, button.actionName);
            if (!handler) {
                warn("ActionUnknown", line,
                     "ACTIONNAME '" + name + "' is no action; expected one of " + actionNames +
                         ": the button does nothing");
            }
            const bool usesEntity =
                name == "ENTITYMOVE" || name == "ENTITYROTATE" || name == "PARTICLESYSTEMSTATE";
            if (usesEntity) {
                const int32_t linkLine = fieldLine(UnitKind::Button, b, "ACTIONLINK:");
                const int32_t e = findEntity(makeWord(button.actionLink));
                if (e < 0) {
                    warn("ActionLinkUnknown", linkLine,
                         "ACTIONLINK '" + str(button.actionLink) + "' of " + who +
                             " names no entity; expected an entity name (the action "
                             "works on the root group, the whole scene)");
                } else if (name == "PARTICLESYSTEMSTATE" &&
                           d.entities[size_t(e)].entityType != EntityType::PARTICLE &&
                           !isStandIn(UnitKind::Entity, size_t(e))) {
                    warn("ActionLinkNotParticle", linkLine,
                         "ACTIONLINK '" + str(button.actionLink) + "' of " + who + " names " +
                             withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                             " entity; expected a PARTICLE entity: the button does "
                             "nothing");
                }
            }
            bool reachable = false;
            for (const BackgroundDescription& bg : bgs) {
                reachable = reachable ||
                            overlaps(button.min, button.max, bg.background.min, bg.background.max);
            }
            if (!reachable) {
                char area[160];
                std::snprintf(area, sizeof(area), "MIN %g %g, MAX %g %g", button.min.x,
                              button.min.y, button.max.x, button.max.y);
                warn("ButtonUnreachable", line,
                     who + " lies outside every background (its " + area + ")" +
                         (bgs.empty() ? " and there is none" : "") +
                         ": it can never be pressed; expected it over a background");
            }
        }
    }

    // Every texture reference in file order, with its TEXTURETYPE line and owner.
    void checkTextures(std::vector<TextureUse>* uses, int32_t* textureCount, bool linksToo) {
        struct Ref {
            const TextureRef* ref;
            std::string owner;
        };
        std::vector<Ref> refs;
        for (size_t i = 0; i < d.hud.backgrounds.size(); ++i) {
            refs.push_back({&d.hud.backgrounds[i].texture, "background " + std::to_string(i + 1)});
        }
        for (size_t i = 0; i < d.hud.buttons.size(); ++i) {
            refs.push_back({&d.hud.buttons[i].texture, "button " + std::to_string(i + 1)});
        }
        for (const ParticleSystemDescription& p : d.particleSystems) {
            refs.push_back({&p.texture, "particle system '" + str(p.name) + "'"});
        }
        for (const MaterialDescription& m : d.materials) {
            refs.push_back({&m.texture, "material '" + str(m.material.name) + "'"});
        }
        for (const EntityDescription& e : d.entities) {
            for (int32_t k = 0; k < e.keyframerCount; ++k) {
                const KeyframerDescription& kd = d.keyframers[size_t(e.firstKeyframer + k)];
                if (kd.keyframeType != KeyframeType::MATERIAL) continue;
                for (int32_t i = 0; i < kd.keyCount; ++i) {
                    refs.push_back({&d.keys[size_t(kd.firstKey + i)].texture,
                                    "a MATERIAL key of '" + str(e.name) + "'"});
                }
            }
        }
        // A description read up to an error holds the texture references before it, so the
        // references and the TEXTURETYPE lines agree from the start of the file.
        std::set<std::string> files, cameras;
        for (size_t i = 0; i < refs.size(); ++i) {
            const TextureRef& t = *refs[i].ref;
            int32_t typeLine = 0, fileLine = 0, linkLine = 0;
            if (i < lines.textureTypeTokens.size()) {
                const int32_t tok = lines.textureTypeTokens[i];
                typeLine = seg.tokens[size_t(tok)].line;
                // LINK or "(name)" follows the type word; TEXTURE follows that.
                linkLine = size_t(tok) + 2 < seg.tokens.size() ? seg.tokens[size_t(tok) + 2].line
                                                               : typeLine;
                fileLine = typeLine;
                for (size_t j = size_t(tok) + 1; j < seg.tokens.size() && j < size_t(tok) + 6;
                     ++j) {
                    const Token& k = seg.tokens[j];
                    if (text.compare(k.begin, 8, "TEXTURE:") == 0) {
                        fileLine = k.line;
                        break;
                    }
                }
            }
            if (t.kind == 0) {
                cameras.insert(str(t.link));
                if (linksToo) checkDynamicLink(t, linkLine, refs[i].owner);
            } else if (str(t.file) != "None" && files.insert(str(t.file)).second) {
                uses->push_back({str(t.file), fileLine});
            }
        }
        *textureCount = int32_t(files.size() + cameras.size());
    }

    void run(CheckReport* report) {
        for (const Unit& u : seg.units) {
            lines.byKind[int32_t(u.kind)].push_back(&u);
        }
        for (size_t i = 0; i < seg.tokens.size(); ++i) {
            const Token& t = seg.tokens[i];
            const std::string_view word(text.data() + t.begin, t.end - t.begin);
            const bool isValue =
                i > 0 &&
                std::string_view(text.data() + seg.tokens[i - 1].begin,
                                 seg.tokens[i - 1].end - seg.tokens[i - 1].begin) == "TEXTURETYPE:";
            if (!isValue && word.substr(0, 12) == "TEXTURETYPE:") {
                lines.textureTypeTokens.push_back(int32_t(i));
            }
        }
        checkTextures(&report->textures, &report->summary.textures, report->complete);
        // Cross-references are only sound over a whole file: a name may be in the unread part.
        if (report->complete) {
            checkSceneCamera();
            checkEntities();
            checkHud();
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

std::string tgaProblem(const uint8_t* bytes, size_t size) {
    constexpr size_t HEADER = 18;
    if (size < HEADER) {
        return "has " + std::to_string(size) + " bytes; expected at least the 18-byte TGA header";
    }
    const unsigned idLength = bytes[0];
    const unsigned colourMapType = bytes[1];
    const unsigned imageType = bytes[2];
    const unsigned width = bytes[12] | (unsigned{bytes[13]} << 8);
    const unsigned height = bytes[14] | (unsigned{bytes[15]} << 8);
    const unsigned depth = bytes[16];
    const unsigned descriptor = bytes[17];
    if (imageType != 2) {
        const char* what = imageType == 1    ? "colour-mapped"
                           : imageType == 3  ? "greyscale"
                           : imageType == 9  ? "run-length encoded colour-mapped"
                           : imageType == 10 ? "run-length encoded true-colour"
                           : imageType == 11 ? "run-length encoded greyscale"
                                             : "of an unknown kind";
        return "is " + std::string(what) + " (image type " + std::to_string(imageType) +
               "); expected uncompressed true-colour (type 2)";
    }
    if (depth != 24 && depth != 32) {
        return "has " + std::to_string(depth) + " bits per pixel; expected 24 or 32";
    }
    if (colourMapType != 0) return "has a colour map; expected none";
    if (idLength != 0) {
        return "has an image ID of " + std::to_string(idLength) +
               " bytes before its pixels; expected none (the pixels are read shifted)";
    }
    if (width == 0 || height == 0) {
        return "is " + std::to_string(width) + " by " + std::to_string(height) +
               "; expected an image with pixels";
    }
    const uint64_t needed = HEADER + uint64_t{width} * height * (depth / 8);
    if (size < needed) {
        return "has " + std::to_string(size) + " bytes; a " + std::to_string(width) + " by " +
               std::to_string(height) + " " + std::to_string(depth) + "-bit image needs " +
               std::to_string(needed);
    }
    if (descriptor & 0x20) {
        return "stores its rows top first (image descriptor bit 5); expected bottom first: the "
               "engine does not flip rows, so it shows upside down";
    }
    return {};
}

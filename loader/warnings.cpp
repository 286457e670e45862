// The scene warnings shared by the engine and krestel-check: cross-reference checks over the
// parsed records (names are looked up through hash indexes, so a scene of a hundred thousand
// entities costs a few milliseconds), the scan of the text after the scene graph, and the texture
// file check, from what the registry's reader found (or, for krestel-check, reads here).
#include "loader/warnings.h"

#include "loader/vocabulary.h"
#include "loader/write_records.h"

#include "anim/keyframe.h"
#include "hud/actions.h"
#include "scene/scene.h"
#include "texture/registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <utility>

namespace {

std::string str(const Word& w) {
    return std::string(w.text);
}
std::string str(const PathWord& w) {
    return std::string(w.text);
}

// "the names are Cube, Tri" (at most six, then "..."), or "there are none". "None" is the word
// for no reference, never a name to pick, even where a stand-in record carries it.
std::string nameList(const std::vector<std::string>& names) {
    std::string out;
    int32_t shown = 0;
    for (const std::string& name : names) {
        if (name == "None") continue;
        if (shown == 6) {
            out += ", ...";
            break;
        }
        out += (shown++ > 0 ? ", " : "") + name;
    }
    return shown == 0 ? "there are none" : "the names are " + out;
}

std::string didYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    const std::string close = closestName(name, candidates);
    return close.empty() ? "" : "; did you mean '" + close + "'?";
}

// First index of each name, as the engine's linear lookups find it.
std::unordered_map<std::string_view, int32_t> indexOf(const std::vector<std::string>& names) {
    std::unordered_map<std::string_view, int32_t> index;
    index.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) index.emplace(names[i], int32_t(i));
    return index;
}

struct Checks {
    const SceneDescription& d;
    std::string_view text;
    const WarningSkips& skips;
    std::vector<std::string> meshNames, systemNames, materialNames, entityNames;
    std::unordered_map<std::string_view, int32_t> meshes, systems, materials, entities;
    std::vector<SceneWarning> out;

    void warn(const char* code, int32_t line, std::string message) {
        out.push_back({line, code, std::move(message)});
    }

    bool skipped(const std::vector<int32_t>& list, size_t i) const {
        return std::find(list.begin(), list.end(), int32_t(i)) != list.end();
    }

    int32_t findEntity(const char* name) const {
        const auto it = entities.find(name);
        return it == entities.end() ? -1 : it->second;
    }

    void indexNames() {
        for (const MeshDescription& m : d.meshes) meshNames.push_back(str(m.name));
        for (const ParticleSystemDescription& p : d.particleSystems) {
            systemNames.push_back(str(p.name));
        }
        for (const MaterialDescription& m : d.materials) materialNames.push_back(m.material.name);
        for (const EntityDescription& e : d.entities) entityNames.push_back(str(e.name));
        meshes = indexOf(meshNames);
        systems = indexOf(systemNames);
        materials = indexOf(materialNames);
        entities = indexOf(entityNames);
    }

    void sceneCamera() {
        const int32_t e = findEntity(d.sceneCamera.text);
        const int32_t line = d.sceneCameraLine > 0 ? d.sceneCameraLine : 1;
        if (e < 0) {
            warn("SceneCameraUnknown", line,
                 "SCENECAMERA '" + str(d.sceneCamera) +
                     "' names no entity; expected the name of a CAMERA entity (the view "
                     "starts at the origin looking along -Z)" +
                     didYouMean(d.sceneCamera.text, entityNames));
        } else if (d.entities[size_t(e)].entityType != EntityType::CAMERA &&
                   !skipped(skips.entities, size_t(e))) {
            warn("SceneCameraNotCamera", line,
                 "SCENECAMERA '" + str(d.sceneCamera) + "' names " +
                     withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                     " entity (line " + std::to_string(d.entities[size_t(e)].line) +
                     "); expected a CAMERA (the view starts at the origin looking along -Z)");
        }
    }

    void entityLinks() {
        for (size_t i = 0; i < d.entities.size(); ++i) {
            if (skipped(skips.entities, i)) continue;
            const EntityDescription& e = d.entities[i];
            const std::string_view link = e.link.text;
            if (e.entityType == EntityType::OBJECT || e.entityType == EntityType::PARTICLE) {
                const bool object = e.entityType == EntityType::OBJECT;
                const auto& index = object ? meshes : systems;
                const std::vector<std::string>& pool = object ? meshNames : systemNames;
                if (link == "None" || index.find(link) == index.end()) {
                    std::string outcome;
                    if (pool.empty()) {
                        outcome = object ? "it has no mesh and draws nothing"
                                         : "it has no particle system and emits nothing";
                    } else {
                        outcome = std::string(object ? "it draws the first mesh, '"
                                                     : "it emits from the first particle "
                                                       "system, '") +
                                  pool[0] + "'";
                    }
                    warn("LinkUnknown", e.linkLine,
                         "LINK '" + str(e.link) + "' of " + who(e) + " names no " +
                             (object ? "mesh" : "particle system") + "; expected one (" +
                             nameList(pool) + "): " + outcome +
                             (link == "None" ? "" : didYouMean(link, pool)));
                }
            } else if (link != "None") {
                warn("LinkIgnored", e.linkLine,
                     "LINK '" + str(e.link) + "' of " + who(e) +
                         " is ignored; expected None (only OBJECT and PARTICLE entities link "
                         "to something)");
            }
            const std::string_view material = e.material.text;
            if (material != "None" && materials.find(material) == materials.end()) {
                warn("MaterialUnknown", e.materialLine,
                     "MATERIAL '" + str(e.material) + "' of " + who(e) +
                         " names no material; expected one (" + nameList(materialNames) +
                         ") or None: it gets an all-black material" +
                         didYouMean(material, materialNames));
            }
        }
    }

    static std::string who(const EntityDescription& e) {
        return std::string(entityKindName(e.entityType)) + " '" + str(e.name) + "'";
    }

    // What the file says and the engine does not use: an entity's SCALE (entities have no
    // scale) and the scene camera's ROTATION (the view starts level).
    void ignoredTransforms() {
        for (size_t i = 0; i < d.entities.size(); ++i) {
            const EntityDescription& e = d.entities[i];
            const Float3 s = e.scale;
            if (skipped(skips.entities, i) || (s.x == 1.0f && s.y == 1.0f && s.z == 1.0f)) continue;
            warn("ScaleIgnored", e.transformLine,
                 "SCALE " + numbersText({s.x, s.y, s.z}) + " of " + who(e) +
                     " is ignored: entities have no scale; expected SCALE: 1 1 1" +
                     (e.entityType == EntityType::OBJECT
                          ? " (to size a model, import it again with krestel-import --scale or "
                            "--fit)"
                          : ""));
        }
        const int32_t c = findEntity(d.sceneCamera.text);
        if (c < 0 || skipped(skips.entities, size_t(c))) return;
        const EntityDescription& e = d.entities[size_t(c)];
        if (e.entityType != EntityType::CAMERA || e.rotationAngle == 0.0f) return;
        const Float3 a = e.rotationAxis;
        warn("CameraRotationIgnored", e.transformLine,
             "ROTATION " + numbersText({e.rotationAngle, a.x, a.y, a.z}) +
                 " of the scene camera '" + str(e.name) +
                 "' is ignored: the view starts level, looking along -Z; expected ROTATION: 0 0 "
                 "1 0 (fly the camera to the view you want and press F3 for its POSITION line)");
    }

    // Records after the scene graph are never read. The one that would take the first of them in
    // is the parent of the last record read: one more in its CHILDCOUNT makes it the next child.
    void afterGraph() {
        size_t at = std::min(d.graphEnd, text.size());
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at >= text.size() || d.entities.empty()) return;
        const int32_t line = 1 + int32_t(std::count(text.begin(), text.begin() + long(at), '\n'));
        int32_t records = 0;
        const std::string_view entity = keywordOf(ENTITY_LINE),
                               separator = keywordOf(SEPARATOR_LINE);
        for (size_t k = text.find(entity, at); k != std::string_view::npos;
             k = text.find(entity, k + entity.size())) {
            records += k == 0 || std::isspace(static_cast<unsigned char>(text[k - 1]));
        }
        const std::string_view rest = text.substr(at);
        const bool isRecord = rest.starts_with(separator) || rest.starts_with(entity);
        if (!isRecord || records == 0) {
            warn("TextAfterGraph", line,
                 "text after the end of the scene graph is never read; expected nothing after "
                 "the last record's CHILDCOUNT (line " +
                     std::to_string(d.entities.back().childCountLine) + ")");
            return;
        }
        const EntityDescription& last = d.entities.back();
        const EntityDescription& taker = last.parent >= 0 ? d.entities[size_t(last.parent)] : last;
        warn("EntitiesNotRead", line,
             "this ENTITY record" +
                 (records > 1 ? " and the " + std::to_string(records - 1) + " after it are"
                              : std::string(" is")) +
                 " never read: the CHILDCOUNTs above make a tree of " +
                 plural(int32_t(d.entities.size()), "entity", "entities") +
                 "; expected a CHILDCOUNT that counts it, e.g. CHILDCOUNT: " +
                 std::to_string(taker.childCount + 1) + " at line " +
                 std::to_string(taker.childCountLine) + " (" + entityKindName(taker.entityType) +
                 " '" + str(taker.name) + "')");
    }

    void dynamicLink(const TextureRef& t, const std::string& owner) {
        if (t.kind != TextureType::DYNAMIC) return;
        const int32_t e = findEntity(t.link.text);
        if (e < 0) {
            warn("DynamicLinkUnknown", t.linkLine,
                 "the DYNAMIC texture of " + owner + " names '" + str(t.link) +
                     "', which is no entity; expected a CAMERA entity (it shows the view "
                     "from the root group)" +
                     didYouMean(t.link.text, entityNames));
        } else if (d.entities[size_t(e)].entityType != EntityType::CAMERA &&
                   !skipped(skips.entities, size_t(e))) {
            warn("DynamicLinkNotCamera", t.linkLine,
                 "the DYNAMIC texture of " + owner + " names '" + str(t.link) + "', " +
                     withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                     " entity; expected a CAMERA entity");
        }
    }

    void dynamicLinks() {
        for (size_t i = 0; i < d.hud.backgrounds.size(); ++i) {
            dynamicLink(d.hud.backgrounds[i].texture, "background " + std::to_string(i + 1));
        }
        for (size_t i = 0; i < d.hud.buttons.size(); ++i) {
            dynamicLink(d.hud.buttons[i].texture, "button " + std::to_string(i + 1));
        }
        for (const ParticleSystemDescription& p : d.particleSystems) {
            dynamicLink(p.texture, "particle system '" + str(p.name) + "'");
        }
        for (const MaterialDescription& m : d.materials) {
            dynamicLink(m.texture, "material '" + std::string(m.material.name) + "'");
        }
        for (const EntityDescription& e : d.entities) {
            for (int32_t k = 0; k < e.keyframerCount; ++k) {
                const KeyframerDescription& kd = d.keyframers[size_t(e.firstKeyframer + k)];
                if (kd.keyframeType != KeyframeType::MATERIAL) continue;
                for (int32_t i = 0; i < kd.keyCount; ++i) {
                    dynamicLink(d.keys[size_t(kd.firstKey + i)].texture,
                                "a MATERIAL key of '" + str(e.name) + "'");
                }
            }
        }
    }

    static bool overlaps(Float2 aMin, Float2 aMax, Float2 bMin, Float2 bMax) {
        return aMin.x <= bMax.x && bMin.x <= aMax.x && aMin.y <= bMax.y && bMin.y <= aMax.y;
    }

    void buttons() {
        // The engine's own table, so the check knows exactly the names the engine binds.
        static const ActionTable* const table = createActionTable();
        std::string actionNames;
        for (int32_t i = 0; i < table->count; ++i) {
            actionNames += (i > 0 ? ", " : "") + std::string(table->entries[i].name);
        }
        const auto& bgs = d.hud.backgrounds;
        for (size_t b = 0; b < d.hud.buttons.size(); ++b) {
            if (skipped(skips.buttons, b)) continue;
            const ButtonDescription& bd = d.hud.buttons[b];
            const Button& button = bd.button;
            const std::string name = button.actionName;
            const std::string who = "button " + std::to_string(b + 1) + " (" + name + ")";
            if (!findAction(table, button.actionName)) {
                warn("ActionUnknown", bd.line,
                     "ACTIONNAME '" + name + "' is no action; expected one of " + actionNames +
                         ": the button does nothing");
            }
            if (name == "ENTITYMOVE" || name == "ENTITYROTATE" || name == "PARTICLESYSTEMSTATE") {
                const int32_t e = findEntity(button.actionLink);
                if (e < 0) {
                    warn("ActionLinkUnknown", bd.actionLinkLine,
                         "ACTIONLINK '" + std::string(button.actionLink) + "' of " + who +
                             " names no entity; expected an entity name (the action works on "
                             "the root group, the whole scene)" +
                             didYouMean(button.actionLink, entityNames));
                } else if (name == "PARTICLESYSTEMSTATE" &&
                           d.entities[size_t(e)].entityType != EntityType::PARTICLE &&
                           !skipped(skips.entities, size_t(e))) {
                    warn("ActionLinkNotParticle", bd.actionLinkLine,
                         "ACTIONLINK '" + std::string(button.actionLink) + "' of " + who +
                             " names " +
                             withArticle(entityKindName(d.entities[size_t(e)].entityType)) +
                             " entity; expected a PARTICLE entity: the button does nothing");
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
                warn("ButtonUnreachable", bd.line,
                     who + " lies outside every background (its " + area + ")" +
                         (bgs.empty() ? " and there is none" : "") +
                         ": it can never be pressed; expected it over a background");
            }
        }
    }
};

void sortByLine(std::vector<SceneWarning>* warnings) {
    std::stable_sort(warnings->begin(), warnings->end(),
                     [](const SceneWarning& a, const SceneWarning& b) { return a.line < b.line; });
}

} // namespace

std::vector<SceneWarning> descriptionWarnings(const SceneDescription& d, std::string_view text,
                                              const WarningSkips& skips) {
    Checks checks{d, text, skips, {}, {}, {}, {}, {}, {}, {}, {}, {}};
    checks.indexNames();
    checks.sceneCamera();
    checks.entityLinks();
    checks.ignoredTransforms();
    checks.afterGraph();
    checks.dynamicLinks();
    checks.buttons();
    sortByLine(&checks.out);
    return std::move(checks.out);
}

std::vector<TextureUse> textureUses(const SceneDescription& d) {
    std::vector<const TextureRef*> refs;
    for (const BackgroundDescription& b : d.hud.backgrounds) refs.push_back(&b.texture);
    for (const ButtonDescription& b : d.hud.buttons) refs.push_back(&b.texture);
    for (const ParticleSystemDescription& p : d.particleSystems) refs.push_back(&p.texture);
    for (const MaterialDescription& m : d.materials) refs.push_back(&m.texture);
    for (const KeyDescription& k : d.keys) {
        if (k.texture.fileLine > 0) refs.push_back(&k.texture); // MATERIAL keys only
    }
    std::vector<TextureUse> uses;
    std::set<std::string> seen;
    for (const TextureRef* t : refs) {
        if (t->kind != TextureType::STATIC || wordEquals(t->file, "None")) continue;
        if (seen.insert(str(t->file)).second) uses.push_back({str(t->file), t->fileLine});
    }
    return uses;
}

std::vector<SceneWarning> textureFileWarnings(const std::vector<TextureUse>& uses,
                                              const std::vector<UnreadTexture>& unread,
                                              const char* folder) {
    std::vector<SceneWarning> out;
    std::vector<std::string> beside; // listed once, only when a file is missing
    bool listed = false;
    for (const TextureUse& use : uses) {
        const auto found =
            std::find_if(unread.begin(), unread.end(),
                         [&use](const UnreadTexture& u) { return u.fileName == use.file; });
        if (found == unread.end()) continue;
        const ImageFile& file = found->file;
        if (file.openError == 0) {
            out.push_back({use.line, "TextureUnsupported",
                           "texture '" + use.file + "' cannot be read: " + file.problem +
                               "; it is drawn white"});
            continue;
        }
        if (!listed) {
            const std::string base = texturePath(folder, "");
            std::error_code ec;
            for (const auto& entry :
                 std::filesystem::directory_iterator(base.empty() ? "." : base, ec)) {
                beside.push_back(entry.path().filename().string());
            }
            listed = true;
        }
        out.push_back({use.line, "TextureUnsupported",
                       "texture '" + use.file + "' cannot be opened (" +
                           std::strerror(file.openError) +
                           "); expected a TGA, PNG or JPEG file: it is drawn white" +
                           didYouMean(use.file, beside)});
    }
    return out;
}

std::vector<SceneWarning> textureFileWarnings(const std::vector<TextureUse>& uses,
                                              const char* folder) {
    std::vector<UnreadTexture> unread;
    for (const TextureUse& use : uses) {
        ImageFile file = readImageFile(texturePath(folder, use.file).c_str());
        destroyImage(file.image);
        file.image = nullptr;
        if (file.openError != 0 || !file.problem.empty())
            unread.push_back({use.file, std::move(file)});
    }
    return textureFileWarnings(uses, unread, folder);
}

std::vector<std::string> warningLines(const char* path, std::vector<SceneWarning> warnings) {
    sortByLine(&warnings);
    std::vector<std::string> lines;
    for (const SceneWarning& w : warnings) {
        std::string at = w.line > 0 ? " line " + std::to_string(w.line) : "";
        lines.push_back("WARNING: '" + std::string(path) + "'" + at + ": " + w.message);
    }
    return lines;
}

std::vector<std::string> sceneWarningLines(const char* path, std::string_view text,
                                           const char* sceneFolder) {
    SceneDescription d;
    if (parseScene(text, &d).kind != ParseErrorKind::None) return {};
    std::vector<SceneWarning> warnings = descriptionWarnings(d, text);
    for (SceneWarning& w : textureFileWarnings(textureUses(d), sceneFolder)) {
        warnings.push_back(std::move(w));
    }
    return warningLines(path, std::move(warnings));
}

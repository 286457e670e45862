// The explaining notes, worked out from the text cut into sections and records (loader/segment.h)
// and the counting rules of loader/vocabulary.h.
#include "loader/notes.h"

#include "loader/parse.h"
#include "loader/scan.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <filesystem>

namespace {

std::string_view tokenAt(std::string_view text, const Segmentation& s, int32_t i) {
    const Token& t = s.tokens[size_t(i)];
    return text.substr(t.begin, t.end - t.begin);
}

bool isKeyword(std::string_view token, std::string_view keyword) {
    return token.substr(0, keyword.size()) == keyword;
}

bool isInteger(std::string_view word) {
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && ptr == word.data() + word.size();
}

// A word of the file as a message shows it: unprintable bytes as '?', a long word cut.
std::string shown(std::string_view word) {
    const std::string quoted = quoteWord(word.data(), word.data() + word.size());
    return quoted.substr(1, quoted.size() - 2);
}

// The nearest mismatching count in the unit, at or before the error line.
std::string countNoteIn(std::string_view text, const Segmentation& s, const Unit& u,
                        int32_t errorLine) {
    int32_t last = u.firstToken;
    while (last < u.endToken && s.tokens[size_t(last)].line <= errorLine) ++last;
    for (int32_t i = last - 1; i >= u.firstToken; --i) {
        const std::string_view token = tokenAt(text, s, i);
        for (const CountRule& rule : COUNT_RULES) {
            const std::string_view keyword = rule.keyword;
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
                if (rule.record.empty()) { // triangles: the index numbers up to the next word
                    if (!isInteger(t)) break;
                    ++numbers;
                    continue;
                }
                bool stop = false;
                for (std::string_view k : rule.stops)
                    stop = stop || (!k.empty() && isKeyword(t, k));
                if (stop) break;
                found += isKeyword(t, rule.record);
            }
            const std::string says = "line " + std::to_string(s.tokens[size_t(i)].line) + " says " +
                                     std::string(keyword) + " " + std::string(value);
            if (rule.record.empty()) {
                if (numbers == 3 * declared) break;
                if (numbers % 3 != 0) {
                    return says + " but " + std::to_string(numbers) +
                           " indices follow, which is not a whole number of triangles";
                }
                found = numbers / 3;
            } else if (keyword == keywordOf(SURFACECOUNT_LINE)) {
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
// it, which a count too large runs out of) that the records after it do not match. Empty when
// every count there matches.
std::string countNote(std::string_view text, const Segmentation& s, int32_t errorLine) {
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
std::string_view lineText(std::string_view text, const Segmentation& s, int32_t line) {
    for (const Token& t : s.tokens) {
        if (t.line < line) continue;
        if (t.line > line) break;
        size_t begin = t.begin;
        while (begin > 0 && text[begin - 1] != '\n') --begin;
        const size_t end = text.find('\n', t.begin);
        return text.substr(begin, (end == std::string_view::npos ? text.size() : end) - begin);
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
std::string sectionOrderNote(std::string_view text, const Segmentation& s) {
    int32_t at[SECTION_COUNT];
    for (int32_t k = 0; k < SECTION_COUNT; ++k) {
        at[k] = -1;
        for (size_t i = 0; i < s.tokens.size() && at[k] < 0; ++i) {
            if (isKeyword(tokenAt(text, s, int32_t(i)), SCENE_SECTIONS[k].headerKeywords[0])) {
                at[k] = int32_t(i);
            }
        }
        if (at[k] < 0) return {};
    }
    for (int32_t k = 1; k < SECTION_COUNT; ++k) {
        for (int32_t j = 0; j < k; ++j) {
            if (at[j] < at[k]) continue;
            return std::string(SCENE_SECTIONS[j].headerKeywords[0]) + " (line " +
                   std::to_string(s.tokens[size_t(at[j])].line) + ") comes after " +
                   std::string(SCENE_SECTIONS[k].headerKeywords[0]) + " (line " +
                   std::to_string(s.tokens[size_t(at[k])].line) +
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

// The CHILDCOUNT too large that the text ran out of entities for.
std::string childCountNote(std::string_view text, const Segmentation& s) {
    const int32_t shortfall = entityShortfall(text, s);
    if (shortfall <= 0) return {};
    std::string which;
    if (const ChildCountGap gap = childCountGap(text, s); gap.unit >= 0) {
        const Unit& u = s.units[size_t(gap.unit)];
        const std::string_view childCount = keywordOf(CHILDCOUNT_LINE);
        which = "line " + std::to_string(keywordLine(text, s, u, childCount)) + " says " +
                std::string(childCount) + " " + std::to_string(gap.declared) + " for " +
                shown(wordAfter(text, s, u, keywordOf(ENTITY_LINE))) + " '" +
                shown(wordAfter(text, s, u, keywordOf(NAME_LINE))) + "' but " +
                std::to_string(gap.found) + " of its children follow; ";
    }
    return which + "the CHILDCOUNTs announce " + std::to_string(shortfall) + " more ENTITY " +
           (shortfall == 1 ? "record" : "records") +
           " than follow; expected a CHILDCOUNT that counts only the records below it";
}

} // namespace

FileShape fileShape(std::string_view text, const Segmentation& s) {
    FileShape shape;
    for (const Unit& u : s.units) {
        shape.missingSections +=
            u.kind != UnitKind::SceneCamera && isHeader(u.kind) && u.firstToken == u.endToken;
    }
    shape.sectionOrder = sectionOrderNote(text, s);
    return shape;
}

ErrorNotes errorNotes(std::string_view text, const Segmentation& s, const ParseError& error,
                      const FileShape& shape) {
    ErrorNotes out;
    auto note = [&out](int32_t line, const char* code, std::string message) {
        out.notes.push_back({line, code, std::move(message)});
    };
    if (!shape.sectionOrder.empty()) {
        note(error.line, "SectionOrder", shape.sectionOrder);
        out.readOn = false;
        return out;
    }
    if (std::string count = countNote(text, s, error.line); !count.empty()) {
        note(error.line, "CountMismatch", std::move(count));
    }
    if ((error.kind == ParseErrorKind::ExpectedLiteral ||
         error.kind == ParseErrorKind::ExpectedNumber) &&
        hasDecimalComma(lineText(text, s, error.line))) {
        note(error.line, "DecimalComma",
             "numbers use '.' as the decimal point; expected e.g. 0.5, not 0,5");
    }
    if (shape.missingSections >= 4) {
        note(0, "NotASceneFile",
             "this does not look like a scene file: " + std::to_string(shape.missingSections) +
                 " of its 7 section keywords (HUD:, FORCECOUNT:, PARTICLECOUNT:, "
                 "MATERIALCOUNT:, MESHCOUNT:, SCENEGRAPH:, BUTTONCOUNT:) are missing");
        out.readOn = false;
        return out;
    }
    const bool inGraph = error.line >= graphLine(s);
    if (error.kind == ParseErrorKind::UnexpectedEnd ||
        (error.kind == ParseErrorKind::CountTooLarge && inGraph)) {
        if (std::string children = inGraph ? childCountNote(text, s) : ""; !children.empty()) {
            note(error.line, "ChildCountTooLarge", std::move(children));
        }
        out.readOn = error.kind != ParseErrorKind::UnexpectedEnd;
    }
    return out;
}

SectionCountGap sectionCountGap(std::string_view text, const Segmentation& s, int32_t line) {
    for (size_t i = 0; i < s.units.size(); ++i) {
        const Unit& u = s.units[i];
        if (u.line > line) break;
        const std::string_view keyword = countKeywordOf(u.kind);
        if (keyword.empty() || u.firstToken == u.endToken) continue;
        const int32_t declared = integerOr(wordAfter(text, s, u, keyword), -1);
        const int32_t found = recordsAfterHeader(s, i);
        if (declared < 0 || declared == found) continue;
        const UnitKind record = recordKindOf(u.kind);
        const std::string message = std::string(keyword) + " " + std::to_string(declared) +
                                    " announces " + std::to_string(declared) + " " +
                                    unitNoun(record) + " records, but " + std::to_string(found) +
                                    " '" + std::string(startKeywordOf(record)) + "' " +
                                    (found == 1 ? "record follows" : "records follow");
        return {int32_t(i),
                declared,
                found,
                {keywordLine(text, s, u, keyword), "CountMismatch", message}};
    }
    return {};
}

std::vector<SceneNote> commentNotes(std::string_view text, const std::vector<Token>& tokens,
                                    int32_t onlyLine) {
    std::vector<SceneNote> notes;
    int32_t noted = 0;
    for (const Token& t : tokens) {
        if (text[t.begin] != '#' || t.line == noted || (onlyLine > 0 && t.line != onlyLine)) {
            continue;
        }
        noted = t.line;
        notes.push_back({t.line, "CommentInLine",
                         "'#' starts a comment only as the first character of a line (after "
                         "blanks); here it is read as part of the line: comments take a whole "
                         "line"});
    }
    return notes;
}

std::vector<SceneNote> meshFileCountNotes(std::string_view text, const ParseError& error) {
    Segmentation s;
    s.tokens = tokenize(text);
    // The whole file is one mesh record.
    const Unit all{UnitKind::Mesh, 0, text.size(), 1, 0, int32_t(s.tokens.size()), 0};
    const std::string note = countNoteIn(text, s, all, error.line);
    if (note.empty()) return {};
    return {{error.line, "CountMismatch", note}};
}

std::vector<SceneNote> missingFileNotes(std::string_view written, const std::string& opened,
                                        int32_t line) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(opened, ec)) return {};
    const fs::path folder = fs::path(opened).parent_path();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    const size_t slash = written.rfind('/');
    const std::string_view base =
        slash == std::string_view::npos ? written : written.substr(slash + 1);
    const std::string close = closestName(base, names);
    if (close.empty()) return {};
    return {{line, "FileNameClose",
             "did you mean '" + std::string(written.substr(0, written.size() - base.size())) +
                 close + "'?"}};
}

std::vector<SceneNote> explainSceneError(std::string_view text, const ParseError& error) {
    if (error.kind == ParseErrorKind::None) return {};
    // As the parser reads it: without the byte-order mark an editor may put first.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const Segmentation s = segmentScene(text);
    const FileShape shape = fileShape(text, s);
    std::vector<SceneNote> notes = errorNotes(text, s, error, shape).notes;
    if (shape.sectionOrder.empty() && shape.missingSections < 4) {
        const SectionCountGap gap = sectionCountGap(text, s, error.line);
        if (gap.header >= 0) {
            const std::string corrected = replaceCount(text, s, size_t(gap.header), gap.found);
            SceneDescription d;
            const ParseError after = corrected.empty() ? error : parseScene(corrected, &d);
            if (after.kind != error.kind || after.line != error.line ||
                after.message != error.message) {
                notes.push_back(gap.note);
            }
        }
    }
    for (SceneNote& n : commentNotes(text, s.tokens, error.line)) notes.push_back(std::move(n));
    return notes;
}

std::vector<SceneNote> explainMeshFileError(std::string_view text, const ParseError& error) {
    if (error.kind == ParseErrorKind::None || error.kind == ParseErrorKind::FileUnreadable)
        return {};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<SceneNote> notes = meshFileCountNotes(text, error);
    for (SceneNote& n : commentNotes(text, tokenize(text), error.line))
        notes.push_back(std::move(n));
    return notes;
}

std::string noteLine(const std::string& path, const SceneNote& note) {
    return "note: '" + path + "'" + (note.line > 0 ? " line " + std::to_string(note.line) : "") +
           ": " + note.message;
}

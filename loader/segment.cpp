// Keyword-level cutting of a scene file into sections and records by the words of
// SCENE_SECTIONS. Keywords are found exactly, then (where a section keyword is missing)
// case-insensitively or with one character wrong, so that a misspelt keyword still marks where
// its record starts. No GL, no I/O.
#include "loader/segment.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

namespace {

constexpr std::string_view SEPARATOR = keywordOf(SEPARATOR_LINE);
constexpr std::string_view CHILDCOUNT = keywordOf(CHILDCOUNT_LINE);

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view tokenText(std::string_view text, const Token& t) {
    return text.substr(t.begin, t.end - t.begin);
}

std::string upperStem(std::string_view word) {
    const size_t colon = word.find(':');
    std::string out(word.substr(0, colon));
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool isDashes(std::string_view token) {
    return token.size() >= 3 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c == '-'; });
}

struct Finder {
    std::string_view text;
    const std::vector<Token>& tokens;

    std::string_view at(int32_t i) const { return tokenText(text, tokens[size_t(i)]); }
    bool isValue(int32_t i) const { return i > 0 && keywordTakesWord(at(i - 1)); }

    bool matches(int32_t i, std::string_view keyword, bool fuzzy) const {
        if (keyword.empty() || isValue(i)) return false;
        const std::string_view t = at(i);
        if (keyword == SEPARATOR) {
            if (t == keyword) return true;
            // A separator of another length, or a missing one before "ENTITY:".
            return fuzzy && (isDashes(t) || (exactKeyword(t, keywordOf(ENTITY_LINE)) &&
                                             (i == 0 || !isDashes(at(i - 1)))));
        }
        return fuzzy ? fuzzyKeyword(t, keyword) : exactKeyword(t, keyword);
    }

    int32_t find(int32_t from, int32_t to, std::span<const std::string_view> keywords,
                 bool fuzzy) const {
        for (int32_t i = from; i < to; ++i) {
            for (std::string_view k : keywords) {
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

bool exactKeyword(std::string_view token, std::string_view keyword) {
    if (token == keyword) return true;
    return keyword.back() == ':' && token.size() > keyword.size() &&
           token.substr(0, keyword.size()) == keyword;
}

bool fuzzyKeyword(std::string_view token, std::string_view keyword) {
    const std::string stem = upperStem(token);
    const std::string want = upperStem(keyword);
    if (stem == want) return true;
    if (token.find(':') == std::string_view::npos) return false;
    return want.size() >= 5 && editDistance(stem, want) <= 1;
}

int32_t integerOr(std::string_view word, int32_t fallback) {
    int32_t value = 0;
    const char* begin = word.data();
    if (!word.empty() && word[0] == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, word.data() + word.size(), value);
    if (ec != std::errc() || ptr != word.data() + word.size()) return fallback;
    return value;
}

UnitKind recordKindOf(UnitKind header) {
    return sectionOf(header).record;
}

std::string_view countKeywordOf(UnitKind header) {
    const SceneSection& s = sectionOf(header);
    return s.header == header ? s.countKeyword : std::string_view();
}

std::string_view startKeywordOf(UnitKind kind) {
    const SceneSection& s = sectionOf(kind);
    return s.header == kind ? s.headerKeywords[0] : s.recordKeyword;
}

const char* unitNoun(UnitKind kind) {
    const SceneSection& s = sectionOf(kind);
    return s.header == kind ? s.headerNoun : s.recordNoun;
}

Segmentation segmentScene(std::string_view text) {
    Segmentation s;
    s.tokens = tokenize(text);
    const int32_t n = static_cast<int32_t>(s.tokens.size());
    const Finder finder{text, s.tokens};
    const SceneSection* layouts = SCENE_SECTIONS;

    // Where each section starts: its own keyword, found exactly in file order, else a
    // misspelling of it, else its first record (the header is then missing).
    int32_t start[SECTION_COUNT];
    bool headerPresent[SECTION_COUNT];
    start[0] = 0;
    headerPresent[0] = true;
    int32_t from = 1;
    for (int32_t k = 1; k < SECTION_COUNT; ++k) {
        start[k] = finder.find(from, n, layouts[k].headerKeywords, false);
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
        start[k] = finder.find(lo, hi, layouts[k].headerKeywords, true);
        headerPresent[k] = start[k] >= 0;
        if (start[k] < 0) {
            start[k] = finder.find(lo, hi, {&layouts[k].recordKeyword, 1}, false);
        }
        if (start[k] < 0) start[k] = hi;
    }

    for (int32_t k = 0; k < SECTION_COUNT; ++k) {
        const SceneSection& layout = layouts[k];
        const int32_t regionEnd = k + 1 < SECTION_COUNT ? start[k + 1] : n;
        const int32_t regionStart = std::min(start[k], regionEnd);
        int32_t recordStart = regionEnd;
        std::vector<int32_t> records;
        if (!layout.recordKeyword.empty()) {
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

int32_t entityShortfall(std::string_view text, const Segmentation& s) {
    int64_t pending = 1; // the one top record
    std::vector<int32_t> stack{1};
    for (const Unit& u : s.units) {
        if (u.kind != UnitKind::Entity) continue;
        while (!stack.empty() && stack.back() == 0) stack.pop_back();
        if (stack.empty()) break;
        --stack.back();
        --pending;
        const int32_t children = integerOr(wordAfter(text, s, u, CHILDCOUNT, true), 0);
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
        const int32_t children = integerOr(wordAfter(text, s, s.units[i], CHILDCOUNT, true), 0);
        if (children > 0) stack.push_back({int32_t(i), children, children});
    }
    for (size_t k = stack.size(); k-- > 0;) {
        if (stack[k].remaining > 0) {
            return {stack[k].unit, stack[k].declared, stack[k].declared - stack[k].remaining};
        }
    }
    return {};
}

std::string replaceCount(std::string_view text, const Segmentation& s, size_t header,
                         int32_t count) {
    const Unit& u = s.units[header];
    const std::string_view keyword = countKeywordOf(u.kind);
    if (keyword.empty()) return {};
    for (int32_t i = u.firstToken; i < u.endToken; ++i) {
        const Token& t = s.tokens[size_t(i)];
        if (!exactKeyword(tokenText(text, t), keyword)) continue;
        size_t begin = t.begin + keyword.size();
        size_t end = t.end;
        if (t.end - t.begin == keyword.size()) {
            if (i + 1 >= u.endToken) break;
            begin = s.tokens[size_t(i + 1)].begin;
            end = s.tokens[size_t(i + 1)].end;
        }
        return std::string(text.substr(0, begin)) + std::to_string(count) +
               std::string(text.substr(end));
    }
    return {};
}

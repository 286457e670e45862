// Cuts the text of a scene file into its sections and records by their keywords, without
// reading the records themselves: what the notes that explain a parse error look at (which
// record the error is in, what its counts say, what follows them), and where krestel-check
// puts a well-formed stand-in for a broken record to read on. Works on the text in memory; no
// GL, no I/O. Offsets are byte offsets into the text; lines are 1-based.
#pragma once

#include "loader/vocabulary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Token {
    size_t begin;
    size_t end;
    int32_t line;
};

// A run of the text from one unit's first token to the next unit's first token. A header whose
// keywords are all missing is an empty unit (begin == end) where it belongs.
struct Unit {
    UnitKind kind;
    size_t begin;
    size_t end;
    int32_t line;       // line of the first token (of the next token for an empty unit)
    int32_t firstToken; // index into Segmentation::tokens
    int32_t endToken;   // one past the unit's last token
    int32_t ordinal;    // position among the units of the same kind
};

struct Segmentation {
    std::vector<Token> tokens;
    std::vector<Unit> units; // in file order
};

// Runs of non-blank characters, with their lines; comment lines (a '#' first on the line) have
// none.
std::vector<Token> tokenize(std::string_view text);

Segmentation segmentScene(std::string_view text);

// The record kind that follows a header (the header itself for SceneCamera).
UnitKind recordKindOf(UnitKind header);
// "MESHCOUNT:", "BACKGROUNDCOUNT:", ...; empty for SceneCamera and GraphHeader.
std::string_view countKeywordOf(UnitKind header);
// The keyword a unit starts with ("MESH:", "------", "HUD:", ...).
std::string_view startKeywordOf(UnitKind kind);
// "mesh", "entity", "background", ...: for messages.
const char* unitNoun(UnitKind kind);

// The records of the kind that follows `header` (the index of a header unit).
int32_t recordsAfterHeader(const Segmentation& s, size_t header);

// The word after the first exact `keyword` token in the unit ("NAME: Foo" or "NAME:Foo"); empty
// when there is none.
std::string wordAfter(std::string_view text, const Segmentation& s, const Unit& unit,
                      std::string_view keyword, bool last = false);
// Line of the first `keyword` token in the unit, or the unit's line.
int32_t keywordLine(std::string_view text, const Segmentation& s, const Unit& unit,
                    std::string_view keyword);

// How many more ENTITY records the CHILDCOUNTs of the records present announce than follow
// (0 when the tree is complete; records past its end are not counted).
int32_t entityShortfall(std::string_view text, const Segmentation& s);

// The innermost ENTITY record whose CHILDCOUNT announces more children than follow it (unit -1
// when every CHILDCOUNT is met): the unit index, its count and the children found.
struct ChildCountGap {
    int32_t unit = -1;
    int32_t declared = 0;
    int32_t found = 0;
};
ChildCountGap childCountGap(std::string_view text, const Segmentation& s);

// The text with the header's count replaced by `count`, on the same line; empty when the header
// shows no count.
std::string replaceCount(std::string_view text, const Segmentation& s, size_t header,
                         int32_t count);

// The token is the keyword, or the keyword with its value glued on ("MESHCOUNT:2").
bool exactKeyword(std::string_view token, std::string_view keyword);
// A misspelt keyword: other case, or (for long keywords) one character added, missing, wrong or
// swapped with its neighbour; the token must carry a colon unless it is the keyword's own word.
bool fuzzyKeyword(std::string_view token, std::string_view keyword);
// A word as a whole number, or `fallback` when it is none ("+3" is 3).
int32_t integerOr(std::string_view word, int32_t fallback);

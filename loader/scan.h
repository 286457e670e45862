// The scene file's lexical layer: applies one read template (as the format quotes it, e.g.
// "MASS: %f\n") to the text at the cursor, and turns every mismatch into a ParseError naming the
// line, what the template expected and what the text holds. No GL, no I/O, no statics.
//
// Template rules: a blank, tab or newline matches any run of whitespace, including none; any
// other literal character must equal the next character exactly (no whitespace is skipped before
// it); %f, %d and %s skip whitespace and read a float, a 32-bit int or a word of at most 19 bytes
// (a file name: 255); %*f and %*d read and discard. A line whose first non-blank character is
// '#' is a comment: whitespace runs take it in whole, so it counts as a line and nothing else.
#pragma once

#include "loader/description.h"
#include "loader/vocabulary.h"

#include <cstddef>
#include <initializer_list>

struct Parser {
    Cursor cursor;
    ParseError error;  // kind None until the first failure
    int32_t tokenLine; // line where the last %f, %d or %s started
    bool fastPaths;    // false: every line through scan, the reference the fast paths match
};

// Where a conversion of a template stores its value.
struct ScanTarget {
    ScanTarget(float* p) : kind('f'), pointer(p) {}
    ScanTarget(int32_t* p) : kind('d'), pointer(p) {}
    ScanTarget(Word* p) : kind('s'), pointer(p->text), size(sizeof(p->text)) {}
    ScanTarget(PathWord* p) : kind('s'), pointer(p->text), size(sizeof(p->text)) {}
    char kind;
    void* pointer;
    size_t size = 0; // of a word's field, its terminating zero included
};

Parser makeParser(std::string_view text, bool fastPaths = true);

// Applies the template; returns false and fills p->error on the first mismatch. The targets
// are taken in order by the non-discarding conversions.
bool scan(Parser* p, const char* tmpl, std::initializer_list<ScanTarget> targets = {});

// Fast paths for the two lines that are nearly all of a large file (vertices and triangle
// indices): the template interpreter spends more time walking the template than converting the
// numbers. Each reads only the common spelling (keywords after blanks, numbers as
// [-]digits[.digits] whose digits make an integer of at most 2^24, with at most 10 decimals,
// each followed by a blank or the end) and gives exactly what scan would (values, position,
// line, token line). On
// anything else it returns false and leaves the parser untouched: the caller then reads the
// same text with scan, so every error is the interpreter's own.
// "\t\tPOSITION: %f %f %f NORMAL: %f %f %f TEXCOORD: %f %f\n" into the vertex.
bool scanVertexFast(Parser* p, Vertex* vertex);
// "%d" into an index in [0, vertexCount).
bool scanIndexFast(Parser* p, int32_t vertexCount, uint32_t* index);

// Reads "(name)" after a DYNAMIC texture type: whitespace may come before the parenthesis, the
// name is the non-blank text up to ")", and the parenthesis is not part of it.
bool scanParenthesisedWord(Parser* p, Word* word);

// Fails with ExpectedLiteral unless only blanks and comments are left: "expected <what> but
// found ...".
bool scanEnd(Parser* p, const char* what);

// A word as written, in quotes, for messages: UTF-8 characters kept whole, other unprintable
// bytes shown as '?', cut after 40 bytes at a character's end.
std::string quoteWord(const char* begin, const char* end);

// Records the failure (kind, line, message) and returns false.
bool fail(Parser* p, ParseErrorKind kind, int32_t line, std::string message);

// Fails with UnknownVariant unless the word equals one of the names; the code is the position
// of the matching name. The message names the keyword of `tmpl`, the line the word was read by.
bool matchVariant(Parser* p, const Word& word, const char* tmpl, VariantNames names, int32_t* code);

// Fails with CountTooLarge when `count` records of at least `minBytes` characters each cannot
// fit in the rest of the text. Counts of zero or less always pass (they mean no records). The
// message names the keyword of `tmpl`, the line the count was read by.
bool checkCount(Parser* p, int32_t count, size_t minBytes, const char* tmpl);

// The fewest characters a text matching the template can have: one per literal character and
// one per conversion. Record sizes built from these bound counts without trusting them.
constexpr size_t minTemplateBytes(const char* tmpl) {
    size_t bytes = 0;
    for (const char* t = tmpl; *t; ++t) {
        if (*t == ' ' || *t == '\t' || *t == '\n') continue;
        if (*t == '%') {
            ++t;
            if (*t == '*') ++t;
            if (!*t) break;
        }
        ++bytes;
    }
    return bytes;
}

// Template matching over the scene text and the wording of parse errors. No GL, no I/O; the
// only allocation is the message of a failure.
#include "loader/scan.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The whitespace of the C library's isspace in the "C" locale, so CR LF files read like LF ones.
// A table: blanks are tested at nearly every byte of the file.
constexpr std::array<bool, 256> BLANKS = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', '\t', '\n', '\r', '\v', '\f'}) table[c] = true;
    return table;
}();

bool isBlank(char c) {
    return BLANKS[static_cast<unsigned char>(c)];
}

// From a '#' that opens a line: the comment to its line end, the blanks after it, and any
// comment lines that follow.
const char* skipComments(const char* pos, const char* end, int32_t* line) {
    while (pos < end && *pos == '#') {
        const void* lineEnd = std::memchr(pos, '\n', static_cast<size_t>(end - pos));
        if (!lineEnd) return end;
        for (pos = static_cast<const char*>(lineEnd); pos < end && isBlank(*pos); ++pos) {
            *line += *pos == '\n';
        }
    }
    return pos;
}

// Skips blanks from pos, counting line breaks into line; returns the first other character's
// position (or end). Comments are not skipped: the fast paths, which stop at a '#' because no
// number or keyword starts with one, and leave that line to the interpreter.
const char* skipBlanksOnly(const char* pos, const char* end, int32_t* line) {
    while (pos < end && isBlank(*pos)) {
        *line += *pos == '\n';
        ++pos;
    }
    return pos;
}

// The same, with the comment lines among the blanks. A '#' reached without crossing a line
// break stands inside a line: it is text. (The first line of a text is seen to by makeParser.)
const char* skipBlanks(const char* pos, const char* end, int32_t* line) {
    const int32_t first = *line;
    pos = skipBlanksOnly(pos, end, line);
    if (pos < end && *pos == '#' && *line != first) return skipComments(pos, end, line);
    return pos;
}

void skipBlanks(Cursor* c) {
    c->pos = skipBlanks(c->pos, c->end, &c->line);
}

// The token of the text at pos, for messages: up to the next blank, at most 24 characters,
// with unprintable bytes shown as '?'.
std::string quoteFound(const char* pos, const char* end) {
    if (pos >= end) return "end of file";
    if (isBlank(*pos)) return *pos == '\n' || *pos == '\r' ? "end of line" : "a blank";
    std::string token = "'";
    const char* stop = pos;
    while (stop < end && !isBlank(*stop)) ++stop;
    size_t length = static_cast<size_t>(stop - pos);
    size_t shown = length > 24 ? 24 : length;
    for (size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(pos[i]);
        token += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    if (shown < length) token += "...";
    token += "'";
    return token;
}

std::string afterKeyword(std::string_view keyword) {
    if (keyword.empty()) return "";
    return " after '" + std::string(keyword) + "'";
}

bool failAtToken(Parser* p, std::string_view what, std::string_view keyword) {
    Cursor& c = p->cursor;
    ParseErrorKind kind =
        c.pos >= c.end ? ParseErrorKind::UnexpectedEnd : ParseErrorKind::ExpectedNumber;
    return fail(p, kind, c.line,
                "expected " + std::string(what) + afterKeyword(keyword) + " but found " +
                    quoteFound(c.pos, c.end));
}

// A number too large or too small for its type: from_chars reports both the same way. Tiny
// magnitudes become zero as the C library's conversion makes them; huge ones are an error.
bool isUnderflow(const char* begin, const char* end) {
    const char* exponent = begin;
    while (exponent < end && *exponent != 'e' && *exponent != 'E') ++exponent;
    if (exponent < end) return exponent + 1 < end && exponent[1] == '-';
    for (const char* d = begin; d < end && *d != '.'; ++d) {
        if (*d >= '1' && *d <= '9') return false;
    }
    return true;
}

// Optional sign: from_chars takes '-' but not '+', which the format allows as scanf does.
const char* skipPlus(const char* pos, const char* end) {
    if (pos < end && *pos == '+' && pos + 1 < end && pos[1] != '-' && pos[1] != '+') return pos + 1;
    return pos;
}

bool readFloat(Parser* p, float* value, std::string_view keyword) {
    Cursor& c = p->cursor;
    skipBlanks(&c);
    p->tokenLine = c.line;
    const char* start = skipPlus(c.pos, c.end);
    float v = 0.0f;
    auto [ptr, ec] = std::from_chars(start, c.end, v, std::chars_format::general);
    if (ec == std::errc::invalid_argument) return failAtToken(p, "a number", keyword);
    if (ec == std::errc::result_out_of_range) {
        if (!isUnderflow(start, ptr)) {
            return fail(p, ParseErrorKind::NumberOutOfRange, c.line,
                        "number " + quoteFound(c.pos, c.end) + afterKeyword(keyword) +
                            " is too large for a float");
        }
        v = *start == '-' ? -0.0f : 0.0f;
    } else if (!std::isfinite(v)) {
        // "nan" and "inf" would poison positions, boxes and colours: not accepted.
        return failAtToken(p, "a finite number", keyword);
    }
    c.pos = ptr;
    *value = v;
    return true;
}

bool readInt(Parser* p, int32_t* value, std::string_view keyword) {
    Cursor& c = p->cursor;
    skipBlanks(&c);
    p->tokenLine = c.line;
    const char* start = skipPlus(c.pos, c.end);
    int32_t v = 0;
    auto [ptr, ec] = std::from_chars(start, c.end, v, 10);
    if (ec == std::errc::invalid_argument) return failAtToken(p, "a whole number", keyword);
    if (ec == std::errc::result_out_of_range) {
        return fail(p, ParseErrorKind::NumberOutOfRange, c.line,
                    "number " + quoteFound(c.pos, c.end) + afterKeyword(keyword) +
                        " does not fit in 32 bits");
    }
    c.pos = ptr;
    *value = v;
    return true;
}

// Bytes 0x80 and up that start a well-formed UTF-8 sequence: its length, else 0.
size_t utf8Length(const unsigned char* s, size_t available) {
    const size_t length = s[0] >= 0xF0 && s[0] <= 0xF4   ? 4
                          : s[0] >= 0xE0                 ? 3
                          : s[0] >= 0xC2 && s[0] <= 0xDF ? 2
                                                         : 0;
    if (length == 0 || length > available) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

} // namespace

std::string quoteWord(const char* begin, const char* end) {
    constexpr size_t SHOWN = 40;
    std::string out = "'";
    const auto* s = reinterpret_cast<const unsigned char*>(begin);
    const auto* stop = reinterpret_cast<const unsigned char*>(end);
    size_t shown = 0;
    while (s < stop) {
        const size_t length = *s >= 0x80 ? utf8Length(s, static_cast<size_t>(stop - s)) : 1;
        if (shown + (length > 0 ? length : 1) > SHOWN) {
            out += "...";
            break;
        }
        if (length > 1) {
            out.append(reinterpret_cast<const char*>(s), length);
        } else {
            out += *s >= 32 && *s < 127 ? static_cast<char>(*s) : '?';
        }
        shown += length > 0 ? length : 1;
        s += length > 0 ? length : 1;
    }
    return out + "'";
}

namespace {

// The word into a zero-filled field of `size` bytes, its terminator included.
bool copyWord(Parser* p, const char* begin, const char* end, char* field, size_t size,
              std::string_view keyword) {
    size_t length = static_cast<size_t>(end - begin);
    if (length > size - 1) {
        return fail(p, ParseErrorKind::WordTooLong, p->tokenLine,
                    std::string(size > NAME_SIZE ? "expected a file name" : "expected a word") +
                        " of at most " + std::to_string(size - 1) + " bytes" +
                        afterKeyword(keyword) + " but found " + quoteWord(begin, end) + " (" +
                        std::to_string(length) + " bytes)");
    }
    std::memcpy(field, begin, length);
    std::memset(field + length, 0, size - length);
    return true;
}

bool readWord(Parser* p, char* field, size_t size, std::string_view keyword) {
    Cursor& c = p->cursor;
    skipBlanks(&c);
    p->tokenLine = c.line;
    if (c.pos >= c.end) {
        return fail(p, ParseErrorKind::UnexpectedEnd, c.line,
                    "expected a word" + afterKeyword(keyword) + " but found end of file");
    }
    const char* begin = c.pos;
    while (c.pos < c.end && !isBlank(*c.pos)) ++c.pos;
    return copyWord(p, begin, c.pos, field, size, keyword);
}

[[noreturn]] void templateMisuse(const char* tmpl) {
    std::fprintf(stderr, "loader: template \"%s\" does not fit its targets\n", tmpl);
    std::abort();
}

// Powers of ten that a float holds exactly (5^10 < 2^24).
constexpr float POWERS_OF_TEN[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                   1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr uint32_t EXACT_MANTISSA = 1u << 24; // every integer up to here is a float

// The fast path's number: [-]digits[.digits] followed by a blank or the end. The digits as an
// integer m of at most 2^24 and the decimals k of at most 10 are both exact floats, so m / 10^k
// is one correctly rounded division: the same float from_chars gives for the text. Anything
// else (a '+', an exponent, a leading '.', more digits) returns false for the interpreter.
bool readPlainDecimal(const char** at, const char* end, float* value) {
    const char* s = *at;
    const bool negative = s < end && *s == '-';
    if (negative) ++s;
    uint32_t mantissa = 0;
    const char* digits = s;
    for (; s < end && *s >= '0' && *s <= '9'; ++s) {
        mantissa = mantissa * 10 + static_cast<uint32_t>(*s - '0');
        if (mantissa > EXACT_MANTISSA) return false;
    }
    if (s == digits) return false;
    int decimals = 0;
    if (s < end && *s == '.') {
        const char* fraction = ++s;
        for (; s < end && *s >= '0' && *s <= '9'; ++s) {
            mantissa = mantissa * 10 + static_cast<uint32_t>(*s - '0');
            if (mantissa > EXACT_MANTISSA || ++decimals > 10) return false;
        }
        if (s == fraction) return false;
    }
    if (s < end && !isBlank(*s)) return false;
    const float magnitude = static_cast<float>(mantissa) / POWERS_OF_TEN[decimals];
    *value = negative ? -magnitude : magnitude;
    *at = s;
    return true;
}

// Blanks, then the keyword exactly, as the template's blank and literal run match them. The
// length is a constant so the comparison is inlined rather than a library call.
template <size_t N>
bool skipToAfterKeyword(const char** at, const char* end, int32_t* line, const char (&word)[N]) {
    const char* s = skipBlanksOnly(*at, end, line);
    if (static_cast<size_t>(end - s) < N - 1 || std::memcmp(s, word, N - 1) != 0) return false;
    *at = s + N - 1;
    return true;
}

bool readDecimals(const char** at, const char* end, int32_t* line, int32_t* tokenLine,
                  float* values, int count) {
    for (int i = 0; i < count; ++i) {
        *at = skipBlanksOnly(*at, end, line);
        *tokenLine = *line;
        if (!readPlainDecimal(at, end, &values[i])) return false;
    }
    return true;
}

} // namespace

Parser makeParser(std::string_view text, bool fastPaths) {
    Parser p{};
    // Editors may save a UTF-8 byte-order mark first; the text means the same without it.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    p.cursor = Cursor{text.data(), text.data() + text.size(), 1};
    // A comment on the first line: nothing before it crosses a line break, so it is taken here,
    // up to its line end; the blanks that follow see any further comment lines.
    const char* first = text.data();
    const char* end = first + text.size();
    while (first < end && *first != '\n' && isBlank(*first)) ++first;
    if (first < end && *first == '#') {
        const void* lineEnd = std::memchr(first, '\n', static_cast<size_t>(end - first));
        p.cursor.pos = lineEnd ? static_cast<const char*>(lineEnd) : end;
    }
    p.tokenLine = 1;
    p.fastPaths = fastPaths;
    return p;
}

// The fast path reads the keywords of the vertex line.
static_assert(keywordOf(VERTEX_LINE) == "POSITION:" &&
              std::string_view(VERTEX_LINE).find(" NORMAL: ") != std::string_view::npos &&
              std::string_view(VERTEX_LINE).find(" TEXCOORD: ") != std::string_view::npos);

bool scanVertexFast(Parser* p, Vertex* vertex) {
    const char* s = p->cursor.pos;
    const char* end = p->cursor.end;
    int32_t line = p->cursor.line;
    int32_t tokenLine = line;
    float values[8];
    if (!skipToAfterKeyword(&s, end, &line, "POSITION:") ||
        !readDecimals(&s, end, &line, &tokenLine, values, 3) ||
        !skipToAfterKeyword(&s, end, &line, "NORMAL:") ||
        !readDecimals(&s, end, &line, &tokenLine, values + 3, 3) ||
        !skipToAfterKeyword(&s, end, &line, "TEXCOORD:") ||
        !readDecimals(&s, end, &line, &tokenLine, values + 6, 2)) {
        return false;
    }
    p->cursor.pos = skipBlanks(s, end, &line); // the template's closing newline
    p->cursor.line = line;
    p->tokenLine = tokenLine;
    *vertex = Vertex{{values[0], values[1], values[2]},
                     {values[3], values[4], values[5]},
                     {values[6], values[7]}};
    return true;
}

bool scanIndexFast(Parser* p, int32_t vertexCount, uint32_t* index) {
    int32_t line = p->cursor.line;
    const char* s = skipBlanksOnly(p->cursor.pos, p->cursor.end, &line);
    const char* digits = s;
    uint32_t v = 0;
    // At most 9 digits: no overflow, and the value fits an int32 as from_chars would read it.
    for (; s < p->cursor.end && *s >= '0' && *s <= '9'; ++s) {
        if (s - digits == 9) return false;
        v = v * 10 + static_cast<uint32_t>(*s - '0');
    }
    if (s == digits || (s < p->cursor.end && !isBlank(*s))) return false;
    if (static_cast<int64_t>(v) >= vertexCount) return false;
    p->cursor.pos = s;
    p->cursor.line = line;
    p->tokenLine = line;
    *index = v;
    return true;
}

bool fail(Parser* p, ParseErrorKind kind, int32_t line, std::string message) {
    p->error.kind = kind;
    p->error.line = line;
    p->error.message = std::move(message);
    return false;
}

bool scan(Parser* p, const char* tmpl, std::initializer_list<ScanTarget> targets) {
    Cursor& c = p->cursor;
    const ScanTarget* target = targets.begin();
    std::string_view keyword; // the literal run matched last, for messages
    for (const char* t = tmpl; *t;) {
        if (isBlank(*t)) {
            skipBlanks(&c);
            ++t;
            continue;
        }
        if (*t == '%') {
            ++t;
            bool discard = *t == '*';
            if (discard) ++t;
            char conversion = *t++;
            if (!discard && (target == targets.end() || target->kind != conversion)) {
                templateMisuse(tmpl);
            }
            bool ok = true;
            if (conversion == 'f') {
                float v = 0.0f;
                ok = readFloat(p, &v, keyword);
                if (ok && !discard) *static_cast<float*>(target->pointer) = v;
            } else if (conversion == 'd') {
                int32_t v = 0;
                ok = readInt(p, &v, keyword);
                if (ok && !discard) *static_cast<int32_t*>(target->pointer) = v;
            } else if (conversion == 's' && !discard) {
                ok = readWord(p, static_cast<char*>(target->pointer), target->size, keyword);
            } else {
                templateMisuse(tmpl);
            }
            if (!ok) return false;
            if (!discard) ++target;
            continue;
        }
        const char* runBegin = t;
        while (*t && !isBlank(*t) && *t != '%') ++t;
        std::string_view run(runBegin, static_cast<size_t>(t - runBegin));
        const char* fileBegin = c.pos;
        for (char expected : run) {
            if (c.pos >= c.end || *c.pos != expected) {
                ParseErrorKind kind = c.pos >= c.end ? ParseErrorKind::UnexpectedEnd
                                                     : ParseErrorKind::ExpectedLiteral;
                return fail(p, kind, c.line,
                            "expected '" + std::string(run) + "' but found " +
                                quoteFound(fileBegin, c.end));
            }
            ++c.pos;
        }
        keyword = run;
    }
    if (target != targets.end()) templateMisuse(tmpl);
    return true;
}

bool scanEnd(Parser* p, const char* what) {
    Cursor& c = p->cursor;
    skipBlanks(&c);
    if (c.pos >= c.end) return true;
    return fail(p, ParseErrorKind::ExpectedLiteral, c.line,
                "expected " + std::string(what) + " but found " + quoteFound(c.pos, c.end));
}

bool scanParenthesisedWord(Parser* p, Word* word) {
    Cursor& c = p->cursor;
    skipBlanks(&c);
    p->tokenLine = c.line;
    if (c.pos >= c.end || *c.pos != '(') {
        return fail(
            p, c.pos >= c.end ? ParseErrorKind::UnexpectedEnd : ParseErrorKind::ExpectedLiteral,
            c.line,
            "expected '(' and a camera name after 'DYNAMIC' but found " + quoteFound(c.pos, c.end));
    }
    ++c.pos;
    const char* begin = c.pos;
    while (c.pos < c.end && !isBlank(*c.pos) && *c.pos != ')') ++c.pos;
    if (c.pos == begin) {
        return fail(p, ParseErrorKind::ExpectedWord, c.line,
                    "expected a camera name after '(' but found " + quoteFound(c.pos, c.end));
    }
    if (!copyWord(p, begin, c.pos, word->text, sizeof(word->text), "(")) return false;
    if (c.pos >= c.end || *c.pos != ')') {
        return fail(
            p, c.pos >= c.end ? ParseErrorKind::UnexpectedEnd : ParseErrorKind::ExpectedLiteral,
            c.line, "expected ')' after the camera name but found " + quoteFound(c.pos, c.end));
    }
    ++c.pos;
    return true;
}

bool matchVariant(Parser* p, const Word& word, const char* tmpl, VariantNames names,
                  int32_t* code) {
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        if (wordEquals(word, names[i])) {
            *code = static_cast<int32_t>(i);
            return true;
        }
        if (i > 0) list += ", ";
        list += names[i];
    }
    const char* text = word.text;
    return fail(p, ParseErrorKind::UnknownVariant, p->tokenLine,
                "expected one of " + list + " after '" + std::string(keywordOf(tmpl)) +
                    "' but found " + quoteFound(text, text + std::strlen(text)));
}

bool checkCount(Parser* p, int32_t count, size_t minBytes, const char* tmpl) {
    if (count <= 0) return true;
    size_t remaining = static_cast<size_t>(p->cursor.end - p->cursor.pos);
    if (static_cast<size_t>(count) <= remaining / minBytes) return true;
    return fail(p, ParseErrorKind::CountTooLarge, p->tokenLine,
                "expected at most " + std::to_string(remaining / minBytes) + " after '" +
                    std::string(keywordOf(tmpl)) +
                    "' (the rest of the file cannot hold more) but found " + std::to_string(count));
}

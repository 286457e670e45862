// The words of a description and the names of the parse error kinds.
#include "loader/description.h"

#include <cstring>

const char* parseErrorKindName(ParseErrorKind kind) {
    switch (kind) {
    case ParseErrorKind::None:
        return "None";
    case ParseErrorKind::ExpectedLiteral:
        return "ExpectedLiteral";
    case ParseErrorKind::ExpectedNumber:
        return "ExpectedNumber";
    case ParseErrorKind::ExpectedWord:
        return "ExpectedWord";
    case ParseErrorKind::WordTooLong:
        return "WordTooLong";
    case ParseErrorKind::UnknownVariant:
        return "UnknownVariant";
    case ParseErrorKind::NumberOutOfRange:
        return "NumberOutOfRange";
    case ParseErrorKind::IndexOutOfRange:
        return "IndexOutOfRange";
    case ParseErrorKind::UnexpectedEnd:
        return "UnexpectedEnd";
    case ParseErrorKind::CountTooLarge:
        return "CountTooLarge";
    case ParseErrorKind::NestingTooDeep:
        return "NestingTooDeep";
    case ParseErrorKind::FileUnreadable:
        return "FileUnreadable";
    }
    return "Unknown";
}

bool wordEquals(const Word& word, const char* text) {
    return std::strncmp(word.text, text, NAME_SIZE) == 0;
}

bool wordEquals(const PathWord& word, const char* text) {
    return std::strncmp(word.text, text, PATH_SIZE) == 0;
}

Word makeWord(const char* text) {
    Word word{};
    std::strncpy(word.text, text, NAME_SIZE - 1);
    return word;
}

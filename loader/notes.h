// The notes that explain why a scene file or a mesh file does not parse: a count the records
// after it do not match ("line 93 says KEYFRAMECOUNT: 3 but 2 keys follow"), a CHILDCOUNT that
// announces more children than follow, a decimal comma, sections out of order, a file that is no
// scene file, a '#' inside a line, a mesh file name one slip off. krestel-check prints them under
// each error it reads on past, the engine under its one error (stderr and the message panel). They
// look at the text only: no GL; the one file access lists the folder of a missing mesh file.
#pragma once

#include "loader/description.h"
#include "loader/segment.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SceneNote {
    int32_t line; // 0 when the note is about the file as a whole
    std::string code;
    std::string message;
};

// What holds for the whole file as it was written: the note on sections out of order (empty when
// they are in order or some are missing), and how many section keywords are missing.
struct FileShape {
    std::string sectionOrder;
    int32_t missingSections = 0;
};
FileShape fileShape(std::string_view text, const Segmentation& s);

// The notes on one error, in the order they are printed. readOn is false when nothing after the
// error can be trusted (sections out of order, no scene file, a text that ends inside a record).
struct ErrorNotes {
    std::vector<SceneNote> notes;
    bool readOn = true;
};
ErrorNotes errorNotes(std::string_view text, const Segmentation& s, const ParseError& error,
                      const FileShape& shape);

// The first section count at or before `line` that the records after it do not match (header -1
// when there is none), with its note: "MESHCOUNT: 2 announces 2 mesh records, but 1 'MESH:'
// record follows".
struct SectionCountGap {
    int32_t header = -1; // unit index
    int32_t declared = 0;
    int32_t found = 0;
    SceneNote note;
};
SectionCountGap sectionCountGap(std::string_view text, const Segmentation& s, int32_t line);

// A note at each line where a word starts with '#': comments take a whole line. With onlyLine > 0,
// at that line only.
std::vector<SceneNote> commentNotes(std::string_view text, const std::vector<Token>& tokens,
                                    int32_t onlyLine = 0);

// The note on a count of a mesh file's lines that the lines after it do not match, if any.
std::vector<SceneNote> meshFileCountNotes(std::string_view text, const ParseError& error);

// For a file that is not there, named `written` and opened as `opened`: the file of that folder
// one slip off its name, as the name would be written.
std::vector<SceneNote> missingFileNotes(std::string_view written, const std::string& opened,
                                        int32_t line);

// The engine's notes under the one error it reports: the notes on that error, the section count
// it follows from (when correcting that count gets the parser past the error), and a '#' inside
// the error's line.
std::vector<SceneNote> explainSceneError(std::string_view text, const ParseError& error);
// The same for an error inside a mesh file (lines are the mesh file's own).
std::vector<SceneNote> explainMeshFileError(std::string_view text, const ParseError& error);

// Each note as printed: "note: '<path>' line N: <message>", or "note: '<path>': <message>".
std::string noteLine(const std::string& path, const SceneNote& note);

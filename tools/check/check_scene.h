// The checks of krestel-check: parses a scene file's text with the engine's own parser, reads
// on past errors by replacing the broken record with a well-formed stand-in, and looks for what
// loads but is probably a mistake. Works on text and bytes in memory: no GL, no files.
#pragma once

#include "loader/warnings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Severity : int32_t { Error, Warning, Note };

struct Finding {
    Severity severity;
    int32_t line;     // 0 when the finding is about the file as a whole
    std::string code; // stable identifier: the parser's error kind, or e.g. "LinkUnknown"
    std::string message;
};

struct SceneSummary {
    int32_t entities;
    int32_t meshes;
    int32_t materials;
    int32_t textures; // distinct image files and dynamic textures, the white "None" not counted
    int32_t particleSystems;
    int32_t keyframers;
    int32_t buttons;
    int32_t backgrounds;
    int32_t forces;
};

// A mesh file named by a MESH record, at its MESHFILE line.
struct MeshFileUse {
    std::string file; // as written
    int32_t line;
};

struct CheckReport {
    bool loads = false;            // the engine's parser reads the file without an error
    bool complete = true;          // the checker read to the end (false: it stopped at an error)
    std::vector<Finding> findings; // errors in file order of discovery, then warnings by line
    SceneSummary summary{};        // of what could be read
    std::vector<TextureUse> textures;
    std::vector<MeshFileUse> meshFiles; // in file order
};

CheckReport checkScene(std::string_view text);
// The text of a mesh file: the parser's error with a note on a count the lines after it do not
// match, and the notes on '#' inside lines. Lines are the mesh file's own.
std::vector<Finding> checkMeshFile(std::string_view text);

// Errors and notes stay in the order found, warnings follow them sorted by line.
void sortFindings(CheckReport* report);

// Findings are capped: past this many errors the checker stops reading on.
inline constexpr int32_t MAX_REPORTED_ERRORS = 50;

// The scene file parser: turns the whole text of a scene file into plain records, or into one
// error record naming the line and what was expected. A pure function of the text: no GL, no
// file I/O, nothing kept in statics. Names are copied into 20-byte words and file names into
// 256-byte ones; nothing is resolved here (names stay words until the apply step looks them up,
// and a mesh file is read by the file layer, loader.cpp).
#pragma once

#include "loader/description.h"

#include <string_view>

// Reads the whole scene; on failure the description holds whatever was read before the error
// and must not be applied. Text after the scene graph is not read.
ParseError parseScene(std::string_view text, SceneDescription* scene);
// The same with every line read by the general template interpreter, without the fast paths
// for vertex and index lines: the reference that tests hold parseScene to.
ParseError parseSceneByTemplate(std::string_view text, SceneDescription* scene);
// The text of a mesh file into the mesh's vertices, indices and bounds (its name and file stay):
// exactly the lines that follow "MESH: name" in the inline form, from the transform line to the
// last triangle, with comment lines as in a scene file. Lines are the mesh file's own. A
// MESHFILE line is refused: a mesh file holds a mesh, never the name of another file.
ParseError parseMeshFile(std::string_view text, MeshDescription* mesh, bool fastPaths = true);

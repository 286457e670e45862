// krestel-check's stand-ins: a well-formed record or header of a broken unit's kind, written on
// one line in place of the unit, so that the engine's parser reads on past the error. Works on
// the text in memory; no GL, no I/O.
#pragma once

#include "loader/segment.h"

#include <cstddef>
#include <string>
#include <string_view>

// The stand-in of the unit: names are kept where the broken unit still shows them, counts are
// the records found (headers) or the CHILDCOUNT the entity shows (entities).
std::string standIn(std::string_view text, const Segmentation& s, size_t unit);

// The text with the unit replaced by its stand-in, every line after it where it was.
std::string replaceUnit(std::string_view text, const Segmentation& s, size_t unit);

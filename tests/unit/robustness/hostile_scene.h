// The complete scene of tests/data/scenes/full.txt, whose every slot a hostile-input table
// replaces is unique in the text, and the test of a readable message.
#pragma once

#include <string>
#include <string_view>

#include "test_data.h"

inline const std::string FULL_SCENE = sceneText("full");

// A message a person can read on a terminal: printable ASCII only, and not a wall of text.
inline bool readableMessage(const std::string& message) {
    if (message.empty() || message.size() > 200) return false;
    for (char c : message) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) return false;
    }
    return true;
}

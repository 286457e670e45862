// The message panel at the top of the window: what it shows (the last load's error or warnings,
// then the camera line F3 printed) and when it opens and closes by itself. No GL, no I/O:
// drawMessagePanel draws the lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MessagePanel {
    std::vector<std::string> messages; // the last load's error and its notes, or its warnings
    std::vector<std::string> warnings; // of the last load that parsed, to tell new ones by
    std::string cameraLine;            // F3's line, shown until the next load
    int32_t open;
    int32_t openedBySelf; // by an error, new warnings or F3: a load with nothing new closes it
    int32_t loads;        // loads shown so far; the first is start-up's
};

// A load's outcome. An error is shown with the notes that explain it under it, and opens the
// panel. A load that parsed shows its warnings; after a reload whose warnings are not those of
// the last load that parsed, the panel opens for them, and otherwise a panel that opened by itself
// closes. At start-up only an error opens it.
void showLoadMessages(MessagePanel* panel, bool ok, const std::string& error,
                      const std::vector<std::string>& warnings,
                      const std::vector<std::string>& notes = {});
// F1: opens or closes the panel, which is the user's until F1 closes it.
void toggleMessagePanel(MessagePanel* panel);
// F3: the camera line under the messages; opens the panel if it was closed.
void showCameraLine(MessagePanel* panel, const std::string& line);
// The rows to draw, the messages first; none while the panel is closed. Valid while the panel is
// unchanged.
std::vector<const char*> panelLines(const MessagePanel& panel);

// The message panel's lines and the rules that open and close it without F1.
#include "app/panel.h"

namespace {
void openBySelf(MessagePanel* panel) {
    if (panel->open) return;
    panel->open = 1;
    panel->openedBySelf = 1;
}
} // namespace

void showLoadMessages(MessagePanel* panel, bool ok, const std::string& error,
                      const std::vector<std::string>& warnings,
                      const std::vector<std::string>& notes) {
    const bool reload = panel->loads++ > 0;
    panel->cameraLine.clear();
    if (!ok) {
        panel->messages = {error};
        panel->messages.insert(panel->messages.end(), notes.begin(), notes.end());
        openBySelf(panel);
        return;
    }
    const bool fresh = reload && !warnings.empty() && warnings != panel->warnings;
    panel->messages = warnings;
    panel->warnings = warnings;
    if (fresh) {
        openBySelf(panel);
    } else if (panel->openedBySelf) {
        panel->open = 0;
        panel->openedBySelf = 0;
    }
}

void toggleMessagePanel(MessagePanel* panel) {
    panel->open = panel->open ? 0 : 1;
    panel->openedBySelf = 0;
}

void showCameraLine(MessagePanel* panel, const std::string& line) {
    panel->cameraLine = line;
    openBySelf(panel);
}

std::vector<const char*> panelLines(const MessagePanel& panel) {
    std::vector<const char*> lines;
    if (!panel.open) return lines;
    for (const std::string& line : panel.messages) lines.push_back(line.c_str());
    if (!panel.cameraLine.empty()) lines.push_back(panel.cameraLine.c_str());
    return lines;
}

// The command line parser. A folder argument means the scene.txt inside it; the scene's folder is
// kept so that texture names in the file resolve beside the file, wherever krestel was started.
#include "app/options.h"

#include "loader/loader.h"

#include <cstdlib>
#include <cstring>

namespace {

// GLUT's X options and whether they take a value; glutInit consumes them.
bool isGlutOption(const char* arg, bool* takesValue) {
    static constexpr struct {
        const char* name;
        bool value;
    } options[] = {{"-display", true},   {"-geometry", true}, {"-iconic", false},
                   {"-indirect", false}, {"-direct", false},  {"-gldebug", false},
                   {"-sync", false}};
    for (const auto& option : options) {
        if (std::strcmp(arg, option.name) == 0) {
            *takesValue = option.value;
            return true;
        }
    }
    return false;
}

Options usageError(Options options, std::string message) {
    options.outcome = OptionsOutcome::UsageError;
    options.error = std::move(message);
    return options;
}

// A finite number of seconds, zero or more, and nothing after it.
bool parseSeconds(const char* text, double* seconds) {
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0.0) || value > 1e9) return false;
    *seconds = value;
    return true;
}

} // namespace

const char* usageText() {
    return "usage: krestel [--screenshot FILE [--after SECONDS]] [SCENE]\n"
           "  SCENE              a scene file, or a folder holding scene.txt (default scene.txt)\n"
           "  --screenshot FILE  run for SECONDS of application time, write the window to FILE\n"
           "                     as PNG and exit (status 3 when the scene did not load)\n"
           "  --after SECONDS    when --screenshot writes the window (default 2)\n"
           "  --help             print this text and exit\n"
           "  --version          print the version and exit\n"
           "Keys and mouse in the window:\n"
           "  W/S, A/D, Q/E      fly forwards / backwards, left / right, down / up\n"
           "  + / -              raise / lower the time rate while held\n"
           "  left drag          turn the view (a drag that starts on the HUD does not)\n"
           "  right drag         fly forwards (drag left) or backwards (drag right)\n"
           "  HUD button         hold the left button on it to run its action\n"
           "  F1                 show or hide the panel of load errors and warnings\n"
           "  F2                 show or hide frames per second, entities and particles\n"
           "  F3                 print the camera's position as the scene camera's line\n"
           "  F5                 reload the scene (saving its files reloads it too)\n"
           "  F12                write the window to krestel-NNNN.png beside the scene file\n"
           "  Home               put the camera back where the scene file places it\n"
           "  Escape             quit\n";
}

Options parseOptions(int argc, char** argv) {
    Options options{OptionsOutcome::Run, "", "scene.txt", "", "", 2.0};
    bool haveScene = false;
    bool haveAfter = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool takesValue = false;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options.outcome = OptionsOutcome::Help;
            return options;
        }
        if (std::strcmp(arg, "--version") == 0) {
            options.outcome = OptionsOutcome::Version;
            return options;
        }
        if (std::strcmp(arg, "--screenshot") == 0 || std::strcmp(arg, "--after") == 0) {
            if (i + 1 >= argc) return usageError(options, std::string(arg) + " needs a value");
            const char* value = argv[++i];
            if (arg[2] == 's') {
                if (*value == '\0') return usageError(options, "--screenshot needs a file name");
                options.screenshotPath = value;
            } else {
                if (!parseSeconds(value, &options.screenshotAfter)) {
                    return usageError(options,
                                      std::string("--after expects seconds, not '") + value + "'");
                }
                haveAfter = true;
            }
        } else if (isGlutOption(arg, &takesValue)) {
            if (takesValue) ++i;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usageError(options, std::string("unknown option '") + arg + "'");
        } else if (haveScene) {
            return usageError(options, std::string("one scene at a time: '") + options.scenePath +
                                           "' and '" + arg + "'");
        } else {
            haveScene = true;
            options.scenePath = arg;
        }
    }
    if (haveAfter && options.screenshotPath.empty()) {
        return usageError(options, "--after is only meaningful with --screenshot");
    }
    if (!haveScene) return options;
    const ScenePath scene = resolveScenePath(options.scenePath);
    options.scenePath = scene.file;
    options.sceneFolder = scene.folder;
    return options;
}

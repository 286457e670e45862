// The command line: `krestel [options] [SCENE]`, parsed without touching GLUT or the file system
// except for one stat that tells a folder from a file. GLUT's own X options pass through.
#pragma once

#include <string>

struct OptionsOutcome {
    enum : int { Run = 0, Help = 1, Version = 2, UsageError = 3 };
};

struct Options {
    int outcome;                // OptionsOutcome
    std::string error;          // UsageError: what was wrong, e.g. "unknown option '--fast'"
    std::string scenePath;      // the file to load, as the user named it ("scene.txt" by default)
    std::string sceneFolder;    // folder of scenePath that texture names resolve against; "" = here
    std::string screenshotPath; // --screenshot FILE; empty when not asked for
    double screenshotAfter;     // --after SECONDS of application time
};

inline constexpr const char* KRESTEL_VERSION = "1.1.0";

Options parseOptions(int argc, char** argv);
// The usage text for --help (stdout) and usage errors (stderr).
const char* usageText();

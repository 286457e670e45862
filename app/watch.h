// Watching the scene file and its texture files for saves. The core (watchFiles) is pure: it
// takes what stat said about each file and the time, and says when to reload. A change counts
// once the file has been quiet for WATCH_QUIET_SECONDS, so a half-written file is never read.
// Size, modification time and inode are compared, so a save that renames a new file over the
// old one is seen like a write in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr double WATCH_POLL_SECONDS = 0.1;
inline constexpr double WATCH_QUIET_SECONDS = 0.1;

struct FileStamp {
    int32_t exists;
    int64_t size;
    int64_t modifiedNs;
    uint64_t inode;
};

struct WatchedFile {
    std::string path;
    FileStamp stamp;
};

struct FileWatch {
    std::vector<WatchedFile> files;
    int32_t pending;   // a change has been seen and not yet reported
    double lastChange; // time of the last change seen
    double lastPoll;   // time of the last stat, for pollFileWatch
};

// The core: stamps[i] is the new stat of files[i]. True once, when a change has been followed by
// WATCH_QUIET_SECONDS without a further change.
bool watchFiles(FileWatch* watch, const std::vector<FileStamp>& stamps, double now);

// The thin layer: stat of one path, a watch over paths as they stand now, and the stat that runs
// at most every WATCH_POLL_SECONDS and feeds the core.
FileStamp statFile(const std::string& path);
FileWatch startFileWatch(const std::vector<std::string>& paths, double now);
bool pollFileWatch(FileWatch* watch, double now);

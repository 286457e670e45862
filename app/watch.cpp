// The file watch: stat polling a few times a second. Polling the stamps of a handful of files
// costs microseconds and survives every way an editor saves (in place, or a new file renamed
// over the old one), where a watch on the file itself goes quiet after a rename.
#include "app/watch.h"

#include <sys/stat.h>

namespace {
bool sameStamp(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.size == b.size && a.modifiedNs == b.modifiedNs &&
           a.inode == b.inode;
}
} // namespace

bool watchFiles(FileWatch* watch, const std::vector<FileStamp>& stamps, double now) {
    for (size_t i = 0; i < watch->files.size() && i < stamps.size(); ++i) {
        if (!sameStamp(watch->files[i].stamp, stamps[i])) {
            watch->files[i].stamp = stamps[i];
            watch->pending = 1;
            watch->lastChange = now;
        }
    }
    if (watch->pending && now - watch->lastChange >= WATCH_QUIET_SECONDS) {
        watch->pending = 0;
        return true;
    }
    return false;
}

FileStamp statFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return FileStamp{0, 0, 0, 0};
    return FileStamp{1, static_cast<int64_t>(info.st_size),
                     static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                     static_cast<uint64_t>(info.st_ino)};
}

FileWatch startFileWatch(const std::vector<std::string>& paths, double now) {
    FileWatch watch{{}, 0, now, now};
    for (const std::string& path : paths) watch.files.push_back({path, statFile(path)});
    return watch;
}

bool pollFileWatch(FileWatch* watch, double now) {
    if (now - watch->lastPoll < WATCH_POLL_SECONDS) return false;
    watch->lastPoll = now;
    std::vector<FileStamp> stamps;
    stamps.reserve(watch->files.size());
    for (const WatchedFile& file : watch->files) stamps.push_back(statFile(file.path));
    return watchFiles(watch, stamps, now);
}

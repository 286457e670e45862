// Shared by the benchmark programs that report memory: one field of /proc/self/status.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

// A field of /proc/self/status ("VmRSS", "VmHWM", ...) in bytes (the file gives kB); 0 when
// it cannot be read.
inline long long statusBytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long long kb = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kb = std::atoll(line + length + 1);
            break;
        }
    }
    std::fclose(f);
    return kb * 1024;
}

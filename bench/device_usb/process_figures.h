#pragma once

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace talvik::bench {

// Entries of a /proc folder such as /proc/self/fd or /proc/self/task.
inline int CountEntries(const char* path) {
    int count = 0;
    DIR* dir = opendir(path);
    if (dir == nullptr) {
        return -1;
    }
    while (dirent* entry = readdir(dir)) {
        count += entry->d_name[0] == '.' ? 0 : 1;
    }
    closedir(dir);
    return count;
}

// Resident memory of this process in KiB; -1 when unknown.
inline long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

}  // namespace talvik::bench

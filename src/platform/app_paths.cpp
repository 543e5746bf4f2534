#include "platform/app_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace talvik::platform {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

}  // namespace

std::string GetExecutablePath() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string GetAppDir() {
    const std::string exe = GetExecutablePath();
    if (exe.empty()) {
        return "./";
    }
    return WithSlash(fs::path(exe).parent_path().string());
}

std::string ResolveDataDir(const std::string& app_dir, const char* xdg_data_home,
                           const char* home) {
    std::error_code ec;
    const std::string portable = WithSlash(app_dir) + "Data/";
    if (fs::is_directory(portable, ec)) {
        return portable;
    }
    std::string base;
    if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
        base = xdg_data_home;
    } else if (home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    return WithSlash(base) + "talvik-mouse/";
}

std::string GetDataDir() {
    const std::string dir =
        ResolveDataDir(GetAppDir(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    std::error_code ec;
    if (!fs::is_directory(dir, ec) && !fs::exists(dir, ec)) {
        fs::create_directories(dir, ec);  // a failure shows later as failing writes
    }
    return dir;
}

}  // namespace talvik::platform

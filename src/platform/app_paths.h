#pragma once

#include <string>

namespace talvik::platform {

// The running executable's full path (links resolved); empty when it cannot be read.
std::string GetExecutablePath();

// The folder of the running executable, ending with '/'.
std::string GetAppDir();

// The data folder, ending with '/'. Portable mode: "<exe dir>/Data/" when that folder exists;
// otherwise "$XDG_DATA_HOME/talvik-mouse/" (default "~/.local/share/talvik-mouse/"). The folder
// is created on first use; a plain file in its place is left alone and later writes fail.
std::string GetDataDir();

// GetDataDir's choice for a given executable folder and environment, without side effects.
std::string ResolveDataDir(const std::string& app_dir, const char* xdg_data_home, const char* home);

}  // namespace talvik::platform

#pragma once
// Maps a registry-style key name and section onto an INI file and group.
#include <string>

namespace ProfileStore {

// "Software\A\B\C" -> "<config>/A/B/C.ini"; other key names keep all their parts.
std::string iniPathForKey(const std::string& keyName);

// The configuration root: $XDG_CONFIG_HOME, or $HOME/.config.
std::string configRoot();

// The file name of the running program without folder and last extension.
std::string programName();

}  // namespace ProfileStore

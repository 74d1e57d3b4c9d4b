// The user's own folders after the XDG base directory rules.
#pragma once

#include <string>

namespace rudiruza {

// The home folder: $HOME, else the password database's entry.
std::string HomeDir();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string UserConfigDir();
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string UserDataDir();

}  // namespace rudiruza

#pragma once

#include <string>

namespace hm {

// The user's base folders, read from the environment on every call so that a changed
// environment (as in tests) takes effect at once. Relative settings are ignored, as the
// base-directory rules require. Empty when not even a home folder can be found.
std::string xdgConfigHome();  // $XDG_CONFIG_HOME, else ~/.config
std::string xdgDataHome();    // $XDG_DATA_HOME, else ~/.local/share

}  // namespace hm

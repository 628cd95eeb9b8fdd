#pragma once

#include <string>

namespace hm {

// --help: the forms of the line with an example each, the exit statuses and the settings file.
std::string helpText(const std::string& settingsPath);

// --version: the program's name and version, one line.
std::string versionText();

}  // namespace hm

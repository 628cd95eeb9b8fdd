#include "app/command_help.h"

#include "app/version.h"
#include "platform/user_texts.h"

namespace hm {

std::string helpText(const std::string& settingsPath) {
  return std::string(kCommandHelpText) + kSettingsFileText + settingsPath + "\n";
}

std::string versionText() {
  return std::string(kProgramName) + " " + kProgramVersion + "\n";
}

}  // namespace hm

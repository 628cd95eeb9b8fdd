#pragma once

#include "platform/file_system.h"
#include "platform/settings.h"

#include <string>

namespace hm {

// The settings kept in one readable file ($XDG_CONFIG_HOME/hexmarshal/settings.reg by default).
// Every call reads or rewrites the file whole, so no state is kept between calls; a write holds the
// file's lock from its read to its rename, so processes writing at once keep each other's values.
// The file is reached through `fs`.
class SettingsStore : public Settings {
 public:
  SettingsStore(FileSystem& fs, std::string filePath);
  // $XDG_CONFIG_HOME (default ~/.config) + "/hexmarshal/settings.reg"
  static std::string defaultPath();

  // False for a missing key or value, or a value of 1024 bytes or more; `result` then unchanged.
  // An empty value name is the key's default value.
  bool ReadRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                    std::string& result) const override;
  // Creates every missing key on the path; an empty text is stored as a single space. False
  // also when another process held the file for 5 seconds.
  bool WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                     const std::string& value) override;

  const std::string& filePath() const { return filePath_; }

 private:
  FileSystem& fs_;
  std::string filePath_;
};

}  // namespace hm

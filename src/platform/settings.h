#pragma once

#include <string>

namespace hm {

enum class RegRoot { LocalMachine, ClassesRoot };

inline constexpr const char* kProgramKey = "software\\Quorral\\Hexmarshal";
inline constexpr const char* kFolderValue = "TekDir";

// Text values under keys written with backslashes, as the program's registry functions keep
// them: the last folder used and the file-type association's rows. The window and the file
// chooser take this rather than the store behind it, so their tests can hand in a fake.
class Settings {
 public:
  virtual ~Settings() = default;
  // False for a missing key or value; `result` then unchanged. An empty value name is the
  // key's default value.
  virtual bool ReadRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                            std::string& result) const = 0;
  // Creates every missing key on the path; true only when the value has been written.
  virtual bool WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                             const std::string& value) = 0;
};

}  // namespace hm

#pragma once

#include "platform/settings.h"

#include <map>
#include <string>
#include <tuple>

namespace hm::test {

// Settings held in a map, for windows whose tests need no settings file. Names match exactly.
class MemorySettings : public Settings {
 public:
  using Name = std::tuple<RegRoot, std::string, std::string>;  // root, key path, value name
  std::map<Name, std::string> values;

  bool ReadRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                    std::string& result) const override {
    auto it = values.find({root, keyPath, valueName});
    if (it == values.end()) return false;
    result = it->second;
    return true;
  }

  bool WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                     const std::string& value) override {
    values[{root, keyPath, valueName}] = value;
    return true;
  }
};

}  // namespace hm::test

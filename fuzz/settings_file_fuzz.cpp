// Any bytes as the settings file, and any key, name and text: reading never fails on a damaged
// file, and a text written reads back as written, without disturbing the values beside it.

#include "fuzz_check.h"
#include "platform/ascii_text.h"
#include "platform/settings_store.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The input: a flags byte, the lengths of key path, value name and text, those three, then the
// file's bytes.
struct Case {
  hm::RegRoot root;
  std::string key, name, value;
  std::string_view file;
};

Case split(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  auto take = [&](std::size_t n) {
    std::string_view part = rest.substr(0, std::min(n, rest.size()));
    rest.remove_prefix(part.size());
    return std::string(part);
  };
  Case c;
  c.root = data[0] & 1 ? hm::RegRoot::ClassesRoot : hm::RegRoot::LocalMachine;
  std::size_t keyLength = data[1] % 80;
  std::size_t nameLength = data[2] % 40;
  std::size_t valueLength = (data[3] | std::size_t{data[4]} << 8) % 1200;
  rest.remove_prefix(5);
  c.key = take(keyLength);
  c.name = take(nameLength);
  c.value = take(valueLength);
  c.file = rest;
  return c;
}

// A key path the file can hold: backslash-separated non-empty names without line breaks or NULs.
bool storableKey(const std::string& key) {
  if (key.empty()) return true;
  if (key.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) return false;
  return key.front() != '\\' && key.back() != '\\' && key.find("\\\\") == std::string::npos;
}

// What a read gives back for a stored text: nothing for 1024 bytes or more, else the text up to
// its first NUL.
bool readsBack(const std::string& stored, std::string& expected) {
  if (stored.size() >= 1024) return false;
  expected = stored.substr(0, stored.find('\0'));
  return true;
}

void checkRead(const hm::SettingsStore& store, hm::RegRoot root, const std::string& key,
               const std::string& name, const std::string& stored) {
  std::string expected;
  bool readable = readsBack(stored, expected);
  for (bool folded : {false, true}) {
    std::string result = "untouched";
    bool found = folded
                     ? store.ReadRegValue(root, hm::asciiUpper(key), hm::asciiUpper(name), result)
                     : store.ReadRegValue(root, key, name, result);
    HM_FUZZ_CHECK(found == readable);
    HM_FUZZ_CHECK(result == (readable ? expected : "untouched"));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  Case c = split(data, size);
  const std::string path = "config/hexmarshal/settings.reg";
  hm::test::MemoryFileSystem fs;
  fs.files[path].assign(c.file.begin(), c.file.end());
  hm::SettingsStore store(fs, path);

  std::string before = "untouched";
  if (store.ReadRegValue(c.root, c.key, c.name, before)) {
    HM_FUZZ_CHECK(before.size() < 1024 && before.find('\0') == std::string::npos);
  } else {
    HM_FUZZ_CHECK(before == "untouched");
  }

  bool written = store.WriteRegValue(c.root, c.key, c.name, c.value);
  HM_FUZZ_CHECK(written == storableKey(c.key));
  if (!written) return 0;
  const std::string stored = c.value.empty() ? " " : c.value;
  checkRead(store, c.root, c.key, c.name, stored);

  // A second value under the same key, and one under the other root, leave the first alone.
  const std::string otherName = c.name + "~";
  const std::string otherValue = c.value.substr(0, c.value.size() / 2) + "=\"\\";
  HM_FUZZ_CHECK(store.WriteRegValue(c.root, c.key, otherName, otherValue));
  const hm::RegRoot otherRoot =
      c.root == hm::RegRoot::LocalMachine ? hm::RegRoot::ClassesRoot : hm::RegRoot::LocalMachine;
  HM_FUZZ_CHECK(store.WriteRegValue(otherRoot, c.key, c.name, "other root"));
  checkRead(store, c.root, c.key, c.name, stored);
  checkRead(store, c.root, c.key, otherName, otherValue);
  checkRead(store, otherRoot, c.key, c.name, "other root");
  return 0;
}

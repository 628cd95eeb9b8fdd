#include "platform/settings_store.h"

#include "platform/scoped_env.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::readFile;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;

std::string readText(const std::string& path) {
  auto bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string read(RegRoot root, const std::string& key, const std::string& name,
                   bool* found = nullptr) {
    std::string result = "untouched";
    bool ok = store.ReadRegValue(root, key, name, result);
    if (found) *found = ok;
    return result;
  }

  TempDir dir;
  SettingsStore store{realFileSystem(), dir.file("cfg/hexmarshal/settings.reg")};
};

TEST_F(SettingsStoreTest, WritesReadableRegistryText) {
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/home/u/"));
  ASSERT_TRUE(store.WriteRegValue(RegRoot::ClassesRoot, ".bin", "", "Hexmarshal.bin"));
  EXPECT_EQ(readText(store.filePath()),
            "[HKEY_LOCAL_MACHINE\\software]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\software\\Quorral]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\software\\Quorral\\Hexmarshal]\n"
            "\"TekDir\"=\"/home/u/\"\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\.bin]\n"
            "@=\"Hexmarshal.bin\"\n");
}

TEST_F(SettingsStoreTest, EmptyTextIsStoredAsOneSpace) {
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, ""));
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, kFolderValue), " ");
}

TEST_F(SettingsStoreTest, MissingFileKeyOrValueLeavesResultUnchanged) {
  bool found = true;
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, kFolderValue, &found), "untouched");
  EXPECT_FALSE(found);

  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "Other", "x"));
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, kFolderValue, &found), "untouched");
  EXPECT_FALSE(found);
  EXPECT_EQ(read(RegRoot::LocalMachine, "software\\Nobody", kFolderValue, &found), "untouched");
  EXPECT_FALSE(found);
  // The same key under the other root is another key.
  EXPECT_EQ(read(RegRoot::ClassesRoot, kProgramKey, "Other", &found), "untouched");
  EXPECT_FALSE(found);
  // A parent created on the way holds no values of its own.
  EXPECT_EQ(read(RegRoot::LocalMachine, "software\\Quorral", "Other", &found), "untouched");
  EXPECT_FALSE(found);
}

TEST_F(SettingsStoreTest, ValuesOf1024BytesOrMoreDoNotRead) {
  bool found = false;
  std::string fits(1023, 'a');
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "Fits", fits));
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, "Fits", &found), fits);
  EXPECT_TRUE(found);

  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "Long", fits + "a"));
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, "Long", &found), "untouched");
  EXPECT_FALSE(found);
}

TEST_F(SettingsStoreTest, CreatesEveryMissingKeyAndItsFolder) {
  ASSERT_TRUE(store.WriteRegValue(RegRoot::ClassesRoot, "Hexmarshal.bin\\shell\\open\\command", "",
                                  "/opt/hm %1"));
  std::string text = readText(store.filePath());
  for (const char* key :
       {"[HKEY_CLASSES_ROOT\\Hexmarshal.bin]\n", "[HKEY_CLASSES_ROOT\\Hexmarshal.bin\\shell]\n",
        "[HKEY_CLASSES_ROOT\\Hexmarshal.bin\\shell\\open]\n",
        "[HKEY_CLASSES_ROOT\\Hexmarshal.bin\\shell\\open\\command]\n"}) {
    EXPECT_NE(text.find(key), std::string::npos) << key;
  }
  EXPECT_EQ(read(RegRoot::ClassesRoot, "Hexmarshal.bin\\shell\\open\\command", ""), "/opt/hm %1");
}

TEST_F(SettingsStoreTest, NamesMatchInAnyCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(
      store.WriteRegValue(RegRoot::LocalMachine, "Software\\QUORRAL\\Hexmarshal", "tekdir", "/a/"));
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/b/"));
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, "software\\quorral\\New", "V", "1"));
  EXPECT_EQ(read(RegRoot::LocalMachine, "SOFTWARE\\quorral\\HEXMARSHAL", "TEKDIR"), "/b/");
  EXPECT_EQ(readText(store.filePath()),
            "[HKEY_LOCAL_MACHINE\\Software]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\QUORRAL]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\QUORRAL\\Hexmarshal]\n"
            "\"tekdir\"=\"/b/\"\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\QUORRAL\\New]\n"
            "\"V\"=\"1\"\n");
}

TEST_F(SettingsStoreTest, EscapedTextsSurviveARoundTrip) {
  const std::string value = "C:\\dir \"quoted\"\nsecond line\r\n[not a key]\n@=\"x\"";
  const std::string name = "na\"me\\with=signs";
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, name, value));
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "After", "ok"));
  SettingsStore reopened(realFileSystem(), store.filePath());
  std::string result;
  ASSERT_TRUE(reopened.ReadRegValue(RegRoot::LocalMachine, kProgramKey, name, result));
  EXPECT_EQ(result, value);
  ASSERT_TRUE(reopened.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "After", result));
  EXPECT_EQ(result, "ok");
}

TEST_F(SettingsStoreTest, TextEndsAtAZeroByteLikeTheRegistryBuffer) {
  ASSERT_TRUE(
      store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "Z", std::string("ab\0cd", 5)));
  EXPECT_EQ(read(RegRoot::LocalMachine, kProgramKey, "Z"), "ab");
}

TEST_F(SettingsStoreTest, DamagedFileKeepsItsReadableValuesAndItsOtherLines) {
  std::string damaged =
      "garbage before any key\n"
      "[HKEY_LOCAL_MACHINE\\software\\Quorral\\Hexmarshal]\r\n"
      "\"TekDir\"=\"/kept/\"\r\n"
      "\"Broken\"=\"no end quote\n"
      "\"BadEscape\"=\"\\q\"\n"
      "@=unquoted\n"
      "\"Trailing\"=\"x\" junk\n"
      "[HKEY_CLASSES_ROOT\\.bin\n"
      "\x01\x02\xff binary\n";
  writeFile(dir.file("damaged.reg"), damaged);
  SettingsStore damagedStore(realFileSystem(), dir.file("damaged.reg"));
  std::string result;
  ASSERT_TRUE(damagedStore.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "TekDir", result));
  EXPECT_EQ(result, "/kept/");
  for (const char* name : {"Broken", "BadEscape", "", "Trailing"}) {
    EXPECT_FALSE(damagedStore.ReadRegValue(RegRoot::LocalMachine, kProgramKey, name, result))
        << name;
  }

  ASSERT_TRUE(damagedStore.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "New", "v"));
  std::string text = readText(dir.file("damaged.reg"));
  EXPECT_NE(text.find("garbage before any key\n"), std::string::npos);
  EXPECT_NE(text.find("\"Trailing\"=\"x\" junk\n"), std::string::npos);
  EXPECT_NE(text.find("\x01\x02\xff binary\n"), std::string::npos);
  ASSERT_TRUE(damagedStore.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "New", result));
  EXPECT_EQ(result, "v");
  ASSERT_TRUE(damagedStore.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "TekDir", result));
  EXPECT_EQ(result, "/kept/");
}

// A kept line must keep every carriage return: with one fewer it would read as a key or a value
// the next time, hiding the value just written or bringing back an old one.
TEST_F(SettingsStoreTest, KeptLinesReadTheSameAfterARewrite) {
  writeFile(dir.file("returns.reg"),
            std::string("[HKEY_LOCAL_MACHINE\\software\\Quorral\\Hexmarshal]\n"
                        "\"n\"=\"old\"\r\r\n"
                        "[junk]\r\r\n"));
  SettingsStore returns(realFileSystem(), dir.file("returns.reg"));
  ASSERT_TRUE(returns.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "n", "new"));
  std::string result;
  ASSERT_TRUE(returns.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "n", result));
  EXPECT_EQ(result, "new");
  ASSERT_TRUE(returns.WriteRegValue(RegRoot::LocalMachine, kProgramKey, "m", "v"));
  ASSERT_TRUE(returns.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "m", result));
  EXPECT_EQ(result, "v");
  ASSERT_TRUE(returns.ReadRegValue(RegRoot::LocalMachine, kProgramKey, "n", result));
  EXPECT_EQ(result, "new");
}

TEST_F(SettingsStoreTest, UnusableKeyPathsAreRefused) {
  std::string result;
  for (const char* key : {"\\software", "software\\", "a\\\\b", "line\nbreak"}) {
    EXPECT_FALSE(store.WriteRegValue(RegRoot::LocalMachine, key, "V", "x")) << key;
    EXPECT_FALSE(store.ReadRegValue(RegRoot::LocalMachine, key, "V", result)) << key;
  }
  EXPECT_FALSE(test::fileExists(store.filePath()));
}

TEST_F(SettingsStoreTest, FailsWithoutHarmWhenTheFileCannotBeUsed) {
  // A folder where the file should be: nothing to read, nothing can be written.
  ::mkdir(dir.file("taken").c_str(), 0755);
  SettingsStore blocked(realFileSystem(), dir.file("taken"));
  std::string result = "untouched";
  EXPECT_FALSE(blocked.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/x/"));
  EXPECT_FALSE(blocked.ReadRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, result));
  EXPECT_EQ(result, "untouched");

  writeFile(dir.file("plain"), std::string("a file"));
  SettingsStore underFile(realFileSystem(), dir.file("plain/hexmarshal/settings.reg"));
  EXPECT_FALSE(underFile.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/x/"));
}

TEST_F(SettingsStoreTest, RefusedRewriteFailsAndKeepsTheFile) {
  ASSERT_TRUE(store.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/old/"));
  const std::string before = readText(store.filePath());
  test::FaultFileSystem fs;
  fs.readOnlyFolders = {dir.file("cfg/hexmarshal")};
  SettingsStore refused(fs, store.filePath());
  EXPECT_FALSE(refused.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/new/"));
  EXPECT_EQ(readText(store.filePath()), before);
}

TEST(SettingsStoreDefaultPath, FollowsTheEnvironmentOnEveryCall) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  {
    ScopedEnv config("XDG_CONFIG_HOME", dir.file("one"));
    EXPECT_EQ(SettingsStore::defaultPath(), dir.file("one") + "/hexmarshal/settings.reg");
    ::setenv("XDG_CONFIG_HOME", dir.file("two").c_str(), 1);
    EXPECT_EQ(SettingsStore::defaultPath(), dir.file("two") + "/hexmarshal/settings.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
    EXPECT_EQ(SettingsStore::defaultPath(), dir.path() + "/.config/hexmarshal/settings.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::defaultPath(), dir.path() + "/.config/hexmarshal/settings.reg");
  }
}

}  // namespace
}  // namespace hm

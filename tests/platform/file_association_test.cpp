#include "platform/file_association.h"

#include "platform/association_icons.h"
#include "platform/scoped_env.h"
#include "platform/settings_store.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::ScopedEnv;
using test::TempDir;

std::string readText(const std::string& path) {
  auto bytes = test::readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

std::map<std::string, std::vector<std::uint8_t>> snapshot(const std::string& root) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = test::readFile(entry.path());
  }
  return files;
}

// The default values of HKEY_CLASSES_ROOT keys in the order the file holds them.
std::vector<std::pair<std::string, std::string>> classDefaults(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> rows;
  std::string key;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.rfind("[HKEY_CLASSES_ROOT\\", 0) == 0) key = line.substr(19, line.size() - 20);
    if (line.rfind("@=\"", 0) == 0) rows.emplace_back(key, line.substr(3, line.size() - 4));
  }
  return rows;
}

class FileAssociationTest : public ::testing::Test {
 protected:
  FileAssociationTest() {
    ::mkdir(dir.file("bin").c_str(), 0755);
    for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
      std::string script = dir.file("bin/") + tool;
      test::writeFile(script,
                      "#!/bin/sh\necho \"${0##*/} $1\" >> '" + dir.file("tools.log") + "'\n");
      ::chmod(script.c_str(), 0755);
    }
  }

  void associate() { ASSERT_TRUE(associateFileTypes(realFileSystem(), store, places)); }
  std::string desktopEntry() {
    return readText(dir.file("data/applications/hexmarshal-user.desktop"));
  }

  TempDir dir;
  ScopedEnv path{"PATH", dir.file("bin")};
  AssociationPlaces places{"/opt/hex tools/hexmarshal", dir.file("data"), dir.file("config")};
  SettingsStore store{realFileSystem(), dir.file("config/hexmarshal/settings.reg")};
};

TEST_F(FileAssociationTest, WritesTheSixClassValuesInOrder) {
  associate();
  using Row = std::pair<std::string, std::string>;
  EXPECT_EQ(classDefaults(readText(store.filePath())),
            (std::vector<Row>{
                {".bin", "Hexmarshal.bin"},
                {"Hexmarshal.bin\\DefaultIcon", "/opt/hex tools/hexmarshal"},
                {"Hexmarshal.bin\\shell\\open\\command", "/opt/hex tools/hexmarshal %1"},
                {".dif", "Hexmarshal.dif"},
                {"Hexmarshal.dif\\DefaultIcon", "/opt/hex tools/hexmarshal,1"},
                {"Hexmarshal.dif\\shell\\open\\command", "/opt/hex tools/hexmarshal %1"},
            }));
}

TEST_F(FileAssociationTest, RegistersTheTypesWithTheDesktop) {
  associate();
  const std::string data = dir.file("data");
  EXPECT_EQ(readText(data + "/applications/hexmarshal-user.desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Hexmarshal\n"
            "GenericName=Binary Patch Editor\n"
            "GenericName[ru]=Редактор бинарных патчей\n"
            "Exec=\"/opt/hex tools/hexmarshal\" %f\n"
            "Icon=hexmarshal\n"
            "MimeType=application/x-hexmarshal-bin;application/x-hexmarshal-dif;\n"
            "Categories=Development;\n"
            "NoDisplay=true\n"
            "StartupWMClass=Hexmarshal\n"
            "Terminal=false\n");
  std::string package = readText(data + "/mime/packages/hexmarshal.xml");
  for (const char* part : {"<mime-type type=\"application/x-hexmarshal-bin\">",
                           "<glob pattern=\"*.bin\" weight=\"60\" case-sensitive=\"false\"/>",
                           "<icon name=\"application-x-hexmarshal-bin\"/>",
                           "<mime-type type=\"application/x-hexmarshal-dif\">",
                           "<glob pattern=\"*.dif\" weight=\"60\" case-sensitive=\"false\"/>",
                           "<icon name=\"application-x-hexmarshal-dif\"/>"}) {
    EXPECT_NE(package.find(part), std::string::npos) << part;
  }
  const std::string icons = data + "/icons/hicolor/scalable/";
  EXPECT_EQ(readText(icons + "apps/hexmarshal.svg"), programIconSvg());
  EXPECT_EQ(readText(icons + "mimetypes/application-x-hexmarshal-bin.svg"), programIconSvg());
  EXPECT_EQ(readText(icons + "mimetypes/application-x-hexmarshal-dif.svg"), difIconSvg());
  EXPECT_EQ(readText(dir.file("config/mimeapps.list")),
            "[Default Applications]\n"
            "application/x-hexmarshal-bin=hexmarshal-user.desktop\n"
            "application/x-hexmarshal-dif=hexmarshal-user.desktop\n");
  EXPECT_EQ(readText(dir.file("tools.log")), "update-mime-database " + data + "/mime\n" +
                                                 "update-desktop-database " + data +
                                                 "/applications\n");
}

TEST_F(FileAssociationTest, KeepsEveryOtherLineOfTheDefaultsList) {
  ::mkdir(dir.file("config").c_str(), 0755);
  test::writeFile(dir.file("config/mimeapps.list"),
                  "[Added Associations]\n"
                  "application/x-hexmarshal-bin=other.desktop;\n"
                  "\n"
                  "[Default Applications]\n"
                  "text/plain=editor.desktop\n"
                  "application/x-hexmarshal-dif=old.desktop\n"
                  "image/png=viewer.desktop\n"
                  "application/x-hexmarshal-dif = older.desktop\n"
                  "\n"
                  "[Removed Associations]\n"
                  "text/html=browser.desktop\n");
  associate();
  const std::string expected =
      "[Added Associations]\n"
      "application/x-hexmarshal-bin=other.desktop;\n"
      "\n"
      "[Default Applications]\n"
      "text/plain=editor.desktop\n"
      "application/x-hexmarshal-bin=hexmarshal-user.desktop\n"
      "application/x-hexmarshal-dif=hexmarshal-user.desktop\n"
      "image/png=viewer.desktop\n"
      "\n"
      "[Removed Associations]\n"
      "text/html=browser.desktop\n";
  EXPECT_EQ(readText(dir.file("config/mimeapps.list")), expected);
  associate();
  EXPECT_EQ(readText(dir.file("config/mimeapps.list")), expected);
}

TEST_F(FileAssociationTest, AddsTheDefaultsAfterAnExistingSection) {
  ::mkdir(dir.file("config").c_str(), 0755);
  test::writeFile(dir.file("config/mimeapps.list"),
                  "[Default Applications]\ntext/plain=editor.desktop\n\n[Other]\nx=y");
  associate();
  EXPECT_EQ(readText(dir.file("config/mimeapps.list")),
            "[Default Applications]\n"
            "text/plain=editor.desktop\n"
            "application/x-hexmarshal-bin=hexmarshal-user.desktop\n"
            "application/x-hexmarshal-dif=hexmarshal-user.desktop\n"
            "\n"
            "[Other]\n"
            "x=y\n");
}

TEST_F(FileAssociationTest, RunningTwiceChangesNothingMore) {
  associate();
  auto data = snapshot(dir.file("data"));
  auto config = snapshot(dir.file("config"));
  associate();
  EXPECT_EQ(snapshot(dir.file("data")), data);
  EXPECT_EQ(snapshot(dir.file("config")), config);
}

TEST_F(FileAssociationTest, QuotesAwkwardProgramPathsForTheDesktop) {
  places.programPath = "/opt/a \"b\" $c `d` 100% \\e/hm";
  associate();
  EXPECT_NE(desktopEntry().find(
                "Exec=\"/opt/a \\\\\"b\\\\\" \\\\$c \\\\`d\\\\` 100%% \\\\\\\\e/hm\" %f\n"),
            std::string::npos)
      << desktopEntry();
  // The registry rows take the path as it is, without quotation marks.
  std::string value;
  ASSERT_TRUE(
      store.ReadRegValue(RegRoot::ClassesRoot, "Hexmarshal.dif\\shell\\open\\command", "", value));
  EXPECT_EQ(value, places.programPath + " %1");
}

struct ExecCase {
  const char* name;
  const char* program;
  const char* exec;  // the Exec line as written
};

class ExecLineTest : public FileAssociationTest, public testing::WithParamInterface<ExecCase> {};

// A launcher that reads the first word of the line as the program must find it: a path without
// reserved characters is left unquoted.
TEST_P(ExecLineTest, EscapesWhatTheDesktopEntryRulesReserve) {
  places.programPath = GetParam().program;
  associate();
  const std::string entry = desktopEntry();
  EXPECT_NE(entry.find(std::string("Exec=") + GetParam().exec + " %f\n"), std::string::npos)
      << entry;
  if (::access("/usr/bin/desktop-file-validate", X_OK) == 0) {
    const std::string command = "/usr/bin/desktop-file-validate '" +
                                dir.file("data/applications/hexmarshal-user.desktop") + "' >&2";
    EXPECT_EQ(std::system(command.c_str()), 0) << entry;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExecLineTest,
    testing::Values(ExecCase{"Plain", "/usr/bin/hexmarshal", "/usr/bin/hexmarshal"},
                    ExecCase{"Percent", "/opt/100%/hm", "/opt/100%%/hm"},
                    ExecCase{"Space", "/opt/hex tools/hm", "\"/opt/hex tools/hm\""},
                    ExecCase{"Tab", "/opt/a\tb/hm", "\"/opt/a\\tb/hm\""},
                    ExecCase{"SingleQuote", "/opt/it's/hm", "\"/opt/it's/hm\""},
                    ExecCase{"Hash", "/opt/c#/hm", "\"/opt/c#/hm\""},
                    ExecCase{"Russian", "/opt/программы/hm", "/opt/программы/hm"}),
    [](const testing::TestParamInfo<ExecCase>& info) { return info.param.name; });

TEST_F(FileAssociationTest, APathNoDesktopEntryCanHoldIsRefusedWithItsReason) {
  places.programPath = "/opt/\xE9t\xE9/hm";
  const Status associated = associateFileTypes(realFileSystem(), store, places);
  ASSERT_FALSE(associated);
  EXPECT_EQ(associated.error().message,
            "Не удалось связать BIN ,DIF c Hexmarshal: путь к программе не в кодировке UTF-8, "
            "ярлык его не примет.");
  EXPECT_FALSE(test::fileExists(store.filePath()));
  EXPECT_FALSE(test::fileExists(dir.file("data")));
}

TEST_F(FileAssociationTest, AFileThatCannotBeWrittenIsNamed) {
  test::writeFile(dir.file("data"), std::string("a file where a folder should be"));
  const Status associated = associateFileTypes(realFileSystem(), store, places);
  ASSERT_FALSE(associated);
  EXPECT_EQ(associated.error().message, "Не удалось связать BIN ,DIF c Hexmarshal: ошибка записи " +
                                            dir.file("data/applications/hexmarshal-user.desktop") +
                                            ".");
}

TEST_F(FileAssociationTest, MissingToolsAreIgnored) {
  ::setenv("PATH", dir.file("nothing-here").c_str(), 1);
  associate();
  EXPECT_TRUE(test::fileExists(dir.file("data/mime/packages/hexmarshal.xml")));
  EXPECT_FALSE(test::fileExists(dir.file("tools.log")));
}

TEST_F(FileAssociationTest, WithoutAProgramPathNothingIsWritten) {
  places.programPath.clear();
  const Status associated = associateFileTypes(realFileSystem(), store, places);
  ASSERT_FALSE(associated);
  EXPECT_EQ(associated.error().message,
            "Не удалось связать BIN ,DIF c Hexmarshal: путь к программе неизвестен.");
  EXPECT_FALSE(test::fileExists(store.filePath()));
  EXPECT_FALSE(test::fileExists(dir.file("data")));
}

TEST_F(FileAssociationTest, TheSharedMimeDatabaseAcceptsThePackage) {
  if (::access("/usr/bin/update-mime-database", X_OK) != 0) {
    GTEST_SKIP() << "update-mime-database is not installed";
  }
  ::setenv("PATH", "/usr/bin:/bin", 1);
  associate();
  std::string globs = readText(dir.file("data/mime/globs2"));
  EXPECT_NE(globs.find("60:application/x-hexmarshal-bin:*.bin"), std::string::npos) << globs;
  EXPECT_NE(globs.find("60:application/x-hexmarshal-dif:*.dif"), std::string::npos) << globs;
}

// One user's types and the installed package's must agree, or whichever the database reads last
// would change what the other promised.
TEST_F(FileAssociationTest, WritesTheMimePackageThePackageInstalls) {
  associate();
  EXPECT_EQ(readText(dir.file("data/mime/packages/hexmarshal.xml")),
            readText(HM_SOURCE_DIR "/packaging/hexmarshal-mime.xml"));
}

TEST(FileAssociationSeam, EveryFileGoesThroughTheGivenFileSystem) {
  TempDir dir;
  ScopedEnv path("PATH", dir.file("no-tools"));
  test::MemoryFileSystem fs;
  SettingsStore store(fs, dir.file("config/hexmarshal/settings.reg"));
  ASSERT_TRUE(associateFileTypes(fs, store, {"/p/hm", dir.file("data"), dir.file("config")}));
  std::vector<std::string> written;
  for (const auto& [name, bytes] : fs.files) written.push_back(name);
  const std::string icons = dir.file("data/icons/hicolor/scalable/");
  EXPECT_EQ(written, (std::vector<std::string>{
                         dir.file("config/hexmarshal/settings.reg"),
                         dir.file("config/mimeapps.list"),
                         dir.file("data/applications/hexmarshal-user.desktop"),
                         icons + "apps/hexmarshal.svg",
                         icons + "mimetypes/application-x-hexmarshal-bin.svg",
                         icons + "mimetypes/application-x-hexmarshal-dif.svg",
                         dir.file("data/mime/packages/hexmarshal.xml"),
                     }));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(AssociationPlaces, ComeFromTheEnvironment) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  ScopedEnv data("XDG_DATA_HOME", dir.file("d"));
  ScopedEnv config("XDG_CONFIG_HOME", dir.file("c"));
  AssociationPlaces places = AssociationPlaces::fromEnvironment("/p/hm");
  EXPECT_EQ(places.programPath, "/p/hm");
  EXPECT_EQ(places.dataHome, dir.file("d"));
  EXPECT_EQ(places.configHome, dir.file("c"));
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  places = AssociationPlaces::fromEnvironment("/p/hm");
  EXPECT_EQ(places.dataHome, dir.path() + "/.local/share");
  EXPECT_EQ(places.configHome, dir.path() + "/.config");
}

}  // namespace
}  // namespace hm

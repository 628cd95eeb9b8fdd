#include "platform/file_association.h"

#include "platform/association_icons.h"
#include "platform/desktop_databases.h"
#include "platform/file_system.h"
#include "platform/user_texts.h"
#include "platform/xdg_dirs.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace hm {

namespace {

constexpr const char* kBinType = "application/x-hexmarshal-bin";
constexpr const char* kDifType = "application/x-hexmarshal-dif";
// The installed package's entry, and the one this program writes for one user under a name of
// its own, so that it never hides the package's.
constexpr const char* kPackagedEntry = "hexmarshal.desktop";
constexpr const char* kUserEntry = "hexmarshal-user.desktop";
constexpr const char* kInstalledProgram = "/bin/hexmarshal";

bool writeRegistryRows(Settings& settings, const std::string& program) {
  const std::pair<const char*, std::string> rows[] = {
      {".bin", "Hexmarshal.bin"},
      {"Hexmarshal.bin\\DefaultIcon", program},
      {"Hexmarshal.bin\\shell\\open\\command", program + " %1"},
      {".dif", "Hexmarshal.dif"},
      {"Hexmarshal.dif\\DefaultIcon", program + ",1"},
      {"Hexmarshal.dif\\shell\\open\\command", program + " %1"},
  };
  bool written = true;
  for (const auto& [key, value] : rows) {
    written = settings.WriteRegValue(RegRoot::ClassesRoot, key, "", value) && written;
  }
  return written;
}

std::optional<std::string> readText(FileSystem& fs, const std::string& path) {
  std::optional<ByteImage> image = fs.read(path);
  if (!image) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(image->data()), image->size());
}

// Files already holding the text are left alone, so a second run touches nothing. False when
// the file could not be written.
bool writeIfChanged(FileSystem& fs, const std::string& path, std::string_view text) {
  if (std::optional<std::string> old = readText(fs, path); old && *old == text) return true;
  if (!fs.makeFolders(path.substr(0, path.rfind('/')))) return false;
  std::unique_ptr<OutputFile> out = fs.create(path);
  return out && out->write(text.data(), text.size()) && out->commit();
}

// The characters that make an Exec argument need quotation marks.
bool reservedInExec(char c) {
  return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

// The program as one argument of an Exec line: quoted where it holds a reserved character, with
// the quoting escapes, the field-code escape for "%", and then the escapes every string of a
// desktop entry needs. A plain path stays unquoted, as every launcher reads it.
std::string execArgument(const std::string& program) {
  const bool quoted = std::any_of(program.begin(), program.end(), reservedInExec);
  std::string argument = quoted ? "\"" : "";
  for (char c : program) {
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    argument += c;
    if (c == '%') argument += '%';
  }
  if (quoted) argument += '"';
  std::string out;
  for (char c : argument) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Opens BIN and DIF files with this program; the menu keeps the package's entry (or none), so
// this one is not shown there twice.
std::string desktopEntry(const std::string& program) {
  std::string entry = "[Desktop Entry]\nType=Application\nName=Hexmarshal\n";
  entry +=
      std::string("GenericName=Binary Patch Editor\nGenericName[ru]=") + kGenericNameText + "\n";
  entry += "Exec=" + execArgument(program) + " %f\n";
  entry += "Icon=hexmarshal\n";
  entry += std::string("MimeType=") + kBinType + ";" + kDifType + ";\n";
  entry += "Categories=Development;\n";
  entry += "NoDisplay=true\n";
  entry += "StartupWMClass=Hexmarshal\n";
  entry += "Terminal=false\n";
  return entry;
}

// What earlier versions wrote under the package's entry's name, which hid the package's entry.
bool isEarlierUserEntry(std::string_view text) {
  return text.starts_with("[Desktop Entry]\nType=Application\nName=Hexmarshal\nExec=") &&
         text.find(std::string("MimeType=") + kBinType + ";" + kDifType + ";\n") !=
             std::string_view::npos &&
         text.find("Categories=") == std::string_view::npos;
}

// The package's entry when `program` is the program it installed: the two lie in one prefix.
std::optional<std::string> packagedEntryOf(FileSystem& fs, const std::string& program) {
  if (!program.ends_with(kInstalledProgram)) return std::nullopt;
  const std::string prefix = program.substr(0, program.size() - std::strlen(kInstalledProgram));
  const std::string entry = prefix + "/share/applications/" + kPackagedEntry;
  std::optional<FileInfo> info = fs.stat(entry);
  if (!info || !info->regular) return std::nullopt;
  return entry;
}

std::string mimeType(const char* name, const char* comment, const char* glob) {
  std::string icon = name;
  icon[icon.find('/')] = '-';
  std::string type = std::string("  <mime-type type=\"") + name + "\">\n";
  type += std::string("    <comment>") + comment + "</comment>\n";
  type += "    <sub-class-of type=\"application/octet-stream\"/>\n";
  type += "    <icon name=\"" + icon + "\"/>\n";
  // Above the shared database's default weight, so that another type's plain *.bin does not
  // leave the choice open.
  type +=
      std::string("    <glob pattern=\"") + glob + "\" weight=\"60\" case-sensitive=\"false\"/>\n";
  type += "  </mime-type>\n";
  return type;
}

std::string mimePackage() {
  std::string package = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  package += "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  package += mimeType(kBinType, "Hexmarshal BIN image", "*.bin");
  package += mimeType(kDifType, "Hexmarshal DIF patch", "*.dif");
  package += "</mime-info>\n";
  return package;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string trimBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool isOurDefault(const std::string& line) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  std::string key = trimBlanks(line.substr(0, eq));
  return key == kBinType || key == kDifType;
}

// Our two defaults replace any earlier ones in [Default Applications]; every other line stays.
std::string withDefaults(const std::string& existing, const std::string& entry) {
  const std::string ours[] = {std::string(kBinType) + "=" + entry,
                              std::string(kDifType) + "=" + entry};
  std::vector<std::string> lines = splitLines(existing);
  std::vector<std::string> out;
  bool inDefaults = false, placed = false;
  std::size_t sectionEnd = std::string::npos;  // after the section's last non-blank line
  for (const std::string& line : lines) {
    std::string trimmed = trimBlanks(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      inDefaults = trimmed == "[Default Applications]";
      if (inDefaults) sectionEnd = out.size() + 1;
    } else if (inDefaults && isOurDefault(line)) {
      if (!placed) out.insert(out.end(), std::begin(ours), std::end(ours));
      placed = true;
      sectionEnd = out.size();
      continue;
    }
    out.push_back(line);
    if (inDefaults && !trimmed.empty()) sectionEnd = out.size();
  }
  if (!placed && sectionEnd != std::string::npos) {
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(sectionEnd), std::begin(ours),
               std::end(ours));
  } else if (!placed) {
    if (!out.empty() && !trimBlanks(out.back()).empty()) out.push_back("");
    out.push_back("[Default Applications]");
    out.insert(out.end(), std::begin(ours), std::end(ours));
  }
  std::string text;
  for (const std::string& line : out) text += line + "\n";
  return text;
}

// The first file that could not be written, or nothing.
std::optional<std::string> registerWithDesktop(FileSystem& fs, const AssociationPlaces& places) {
  const std::string& data = places.dataHome;
  const std::string icons = data + "/icons/hicolor/scalable/";
  const std::string applications = data + "/applications/";
  // The installed program is started through the package's own entry.
  const bool installed = packagedEntryOf(fs, places.programPath).has_value();
  const std::string entry = installed ? kPackagedEntry : kUserEntry;
  if (std::optional<std::string> earlier = readText(fs, applications + kPackagedEntry);
      earlier && isEarlierUserEntry(*earlier)) {
    fs.remove(applications + kPackagedEntry);
  }
  std::vector<std::pair<std::string, std::string>> files = {
      {data + "/mime/packages/hexmarshal.xml", mimePackage()},
      {icons + "apps/hexmarshal.svg", std::string(programIconSvg())},
      {icons + "mimetypes/application-x-hexmarshal-bin.svg", std::string(programIconSvg())},
      {icons + "mimetypes/application-x-hexmarshal-dif.svg", std::string(difIconSvg())},
  };
  if (!installed)
    files.insert(files.begin(), {applications + kUserEntry, desktopEntry(places.programPath)});
  std::optional<std::string> failed;
  for (const auto& [path, text] : files) {
    if (!writeIfChanged(fs, path, text) && !failed) failed = path;
  }

  // A list that exists but cannot be read is left alone rather than replaced by ours alone.
  std::string mimeApps = places.configHome + "/mimeapps.list";
  std::optional<std::string> defaults = readText(fs, mimeApps);
  if (defaults || !fs.stat(mimeApps)) {
    if (!writeIfChanged(fs, mimeApps, withDefaults(defaults.value_or(std::string()), entry)) &&
        !failed) {
      failed = mimeApps;
    }
  }

  refreshDesktopDatabases(data);
  return failed;
}

// A desktop entry is UTF-8 text: a path in another encoding cannot be written into one.
bool isUtf8(std::string_view text) {
  std::size_t follow = 0;
  for (unsigned char c : text) {
    if (follow > 0) {
      if ((c & 0xC0) != 0x80) return false;
      --follow;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
    } else if (c >= 0xE0) {
      follow = c <= 0xEF ? 2 : 9;
    } else if (c >= 0xC2) {
      follow = 1;
    } else if (c >= 0x80) {
      return false;
    }
    if (follow > 3) return false;
  }
  return follow == 0;
}

Error associationFailed(const std::string& why) {
  return {ErrorCode::WriteFailed, std::string(kAssociationFailedText) + why};
}

}  // namespace

AssociationPlaces AssociationPlaces::fromEnvironment(const std::string& programPath) {
  return AssociationPlaces{programPath, xdgDataHome(), xdgConfigHome()};
}

Status associateFileTypes(FileSystem& fs, Settings& settings, const AssociationPlaces& places) {
  // Without the program's own path every row would name nothing that can be started.
  if (places.programPath.empty()) return associationFailed(kProgramPathUnknownText);
  if (!isUtf8(places.programPath)) return associationFailed(kProgramPathNotUtf8Text);
  if (!writeRegistryRows(settings, places.programPath)) {
    return associationFailed(kSettingsWriteFailedText);
  }
  if (places.dataHome.empty() || places.configHome.empty()) return success();
  if (std::optional<std::string> failed = registerWithDesktop(fs, places)) {
    return associationFailed(kAssociationWriteText + *failed + ".");
  }
  return success();
}

}  // namespace hm

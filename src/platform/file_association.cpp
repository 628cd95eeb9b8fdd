#include "platform/file_association.h"

#include "platform/association_icons.h"
#include "platform/desktop_databases.h"
#include "platform/file_system.h"
#include "platform/xdg_dirs.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace hm {

namespace {

constexpr const char* kBinType = "application/x-hexmarshal-bin";
constexpr const char* kDifType = "application/x-hexmarshal-dif";
constexpr const char* kDesktopFile = "hexmarshal.desktop";

void writeRegistryRows(Settings& settings, const std::string& program) {
  const std::pair<const char*, std::string> rows[] = {
      {".bin", "Hexmarshal.bin"},
      {"Hexmarshal.bin\\DefaultIcon", program},
      {"Hexmarshal.bin\\shell\\open\\command", program + " %1"},
      {".dif", "Hexmarshal.dif"},
      {"Hexmarshal.dif\\DefaultIcon", program + ",1"},
      {"Hexmarshal.dif\\shell\\open\\command", program + " %1"},
  };
  for (const auto& [key, value] : rows)
    settings.WriteRegValue(RegRoot::ClassesRoot, key, "", value);
}

std::optional<std::string> readText(FileSystem& fs, const std::string& path) {
  std::optional<ByteImage> image = fs.read(path);
  if (!image) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(image->data()), image->size());
}

// Files already holding the text are left alone, so a second run touches nothing.
void writeIfChanged(FileSystem& fs, const std::string& path, std::string_view text) {
  if (std::optional<std::string> old = readText(fs, path); old && *old == text) return;
  if (!fs.makeFolders(path.substr(0, path.rfind('/')))) return;
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (out && out->write(text.data(), text.size())) out->commit();
}

// The program as one argument of an Exec line: quoted, with the quoting escapes, the field-code
// escape for "%", and then the escapes every string of a desktop entry needs.
std::string execArgument(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string desktopEntry(const std::string& program) {
  std::string entry = "[Desktop Entry]\nType=Application\nName=Hexmarshal\n";
  entry += "Exec=" + execArgument(program) + " %f\n";
  entry += "Icon=hexmarshal\n";
  entry += std::string("MimeType=") + kBinType + ";" + kDifType + ";\n";
  entry += "Terminal=false\n";
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
std::string withDefaults(const std::string& existing) {
  const std::string ours[] = {std::string(kBinType) + "=" + kDesktopFile,
                              std::string(kDifType) + "=" + kDesktopFile};
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

void registerWithDesktop(FileSystem& fs, const AssociationPlaces& places) {
  const std::string& data = places.dataHome;
  const std::string icons = data + "/icons/hicolor/scalable/";
  writeIfChanged(fs, data + "/applications/" + kDesktopFile, desktopEntry(places.programPath));
  writeIfChanged(fs, data + "/mime/packages/hexmarshal.xml", mimePackage());
  writeIfChanged(fs, icons + "apps/hexmarshal.svg", programIconSvg());
  writeIfChanged(fs, icons + "mimetypes/application-x-hexmarshal-bin.svg", programIconSvg());
  writeIfChanged(fs, icons + "mimetypes/application-x-hexmarshal-dif.svg", difIconSvg());

  // A list that exists but cannot be read is left alone rather than replaced by ours alone.
  std::string mimeApps = places.configHome + "/mimeapps.list";
  std::optional<std::string> defaults = readText(fs, mimeApps);
  if (defaults || !fs.stat(mimeApps)) {
    writeIfChanged(fs, mimeApps, withDefaults(defaults.value_or(std::string())));
  }

  refreshDesktopDatabases(data);
}

}  // namespace

AssociationPlaces AssociationPlaces::fromEnvironment(const std::string& programPath) {
  return AssociationPlaces{programPath, xdgDataHome(), xdgConfigHome()};
}

void associateFileTypes(FileSystem& fs, Settings& settings, const AssociationPlaces& places) {
  // Without the program's own path every row would name nothing that can be started.
  if (places.programPath.empty()) return;
  writeRegistryRows(settings, places.programPath);
  if (places.dataHome.empty() || places.configHome.empty()) return;
  registerWithDesktop(fs, places);
}

}  // namespace hm

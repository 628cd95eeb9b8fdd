#include "platform/settings_store.h"

#include "platform/ascii_text.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "platform/xdg_dirs.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace hm {

namespace {

// A value the registry's reader would not fit into its 1024-byte buffer.
constexpr std::size_t kMaxValueBytes = 1023;

// A value is written in a blink; a holder that takes longer is stuck, and the window should not
// freeze for long waiting on it.
constexpr std::chrono::milliseconds kSettingsLockWait{5000};

// One line of a key's section: a value, or a line that could not be read, which is kept as it
// stands so that a hand edit with a typo is not thrown away by the next write.
struct Entry {
  bool readable = true;
  std::string name;  // empty for the key's default value
  std::string value;
  std::string raw;
};

struct Section {
  std::string key;  // root name and key path, as first written
  std::vector<Entry> entries;
};

struct Document {
  std::vector<std::string> preamble;  // unreadable lines before the first key
  std::vector<Section> sections;
};

const char* rootName(RegRoot root) {
  return root == RegRoot::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE";
}

// The key path split at its backslashes; nothing for a path the file could not hold.
std::optional<std::vector<std::string>> splitKeyPath(const std::string& keyPath) {
  std::vector<std::string> parts;
  if (keyPath.empty()) return parts;
  for (char c : keyPath) {
    if (c == '\n' || c == '\r' || c == '\0') return std::nullopt;
  }
  std::size_t start = 0;
  while (true) {
    std::size_t slash = keyPath.find('\\', start);
    std::string part = keyPath.substr(start, slash - start);
    if (part.empty()) return std::nullopt;
    parts.push_back(std::move(part));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

// Each character that is escaped in the file and the letter that follows its backslash.
constexpr std::pair<char, char> kEscapes[] = {
    {'\\', '\\'}, {'"', '"'}, {'\n', 'n'}, {'\r', 'r'}, {'\0', '0'}};

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    bool escaped = false;
    for (auto [plain, letter] : kEscapes) {
      if (c == plain) {
        out += '\\';
        out += letter;
        escaped = true;
      }
    }
    if (!escaped) out += c;
  }
  return out;
}

std::optional<char> unescape(char letter) {
  for (auto [plain, escapedAs] : kEscapes) {
    if (letter == escapedAs) return plain;
  }
  return std::nullopt;
}

// Reads a quoted, escaped text starting at line[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> readQuoted(std::string_view line, std::size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= line.size()) return std::nullopt;
    std::optional<char> plain = unescape(line[pos]);
    if (!plain) return std::nullopt;
    out += *plain;
  }
  return std::nullopt;
}

std::optional<Entry> parseValueLine(std::string_view line) {
  Entry entry;
  std::size_t pos = 0;
  if (!line.empty() && line[0] == '@') {
    pos = 1;
  } else {
    auto name = readQuoted(line, pos);
    if (!name) return std::nullopt;
    entry.name = std::move(*name);
  }
  if (pos >= line.size() || line[pos] != '=') return std::nullopt;
  ++pos;
  auto value = readQuoted(line, pos);
  if (!value) return std::nullopt;
  if (line.substr(pos).find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
  entry.value = std::move(*value);
  return entry;
}

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

Document parse(std::string_view text) {
  Document doc;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    // A line kept as it stands keeps all of its carriage returns: written back with one fewer,
    // a line ending in two could read as a key or a value the next time.
    const std::string_view asWritten = text.substr(start, end - start);
    std::string_view line = asWritten;
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (isBlank(line)) continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      doc.sections.push_back(Section{std::string(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    std::optional<Entry> entry = parseValueLine(line);
    if (!entry) entry = Entry{false, {}, {}, std::string(asWritten)};
    if (doc.sections.empty()) {
      doc.preamble.emplace_back(asWritten);
    } else {
      doc.sections.back().entries.push_back(std::move(*entry));
    }
  }
  return doc;
}

std::string serialize(const Document& doc) {
  std::string out;
  for (const std::string& line : doc.preamble) out.append(line).append("\n");
  for (const Section& section : doc.sections) {
    if (!out.empty()) out += "\n";
    out.append("[").append(section.key).append("]\n");
    for (const Entry& entry : section.entries) {
      if (!entry.readable) {
        out += entry.raw;
      } else if (entry.name.empty()) {
        out.append("@=\"").append(escape(entry.value)).append("\"");
      } else {
        out.append("\"").append(escape(entry.name)).append("\"=\"");
        out.append(escape(entry.value)).append("\"");
      }
      out += "\n";
    }
  }
  return out;
}

Section* findSection(Document& doc, std::string_view key) {
  for (Section& section : doc.sections) {
    if (equalsIgnoreCase(section.key, key)) return &section;
  }
  return nullptr;
}

Entry* findEntry(Section& section, std::string_view name) {
  for (Entry& entry : section.entries) {
    if (entry.readable && equalsIgnoreCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

// The file's text; nothing when it exists but cannot be read, so that a write never replaces
// settings it could not see.
std::optional<std::string> loadText(FileSystem& fs, const std::string& path) {
  std::optional<FileInfo> info = fs.stat(path);
  if (!info) return std::string();
  if (!info->regular) return std::nullopt;
  std::optional<ByteImage> image = fs.read(path);
  if (!image) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(image->data()), image->size());
}

bool makeFolderOf(FileSystem& fs, const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 || fs.makeFolders(path.substr(0, slash));
}

bool storeText(FileSystem& fs, const std::string& path, const std::string& text) {
  std::unique_ptr<OutputFile> out = fs.create(path);
  return out && out->write(text.data(), text.size()) && out->commit();
}

}  // namespace

SettingsStore::SettingsStore(FileSystem& fs, std::string filePath)
    : fs_(fs), filePath_(std::move(filePath)) {}

std::string SettingsStore::defaultPath() {
  return xdgConfigHome() + "/hexmarshal/settings.reg";
}

bool SettingsStore::ReadRegValue(RegRoot root, const std::string& keyPath,
                                 const std::string& valueName, std::string& result) const {
  if (!splitKeyPath(keyPath)) return false;
  std::optional<std::string> text = loadText(fs_, filePath_);
  if (!text) return false;
  Document doc = parse(*text);
  std::string key = rootName(root);
  if (!keyPath.empty()) key += "\\" + keyPath;
  Section* section = findSection(doc, key);
  if (!section) return false;
  Entry* entry = findEntry(*section, valueName);
  if (!entry || entry->value.size() > kMaxValueBytes) return false;
  result = entry->value.substr(0, entry->value.find('\0'));
  return true;
}

bool SettingsStore::WriteRegValue(RegRoot root, const std::string& keyPath,
                                  const std::string& valueName, const std::string& value) {
  std::optional<std::vector<std::string>> parts = splitKeyPath(keyPath);
  if (!parts) return false;
  // Two windows writing at once would each rewrite the file from what they read, and drop the
  // other's value. A reader alone needs no lock: the file is only ever replaced whole.
  if (!makeFolderOf(fs_, filePath_)) return false;
  Result<std::unique_ptr<FileLock>> held =
      fs_.lock(filePath_, kSettingsLockWait, MissingFile::Created);
  if (!held) return false;
  std::optional<std::string> text = loadText(fs_, filePath_);
  if (!text) return false;
  Document doc = parse(*text);

  // Each missing key on the path becomes a section of its own, spelt like its parent.
  std::string spelt = rootName(root);
  Section* section = findSection(doc, spelt);
  for (const std::string& part : *parts) {
    std::string key = spelt + "\\" + part;
    section = findSection(doc, key);
    if (!section) {
      doc.sections.push_back(Section{key, {}});
      section = &doc.sections.back();
    }
    spelt = section->key;
  }
  if (!section) {
    doc.sections.push_back(Section{spelt, {}});
    section = &doc.sections.back();
  }

  std::string stored = value.empty() ? std::string(" ") : value;
  if (Entry* entry = findEntry(*section, valueName)) {
    entry->value = std::move(stored);
  } else {
    section->entries.push_back(Entry{true, valueName, std::move(stored), {}});
  }

  std::string updated = serialize(doc);
  if (updated == *text) return true;
  return storeText(fs_, filePath_, updated);
}

}  // namespace hm

#include "app/command_line.h"

#include "blocks/hex_format.h"
#include "platform/ascii_text.h"

#include <sys/stat.h>

#include <utility>

namespace hm {

namespace {

// The line as the program takes it: spaces trimmed, then one quotation mark off each end.
std::string prepareLine(const std::string& args) {
  std::string line = trimSpaces(args);
  if (!line.empty() && line.front() == '"') line.erase(0, 1);
  if (!line.empty() && line.back() == '"') line.pop_back();
  return line;
}

std::size_t utf8Length(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

bool isDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// n of "/md:n ": decimal, 0 to 128, and a space must follow it.
std::optional<int> readMinDistance(const std::string& line, std::size_t switchAt) {
  std::size_t start = switchAt + 4;
  std::size_t space = line.find(' ', start);
  if (space == std::string::npos) return std::nullopt;
  std::string digits = line.substr(start, space - start);
  if (!isDecimal(digits)) return std::nullopt;
  int n = 0;
  for (char c : digits) {
    n = n * 10 + (c - '0');
    if (n > 128) return std::nullopt;
  }
  return n;
}

// Hexadecimal without prefix, at most 32 bits; an empty text reads as 0.
std::optional<std::uint32_t> readHex(const std::string& text) {
  std::uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::size_t firstOf(std::size_t a, std::size_t b) {
  return a < b ? a : b;
}

void readBlockNumbers(const std::string& inside, CommandLine& command) {
  std::size_t colon1 = inside.find(':');
  std::size_t colon2 = colon1 == std::string::npos ? colon1 : inside.find(':', colon1 + 1);
  if (colon2 == std::string::npos) {
    command.numbersValid = false;
    return;
  }
  std::string addressText = inside.substr(0, colon1);
  std::string offsetText = inside.substr(colon1 + 1, colon2 - colon1 - 1);
  std::string lengthText = inside.substr(colon2 + 1);
  auto address = readHex(addressText);
  auto offset = readHex(offsetText);
  auto length = readHex(lengthText);
  if (!address || !offset || !length) {
    command.numbersValid = false;
    return;
  }
  command.address = static_cast<std::int32_t>(*address);
  command.offset = static_cast<std::int32_t>(*offset);
  if (!lengthText.empty()) command.length = static_cast<std::int32_t>(*length);
}

// Nothing half-read is handed on with a refused line.
CommandLine bad(CommandLine command) {
  CommandLine refused;
  refused.form = CommandForm::BadParameters;
  refused.line = std::move(command.line);
  return refused;
}

}  // namespace

bool namesExistingFile(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string::size_type slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return utf8Length(name) >= 4;
}

CommandLine parseCommandLine(const std::string& args, const ExistsFn& exists) {
  CommandLine command;
  command.line = prepareLine(args);
  const std::string& line = command.line;
  if (line.empty()) return command;

  if (exists ? exists(line) : namesExistingFile(line)) {
    if (line.size() >= 4 && asciiLower(line.substr(line.size() - 4)) == ".dif") {
      command.form = CommandForm::DifFile;
      command.difPath = line;
    } else {
      command.form = CommandForm::OtherFile;
      command.sourcePath = line;
    }
    return command;
  }

  // Switch names match in any case; folding ASCII keeps every position of the line.
  const std::string folded = asciiLower(line);
  const std::size_t npos = std::string::npos;
  std::size_t md = folded.find("/md:");
  if (md != npos) {
    command.minDistance = readMinDistance(line, md);
    if (!command.minDistance) return bad(std::move(command));
  }

  // Linux paths hold "/" themselves, so a switch form's first path runs up to its first switch.
  std::size_t t = folded.find("/t:");
  std::size_t d = folded.find("/d:");
  if (t != npos && d != npos) {
    if (d < t) return bad(std::move(command));
    command.form = CommandForm::Comparison;
    command.sourcePath = trimSpaces(line.substr(0, firstOf(md, t)));
    command.targetPath = trimSpaces(line.substr(t + 3, d - t - 3));
    command.difPath = trimSpaces(line.substr(d + 3));
    if (command.sourcePath.empty() || command.targetPath.empty() || command.difPath.empty()) {
      return bad(std::move(command));
    }
    return command;
  }

  std::size_t a = folded.find("/a:");
  std::size_t o = folded.find("/o:");
  if (a != npos && o != npos) {
    if (o < a) return bad(std::move(command));
    command.form = CommandForm::Apply;
    command.sourcePath = trimSpaces(line.substr(0, firstOf(md, a)));
    command.difPath = trimSpaces(line.substr(a + 3, o - a - 3));
    command.outputPath = trimSpaces(line.substr(o + 3));
    if (command.sourcePath.empty() || command.difPath.empty() || command.outputPath.empty()) {
      return bad(std::move(command));
    }
    return command;
  }

  std::size_t open = line.find('<');
  std::size_t close = line.find('>');
  if (open != npos && close != npos && open < close) {
    command.form = CommandForm::BlockInsertion;
    command.difPath = trimSpaces(line.substr(0, open));
    command.dataPath = trimSpaces(line.substr(close + 1));
    if (!fitsBlockLine(command.dataPath)) return bad(std::move(command));
    readBlockNumbers(line.substr(open + 1, close - open - 1), command);
    return command;
  }

  return bad(std::move(command));
}

std::string badParametersMessage(const std::string& line) {
  return std::string(kBadParametersText) + "\n\n" + line;
}

}  // namespace hm

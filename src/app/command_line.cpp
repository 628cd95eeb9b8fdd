#include "app/command_line.h"

#include "blocks/block_line.h"
#include "blocks/hex_format.h"
#include "platform/ascii_text.h"

#include <algorithm>
#include <string_view>
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
    const int digit = hexDigitValue(c);
    if (digit < 0) return std::nullopt;
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

bool namesExistingFile(FileSystem& fs, const std::string& path) {
  std::optional<FileInfo> info = fs.stat(path);
  if (!info || !info->regular) return false;
  std::string::size_type slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return utf8Length(name) >= 4;
}

namespace {

enum class Match { No, Yes, Bad };

// "FIRST /x:SECOND /y:THIRD", switch names in any case. Linux paths hold "/" themselves, so the
// first path runs up to the form's first switch, "/md:" included. Both switches in the wrong
// order, or a path left empty, make the line bad.
Match readSwitchForm(const std::string& line, const std::string& folded, std::size_t md,
                     const char* x, const char* y, std::string* paths[3]) {
  const std::size_t npos = std::string::npos;
  const std::size_t xAt = folded.find(x);
  const std::size_t yAt = folded.find(y);
  if (xAt == npos || yAt == npos) return Match::No;
  if (yAt < xAt) return Match::Bad;
  const std::size_t width = std::string_view(x).size();
  *paths[0] = trimSpaces(line.substr(0, firstOf(md, xAt)));
  *paths[1] = trimSpaces(line.substr(xAt + width, yAt - xAt - width));
  *paths[2] = trimSpaces(line.substr(yAt + std::string_view(y).size()));
  for (std::string* path : {paths[0], paths[1], paths[2]}) {
    if (path->empty()) return Match::Bad;
  }
  return Match::Yes;
}

// A switch after a form's last path (" /b", " /f"), in any letter case, is cut off the path.
bool takeTrailingSwitch(std::string& path, std::string_view name) {
  if (path.size() <= name.size()) return false;
  if (!equalsIgnoreCase(std::string_view(path).substr(path.size() - name.size()), name)) {
    return false;
  }
  path = trimSpaces(path.substr(0, path.size() - name.size()));
  return true;
}

// A word after a form's last path that reads as a switch the form does not take (" -b", " /z"):
// the line is refused rather than the word taken into a file name.
bool endsWithUnknownSwitch(const std::string& path) {
  const std::size_t space = path.rfind(' ');
  if (space == std::string::npos) return false;
  std::string_view word = std::string_view(path).substr(space + 1);
  if (word.size() < 2 || (word.front() != '/' && word.front() != '-')) return false;
  word.remove_prefix(word.starts_with("--") ? 2 : 1);
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
}

// "BIN /v:DIF": both paths must be there.
Match readCheck(const std::string& line, const std::string& folded, std::size_t md,
                CommandLine& command) {
  const std::size_t at = folded.find("/v:");
  if (at == std::string::npos) return Match::No;
  command.form = CommandForm::Check;
  command.sourcePath = trimSpaces(line.substr(0, firstOf(md, at)));
  command.difPath = trimSpaces(line.substr(at + 3));
  const bool bad = command.sourcePath.empty() || command.difPath.empty() ||
                   endsWithUnknownSwitch(command.difPath);
  return bad ? Match::Bad : Match::Yes;
}

// "NEWBIN /r:DIF /s:ORIGINAL /d:OUT [/f]", the "/s:" part optional: the new BIN in targetPath,
// the original in sourcePath.
Match readCarry(const std::string& line, const std::string& folded, CommandLine& command) {
  const std::size_t r = folded.find("/r:");
  if (r == std::string::npos) return Match::No;
  command.form = CommandForm::Carry;
  // As in the other switch forms, the switches stand in their order.
  const std::size_t d = folded.find("/d:");
  if (d == std::string::npos || d < r) return Match::Bad;
  const std::size_t s = folded.find("/s:", r);
  command.targetPath = trimSpaces(line.substr(0, r));
  if (s != std::string::npos && s < d) {
    command.difPath = trimSpaces(line.substr(r + 3, s - r - 3));
    command.sourcePath = trimSpaces(line.substr(s + 3, d - s - 3));
    if (command.sourcePath.empty()) return Match::Bad;
  } else {
    command.difPath = trimSpaces(line.substr(r + 3, d - r - 3));
  }
  command.outputPath = trimSpaces(line.substr(d + 3));
  command.force = takeTrailingSwitch(command.outputPath, " /f");
  const bool bad = command.targetPath.empty() || command.difPath.empty() ||
                   command.outputPath.empty() || endsWithUnknownSwitch(command.outputPath);
  return bad ? Match::Bad : Match::Yes;
}

// "DIF <address:offset:length> DATA". A data path that cannot end a block line makes the line
// bad.
Match readInsertion(const std::string& line, CommandLine& command) {
  const std::size_t open = line.find('<');
  const std::size_t close = line.find('>');
  if (open == std::string::npos || close == std::string::npos || close < open) return Match::No;
  command.form = CommandForm::BlockInsertion;
  command.difPath = trimSpaces(line.substr(0, open));
  command.dataPath = trimSpaces(line.substr(close + 1));
  if (!fitsBlockLine(command.dataPath)) return Match::Bad;
  readBlockNumbers(line.substr(open + 1, close - open - 1), command);
  return Match::Yes;
}

// "PATCH /s:SOURCE /c:OUT", the "/s:" part optional. It takes only lines no other form takes.
CommandLine readConversion(CommandLine command) {
  CommandLine conversion;
  conversion.line = std::move(command.line);
  conversion.form = CommandForm::Conversion;
  const std::string& line = conversion.line;
  const std::string folded = asciiLower(line);
  const std::size_t c = folded.find("/c:");
  if (c == std::string::npos) return bad(std::move(conversion));
  const std::size_t s = folded.find("/s:");
  if (s != std::string::npos && s > c) return bad(std::move(conversion));
  if (s != std::string::npos) {
    conversion.difPath = trimSpaces(line.substr(0, s));
    conversion.sourcePath = trimSpaces(line.substr(s + 3, c - s - 3));
    if (conversion.sourcePath.empty()) return bad(std::move(conversion));
  } else {
    conversion.difPath = trimSpaces(line.substr(0, c));
  }
  conversion.outputPath = trimSpaces(line.substr(c + 3));
  if (conversion.difPath.empty() || conversion.outputPath.empty() ||
      endsWithUnknownSwitch(conversion.outputPath)) {
    return bad(std::move(conversion));
  }
  return conversion;
}

CommandLine singlePath(CommandLine command) {
  const std::string& line = command.line;
  if (line.size() >= 4 && asciiLower(line.substr(line.size() - 4)) == ".dif") {
    command.form = CommandForm::DifFile;
    command.difPath = line;
  } else {
    command.form = CommandForm::OtherFile;
    command.sourcePath = line;
  }
  return command;
}

}  // namespace

CommandLine parseCommandLine(const std::string& args, FileSystem& fs) {
  CommandLine command;
  command.line = prepareLine(args);
  const std::string& line = command.line;
  if (line.empty()) return command;
  if (line == "--help" || line == "-h") {
    command.form = CommandForm::Help;
    return command;
  }
  if (line == "--version") {
    command.form = CommandForm::Version;
    return command;
  }
  if (namesExistingFile(fs, line)) return singlePath(std::move(command));

  // Folding ASCII keeps every position of the line.
  const std::string folded = asciiLower(line);
  const std::size_t md = folded.find("/md:");
  if (md != std::string::npos) {
    command.minDistance = readMinDistance(line, md);
    if (!command.minDistance) return bad(std::move(command));
  }

  struct SwitchForm {
    CommandForm form;
    const char* x;
    const char* y;
    std::string* paths[3];
    const char* trailing;  // the switch that may follow the last path
    bool* trailingGiven;
  };
  SwitchForm switchForms[] = {{CommandForm::Comparison,
                               "/t:",
                               "/d:",
                               {&command.sourcePath, &command.targetPath, &command.difPath},
                               " /b",
                               &command.backup},
                              {CommandForm::Apply,
                               "/a:",
                               "/o:",
                               {&command.sourcePath, &command.difPath, &command.outputPath},
                               " /f",
                               &command.force}};
  for (SwitchForm& f : switchForms) {
    const Match match = readSwitchForm(line, folded, md, f.x, f.y, f.paths);
    if (match == Match::Bad) return bad(std::move(command));
    if (match == Match::Yes) {
      command.form = f.form;
      *f.trailingGiven = takeTrailingSwitch(*f.paths[2], f.trailing);
      if (endsWithUnknownSwitch(*f.paths[2])) return bad(std::move(command));
      return command;
    }
  }
  // A line the forms above take stays theirs, also one naming "/r:" in a path.
  if (md == std::string::npos) {
    const Match carry = readCarry(line, folded, command);
    if (carry == Match::Bad) return bad(std::move(command));
    if (carry == Match::Yes) return command;
  }
  // Every line the insertion form takes stays its own, also one naming "/v:" in a path.
  const Match insertion = readInsertion(line, command);
  if (insertion == Match::Yes) return command;
  if (insertion == Match::No && readCheck(line, folded, md, command) == Match::Yes) return command;
  if (insertion == Match::No && md == std::string::npos) return readConversion(std::move(command));
  return bad(std::move(command));
}

std::string badParametersMessage(const std::string& line) {
  return withWhy(kBadParametersText, line);
}

}  // namespace hm

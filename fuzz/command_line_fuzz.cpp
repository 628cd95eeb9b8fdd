// Any text as the program's arguments: the parser never fails on it, and whatever form it
// decides on comes with the parts that form needs and nothing half-read.

#include "app/command_line.h"
#include "fuzz_check.h"
#include "platform/ascii_text.h"
#include "support/memory_file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::string prepared(std::string_view args) {
  std::string line = hm::trimSpaces(args);
  if (!line.empty() && line.front() == '"') line.erase(0, 1);
  if (!line.empty() && line.back() == '"') line.pop_back();
  return line;
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// A path as the parser hands it on: part of the line, without spaces around it.
bool cutFrom(const std::string& line, const std::string& path) {
  return line.find(path) != std::string::npos && hm::trimSpaces(path) == path;
}

bool cutFromNonEmpty(const std::string& line, const std::string& path) {
  return !path.empty() && cutFrom(line, path);
}

void checkForm(const hm::CommandLine& c, bool exists) {
  const std::string& line = c.line;
  const std::string folded = hm::asciiLower(line);
  // Spaces after a trailing switch are left inside a quoted line, and ignored like those around
  // every path.
  const std::string foldedEnd = hm::trimSpaces(folded);
  switch (c.form) {
    case hm::CommandForm::Empty:
      HM_FUZZ_CHECK(line.empty());
      break;
    case hm::CommandForm::DifFile:
      HM_FUZZ_CHECK(exists && endsWith(folded, ".dif") && c.difPath == line);
      break;
    case hm::CommandForm::OtherFile:
      HM_FUZZ_CHECK(exists && !endsWith(folded, ".dif") && c.sourcePath == line);
      break;
    case hm::CommandForm::Comparison:
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.sourcePath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.targetPath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.difPath));
      HM_FUZZ_CHECK(folded.find("/t:") < folded.find("/d:"));
      HM_FUZZ_CHECK(c.minDistance.has_value() == (folded.find("/md:") != std::string::npos));
      HM_FUZZ_CHECK(!c.backup || endsWith(foldedEnd, " /b"));
      break;
    case hm::CommandForm::Apply:
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.sourcePath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.difPath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.outputPath));
      HM_FUZZ_CHECK(folded.find("/a:") < folded.find("/o:"));
      HM_FUZZ_CHECK(!c.force || endsWith(foldedEnd, " /f"));
      break;
    case hm::CommandForm::Check:
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.sourcePath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.difPath));
      HM_FUZZ_CHECK(folded.find("/v:") != std::string::npos);
      break;
    case hm::CommandForm::Carry:
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.targetPath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.difPath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.outputPath));
      HM_FUZZ_CHECK(c.sourcePath.empty() || cutFrom(line, c.sourcePath));
      HM_FUZZ_CHECK(folded.find("/r:") < folded.find("/d:"));
      HM_FUZZ_CHECK(!c.force || endsWith(foldedEnd, " /f"));
      break;
    case hm::CommandForm::Conversion:
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.difPath));
      HM_FUZZ_CHECK(cutFromNonEmpty(line, c.outputPath));
      HM_FUZZ_CHECK(c.sourcePath.empty() || cutFrom(line, c.sourcePath));
      HM_FUZZ_CHECK(folded.find("/s:") == std::string::npos ||
                    folded.find("/s:") < folded.find("/c:"));
      HM_FUZZ_CHECK(folded.find("/md:") == std::string::npos && !c.minDistance);
      break;
    case hm::CommandForm::Help:
      HM_FUZZ_CHECK(line == "--help" || line == "-h");
      break;
    case hm::CommandForm::Version:
      HM_FUZZ_CHECK(line == "--version");
      break;
    case hm::CommandForm::BlockInsertion: {
      std::size_t open = line.find('<');
      std::size_t close = line.find('>');
      HM_FUZZ_CHECK(open != std::string::npos && close != std::string::npos && open < close);
      HM_FUZZ_CHECK(c.difPath == hm::trimSpaces(line.substr(0, open)));
      HM_FUZZ_CHECK(c.dataPath == hm::trimSpaces(line.substr(close + 1)));
      std::string inside = line.substr(open + 1, close - open - 1);
      std::size_t colon = inside.find(':');
      if (c.numbersValid) {
        HM_FUZZ_CHECK(colon != std::string::npos &&
                      inside.find(':', colon + 1) != std::string::npos);
      } else {
        HM_FUZZ_CHECK(c.address == 0 && c.offset == 0 && !c.length);
      }
      break;
    }
    case hm::CommandForm::BadParameters:
      HM_FUZZ_CHECK(!exists || line.empty());
      HM_FUZZ_CHECK(!c.minDistance && c.sourcePath.empty() && c.targetPath.empty() &&
                    c.difPath.empty() && c.dataPath.empty() && c.outputPath.empty() && !c.backup &&
                    !c.force);
      HM_FUZZ_CHECK(c.numbersValid && c.address == 0 && c.offset == 0 && !c.length);
      break;
  }
  if (c.minDistance) HM_FUZZ_CHECK(*c.minDistance >= 0 && *c.minDistance <= 128);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string args(reinterpret_cast<const char*>(data), size);
  const std::string line = prepared(args);
  // Existence is asked once at most, and only about the whole line.
  struct AskedFileSystem : hm::test::MemoryFileSystem {
    std::string line;
    int asked = 0;
    bool existed = false;
    std::optional<hm::FileInfo> stat(const std::string& path) override {
      ++asked;
      HM_FUZZ_CHECK(path == line);
      existed = endsWith(path, "x.dif") || endsWith(path, "y.bin");
      if (!existed) return std::nullopt;
      return hm::FileInfo{.regular = true};
    }
  } fs;
  fs.line = line;
  hm::CommandLine command = hm::parseCommandLine(args, fs);
  const int asked = fs.asked;
  const bool existed = fs.existed;
  HM_FUZZ_CHECK(asked <= 1);
  HM_FUZZ_CHECK(command.line == line);
  checkForm(command, existed);

  std::string message = hm::badParametersMessage(command.line);
  HM_FUZZ_CHECK(message == std::string(hm::kBadParametersText) + "\n\n" + command.line);
  HM_FUZZ_CHECK(message.find(command.line) != std::string::npos);
  return 0;
}

#pragma once

#include "platform/file_system.h"
#include "platform/user_texts.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hm {

enum class CommandForm {
  Empty,
  DifFile,         // apply this DIF
  OtherFile,       // the source BIN
  Comparison,      // source /md:n /t:target /d:dif
  BlockInsertion,  // dif <address:offset:length> data
  Apply,           // bin /a:dif /o:output [/f], for scripts
  Check,           // bin /v:dif: whether the DIF fits the BIN, without applying it
  Carry,           // newbin /r:dif [/s:original] /d:out [/f]: the DIF carried to another BIN
  Conversion,      // patch [/s:source] /c:out: a DIF or IPS written as the other, or as itself
  Help,            // --help or -h
  Version,         // --version
  BadParameters,
};

struct CommandLine {
  CommandForm form = CommandForm::Empty;
  std::string line;                // trimmed, one enclosing quotation mark removed at each end
  std::optional<int> minDistance;  // from "/md:"
  std::string sourcePath, targetPath, difPath, dataPath;
  std::string outputPath;  // the apply form's "/o:", the carrying form's "/d:", the "/c:"
  bool backup = false;     // the comparison form's " /b": the backup DIF too
  bool force = false;      // " /f": apply whatever the BIN holds; write the blocks carried
  // Block insertion: the three numbers as written; empty address/offset mean 0, empty length
  // the whole data file. `numbersValid` is false when one is not hexadecimal or a ":" is missing.
  bool numbersValid = true;
  std::int32_t address = 0, offset = 0;
  std::optional<std::int32_t> length;
};

// A regular file, or a link to one, whose name has at least 4 characters.
bool namesExistingFile(FileSystem& fs, const std::string& path);

// `args` is argv[1..] joined with single spaces. `fs` is asked whether a file exists only where
// the form needs it (the single-path forms); the switch forms check their paths when they run.
// A block insertion whose data-file path could not end a block line (fitsBlockLine) is a bad
// line.
CommandLine parseCommandLine(const std::string& args, FileSystem& fs);

// The text of the bad-parameters message: the message, two line breaks, the prepared line.
std::string badParametersMessage(const std::string& line);

}  // namespace hm

#pragma once

#include "app/command_line.h"
#include "blocks/block_line.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hm {

class Session;

// Process exit statuses of the unattended forms.
enum ExitStatus : int {
  kExitDone = 0,            // the job finished
  kExitJobError = 1,        // a job reported an error in a message
  kExitBadParameters = 2,   // the bad-parameters exit
  kExitNotFound = 3,        // the not-found exit
  kExitDiffers = 4,         // the BIN is not the one the DIF was made for
  kExitAlreadyApplied = 5,  // the check form: the BIN already holds the DIF
};

struct JobContext {
  FileSystem& fs;
  Messenger& messenger;
  Clock& clock;
  std::function<void(const std::string&)> status;  // progress and status texts; may be empty
  // How long a job waits for a file another run is rewriting before it ends with a message.
  std::chrono::milliseconds lockWait = kFileLockWait;
  // Standard output: the check form's answer, the help and the version; may be empty.
  std::function<void(const std::string&)> output = {};
};

// Whether a window can be seen: a display is named and Qt is not asked for its offscreen or
// minimal platform. Each argument is the environment variable's value, or null.
bool displayAvailable(const char* display, const char* waylandDisplay, const char* qpaPlatform);

// The forms that run whole without a window: comparison, block insertion, applying, the check,
// the help and the version, and the bad-parameters exit.
bool runsUnattended(CommandForm form);
int runUnattended(const CommandLine& command, JobContext& context);

// The six-field line the block-insertion form adds for the data file, or nothing when the
// numbers cannot make a block inside the largest image.
std::optional<BlockLine> insertionLine(const CommandLine& command, std::uint64_t dataFileSize);

// Every job that replaces an existing file holds its lock (FileSystem::lock) from before it reads
// its inputs until the new file is renamed into place, so runs on one file take turns; a job
// that waited in vain ends with "Файл занят другой программой!" and status 1, changing nothing.

// The comparison form without a window: the DIF that searching and regrouping with the line's
// minimum distance (8 when absent) would give, written to its path in one pass over both files,
// and with " /b" its backup beside it (app/comparison_form.cpp).
int runComparison(const CommandLine& command, JobContext& context);
// The same over a session someone shows: the window that runs the form with its files in view.
int runComparison(const CommandLine& command, JobContext& context, Session& session);

// The block-insertion form without a window: open the DIF for editing, add the block from the
// data file, regroup, and write the DIF back in place.
int runBlockInsertion(const CommandLine& command, JobContext& context);
int runBlockInsertion(const CommandLine& command, JobContext& context, Session& session);

// BIN /a:DIF /o:OUTPUT: check the DIF whole, apply it to the BIN, write the output. A DIF larger
// than any the program writes, or a BIN over 16,777,215 bytes, is refused before it is read.
// Where the DIF's counterpart (patch_verification) fits it, the BIN is verified first: a BIN that
// already holds the DIF is left alone (status 0), one that differs is refused (status 4), each
// with its message, unless `force` (" /f") applies anyway.
int runApply(const std::string& binPath, const std::string& difPath, const std::string& outPath,
             JobContext& context, bool force = false);

// BIN /v:DIF: one line on the output, "исходный" (0), "уже установлен" (5) or the differing
// blocks (4); status 1 with a message when the DIF or its counterpart is missing or unusable.
int runCheck(const CommandLine& command, JobContext& context);

}  // namespace hm

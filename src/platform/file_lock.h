#pragma once

#include "platform/result.h"
#include "platform/user_texts.h"

#include <chrono>
#include <memory>
#include <string>

namespace hm {

// How long a run waits for a file that another run is rewriting. A rewrite takes a blink even
// for the largest DIF, so a holder that takes longer is stuck, not busy.
inline constexpr std::chrono::milliseconds kFileLockWait{30000};

// The exclusive hold on one file for one read, change and rename of it. Released when destroyed,
// and by the kernel when the holder dies, so a killed run never blocks the next one.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

enum class MissingFile { Fails, Created };

// Locks the file now at `path`, waiting up to `wait` while another process holds it. The lock
// sits on the file itself, so no lock file is left beside it; as a rewrite renames a new file
// over the old one, a lock granted on a file that is no longer the one at `path` is dropped and
// taken again on the new one. A missing file fails (OpenFailed) or is created empty.
// Errors: Busy "Файл занят другой программой!" when the wait runs out, OpenFailed "Ошибка
// открытия файла!" when the file cannot be opened or is no regular file.
Result<std::unique_ptr<FileLock>> lockFile(const std::string& path, std::chrono::milliseconds wait,
                                           MissingFile missing = MissingFile::Fails);

// Holds the folder itself for a moment in which files in it take their names together. A
// folder that cannot be opened or a file system that keeps no locks gives a hold that holds
// nothing: the names are then taken as they always were. Error: Busy when the wait runs out.
Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                             std::chrono::milliseconds wait);

}  // namespace hm

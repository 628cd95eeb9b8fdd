#pragma once

#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hm {

class ListJobs;
class Session;

// The lock on a file that exists, in `held`, or none for a new one: a new output is nobody
// else's yet. False after saying why when another program held it longer than `wait`.
bool holdExistingFile(FileSystem& fs, Messenger& messenger, const std::string& path,
                      std::chrono::milliseconds wait, std::unique_ptr<FileLock>& held);

// The name "Создать DIF" writes under for the name chosen, ".dif" added when it lacks it; nothing,
// after the message, for an empty name or one naming a device or a pipe.
std::optional<std::string> difNameFor(FileSystem& fs, Messenger& messenger,
                                      const std::string& chosen);

// "Создать DIF": writes the session's list as a DIF under `chosen` (".dif" added when the name
// lacks it), with its backup when the session wants one outside DIF-editing mode, the two as one
// pair. An existing file is replaced under its lock (unless it is among `held`, the files the
// caller already holds); the DIF being edited only if no other program changed it since it was
// read, or the user says so. The status line tells the writing and its end; a failure puts it
// back and shows why. False when nothing was written.
bool writeDifCommand(Session& session, Messenger& messenger, const std::string& chosen,
                     std::chrono::milliseconds lockWait, const std::vector<std::string>& held = {});

// The same under `path` exactly, no ".dif" added: saving back the DIF being edited.
bool writeDifAt(Session& session, Messenger& messenger, const std::string& path,
                std::chrono::milliseconds lockWait, const std::vector<std::string>& held = {});

// F4: opens the DIF at `path` for editing. The mode goes on whatever the file turns out to be;
// the data file's box is emptied first, the list then holds the DIF's blocks, recalculated.
// False after a message when the DIF cannot be read or is no DIF.
bool openDifCommand(Session& session, ListJobs& listJobs, Messenger& messenger,
                    const std::string& path);

}  // namespace hm

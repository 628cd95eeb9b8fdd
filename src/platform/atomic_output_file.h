#pragma once

#include "platform/file_system.h"

#include <memory>
#include <string>

namespace hm {

// The real file system's output. The bytes go to a file without a name in the target's folder
// (O_TMPFILE), so a run killed while writing leaves nothing behind; where the folder's file
// system cannot make one, to a hidden file with a short name of its own, so a target whose name
// is as long as names may be can still be written. Only a regular file or a missing name is
// replaced. A replaced file keeps its mode and, where the process may give it, its owner and
// group; where not, it loses its set-user-id and set-group-id bits.
// Nothing (errno set) when the target is not a regular file or no temporary can be made.
std::unique_ptr<OutputFile> createAtomicOutput(const std::string& path);

// The folder a path lies in, "." for a bare name.
std::string folderOf(const std::string& path);

}  // namespace hm

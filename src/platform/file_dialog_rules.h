#pragma once

#include "platform/user_texts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hm {

// What a file dialog is asked for.
enum class FileKind : int { Dif = 0, SourceBin = 1, TargetBin = 2, Ips = 3 };

// "DIF" for DIF files, "IPS" for IPS files, "BIN" for the rest.
std::string kindExtension(FileKind kind);
// The other types a dialog opening a file of `kind` lists after its own and all files: an IPS
// is opened wherever a DIF is.
std::vector<std::string> moreOpenExtensions(FileKind kind);
// The titles of the dialogs that choose a file of `kind` to open or to write.
std::string openDialogTitle(FileKind kind);
std::string saveDialogTitle(FileKind kind);

// The save dialog's name rule: "." + EXT appended unless the last four characters, in upper
// case, are already "." + EXT (patch -> patch.DIF, patch.dif kept).
std::string withSaveExtension(const std::string& path, FileKind kind);

// A BIN or data file over 16,777,215 bytes is refused.
bool isTooLarge(std::uint64_t size);

// RememberFolder: the path up to and including its last "/", or `current` when it has none.
std::string folderOf(const std::string& path, const std::string& current);

}  // namespace hm

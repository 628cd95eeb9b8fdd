#include "platform/file_chooser.h"

#include "platform/ascii_text.h"

namespace hm {

FileChooser::FileChooser(FileDialogs& dialogs, FileSystem& fs, Messenger& messenger,
                         Settings& settings, std::uint64_t maxDifSize)
    : dialogs_(dialogs),
      fs_(fs),
      messenger_(messenger),
      settings_(settings),
      maxDifSize_(maxDifSize) {}

void FileChooser::loadLastFolder() {
  settings_.ReadRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, LastFolder);
}

std::string FileChooser::AskOpenFile(FileKind kind) {
  return AskOpenFile(kind, openDialogTitle(kind));
}

std::string FileChooser::AskOpenFile(FileKind kind, const std::string& title) {
  FileDialogRequest request{
      kind, false, title, kindExtension(kind), LastFolder, moreOpenExtensions(kind)};
  std::string path = trimSpaces(chosen_ ? *chosen_ : dialogs_.choose(request));
  if (path.empty()) return path;
  std::optional<FileInfo> info = fs_.stat(path);
  if (const char* refusal = info ? sizeRefusal(kind, info->size) : nullptr) {
    messenger_.error(refusal);
    path.clear();
  }
  RememberFolder(path);
  return path;
}

void FileChooser::withChosenFile(const std::string& path, const std::function<void()>& command) {
  chosen_ = path;
  command();
  chosen_.reset();
}

std::string FileChooser::AskSaveFile(FileKind kind) {
  FileDialogRequest request{kind, true, saveDialogTitle(kind), kindExtension(kind), LastFolder, {}};
  std::string path = trimSpaces(dialogs_.choose(request));
  if (path.empty()) return path;
  path = withSaveExtension(path, kind);
  RememberFolder(path);
  return path;
}

const char* FileChooser::sizeRefusal(FileKind kind, std::uint64_t size) const {
  if (kind == FileKind::Dif || kind == FileKind::Ips) {
    return size > maxDifSize_ ? kDifTooLargeText : nullptr;
  }
  return isTooLarge(size) ? kTooLargeText : nullptr;
}

void FileChooser::RememberFolder(const std::string& path) {
  LastFolder = folderOf(path, LastFolder);
  // A folder that cannot be saved only costs the next start its starting folder.
  settings_.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, LastFolder);
}

}  // namespace hm

#include "platform/file_chooser.h"

#include "platform/ascii_text.h"

namespace hm {

FileChooser::FileChooser(FileDialogs& dialogs, FileSystem& fs, Messenger& messenger,
                         SettingsStore& settings)
    : dialogs_(dialogs), fs_(fs), messenger_(messenger), settings_(settings) {}

void FileChooser::loadLastFolder() {
  settings_.ReadRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, LastFolder);
}

std::string FileChooser::AskOpenFile(FileKind kind) {
  if (cmdMode) return difPath;
  FileDialogRequest request{kind, false, openDialogTitle(kind), kindExtension(kind), LastFolder};
  std::string path = trimSpaces(dialogs_.choose(request));
  if (path.empty()) return path;
  std::optional<FileInfo> info = fs_.stat(path);
  if (info && isTooLarge(info->size)) {
    messenger_.error(kTooLargeText);
    path.clear();
  }
  RememberFolder(path);
  return path;
}

std::string FileChooser::AskSaveFile(FileKind kind) {
  if (cmdMode) return difPath;
  FileDialogRequest request{kind, true, saveDialogTitle(kind), kindExtension(kind), LastFolder};
  std::string path = trimSpaces(dialogs_.choose(request));
  if (path.empty()) return path;
  path = withSaveExtension(path, kind);
  RememberFolder(path);
  return path;
}

void FileChooser::RememberFolder(const std::string& path) {
  LastFolder = folderOf(path, LastFolder);
  // A folder that cannot be saved only costs the next start its starting folder.
  settings_.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, LastFolder);
}

}  // namespace hm

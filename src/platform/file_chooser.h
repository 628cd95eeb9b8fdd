#pragma once

#include "platform/file_dialog_rules.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hm {

struct FileDialogRequest {
  FileKind kind = FileKind::Dif;
  bool save = false;
  std::string title;        // openDialogTitle / saveDialogTitle
  std::string extension;    // "DIF" or "BIN": the first filter entry is "*.EXT" in any letter case
  std::string startFolder;  // LastFolder
  // Filter entries after the last one, "*.EXT" in any letter case each (moreOpenExtensions).
  std::vector<std::string> moreExtensions = {};
};

// The seam in front of the platform's file chooser: a full path, or empty when cancelled.
// Open requests need an existing file; save requests confirm before overwriting.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual std::string choose(const FileDialogRequest& request) = 0;
};

// AskOpenFile, AskSaveFile and RememberFolder with the state they share.
class FileChooser {
 public:
  // `maxDifSize` is the largest DIF the open dialog passes; the DIF layout decides it, so the
  // caller that knows the layout hands it in.
  FileChooser(FileDialogs& dialogs, FileSystem& fs, Messenger& messenger, Settings& settings,
              std::uint64_t maxDifSize);

  // Start-up: "TekDir" into LastFolder, which stays empty when there is none.
  void loadLastFolder();

  std::string AskOpenFile(FileKind kind);
  // The same under another title, for a file of that kind in another role.
  std::string AskOpenFile(FileKind kind, const std::string& title);
  // Runs `command` with its open requests answered by `path`, as if it had been chosen in their
  // dialogs: the same size limit, the same remembered folder. For a file dropped on the window.
  void withChosenFile(const std::string& path, const std::function<void()>& command);
  std::string AskSaveFile(FileKind kind);
  void RememberFolder(const std::string& path);

  std::string LastFolder;

 private:
  // The refusal for a file of `size` bytes chosen as `kind`, or null when it is taken.
  const char* sizeRefusal(FileKind kind, std::uint64_t size) const;

  std::optional<std::string> chosen_;  // set by withChosenFile
  FileDialogs& dialogs_;
  FileSystem& fs_;
  Messenger& messenger_;
  Settings& settings_;
  std::uint64_t maxDifSize_;
};

}  // namespace hm

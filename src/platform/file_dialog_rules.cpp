#include "platform/file_dialog_rules.h"

#include "platform/ascii_text.h"
#include "platform/file_system.h"

namespace hm {

std::string kindExtension(FileKind kind) {
  return kind == FileKind::Dif ? "DIF" : "BIN";
}

std::string openDialogTitle(FileKind kind) {
  std::string title = "Выберите ";
  if (kind == FileKind::SourceBin) title += "Исходный ";
  if (kind == FileKind::TargetBin) title += "Конечный ";
  title += kindExtension(kind);
  title += " Файл";
  return title;
}

std::string saveDialogTitle(FileKind kind) {
  std::string title = "Выберите Новый ";
  title += kindExtension(kind);
  title += " Файл";
  return title;
}

std::string withSaveExtension(const std::string& path, FileKind kind) {
  std::string suffix = ".";
  suffix += kindExtension(kind);
  std::string tail = path.size() > suffix.size() ? path.substr(path.size() - suffix.size()) : path;
  if (asciiUpper(tail) == suffix) return path;
  return path + suffix;
}

bool isTooLarge(std::uint64_t size) {
  return size > kMaxImageSize;
}

std::string folderOf(const std::string& path, const std::string& current) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return current;
  return path.substr(0, slash + 1);
}

}  // namespace hm

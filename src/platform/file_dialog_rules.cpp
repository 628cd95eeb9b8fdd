#include "platform/file_dialog_rules.h"

#include "platform/ascii_text.h"
#include "platform/file_system.h"

namespace hm {

std::string kindExtension(FileKind kind) {
  if (kind == FileKind::Ips) return "IPS";
  return kind == FileKind::Dif ? "DIF" : "BIN";
}

std::vector<std::string> moreOpenExtensions(FileKind kind) {
  if (kind == FileKind::Dif) return {"IPS"};
  return {};
}

std::string openDialogTitle(FileKind kind) {
  if (kind == FileKind::Dif || kind == FileKind::Ips) return kOpenDifTitle;
  return kind == FileKind::SourceBin ? kOpenSourceBinTitle : kOpenTargetBinTitle;
}

std::string saveDialogTitle(FileKind kind) {
  if (kind == FileKind::Ips) return kSaveIpsTitle;
  return kind == FileKind::Dif ? kSaveDifTitle : kSaveBinTitle;
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

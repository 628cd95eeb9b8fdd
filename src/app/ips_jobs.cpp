#include "app/ips_jobs.h"

#include "app/dif_file_commands.h"
#include "app/dif_jobs.h"
#include "app/list_jobs.h"
#include "app/session.h"
#include "dif/applied_dif.h"
#include "dif/dif_writer.h"
#include "dif/ips_format.h"
#include "dif/ips_writer.h"
#include "platform/file_lock.h"
#include "platform/memory_output_file.h"
#include "platform/user_texts.h"
#include "platform/watched_file_system.h"

#include <memory>
#include <utility>
#include <vector>

namespace hm {

namespace {

// Reads through another file system and keeps what is written in memory: the DIF "Создать DIF"
// would write, with every check it makes, is the IPS's input. Nothing here takes a name on disk,
// so nothing needs a lock.
class DifInMemory : public FileSystem {
 public:
  explicit DifInMemory(FileSystem& inner) : inner_(inner) {}

  std::optional<FileInfo> stat(const std::string& path) override { return inner_.stat(path); }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    return inner_.read(path, maxBytes);
  }
  std::optional<FileView> view(const std::string& path, std::size_t maxBytes) override {
    return inner_.view(path, maxBytes);
  }
  std::unique_ptr<FileReader> openReader(const std::string& path) override {
    return inner_.openReader(path);
  }
  std::unique_ptr<OutputFile> create(const std::string&) override {
    return std::make_unique<MemoryOutputFile>(dif);
  }
  bool makeFolders(const std::string&) override { return true; }

  std::vector<std::uint8_t> dif;

 private:
  FileSystem& inner_;
};

// The DIF's errors, said of the IPS.
Error asIps(Error error) {
  const std::string_view dif = kDifWriteErrorText;
  if (error.message.starts_with(dif)) error.message.replace(0, dif.size(), kIpsWriteErrorText);
  return error;
}

}  // namespace

Status writeSessionIps(const Session& session, const std::string& path, FileSystem& through) {
  DifInMemory memory(through);
  if (Status written = session.writeDif(path, false, memory); !written) {
    return asIps(written.error());
  }
  const std::span<const std::uint8_t> target =
      session.editingDif() ? std::span<const std::uint8_t>() : session.targetBytes();
  const std::vector<std::uint8_t>& dif = memory.dif;
  ByteAt before = [&](std::int32_t address) -> std::optional<std::uint8_t> {
    const AppliedDif applied(dif);
    if (auto byte = applied.bytes(address, 1)) return (*byte)[0];
    if (static_cast<std::size_t>(address) < target.size()) return target[address];
    return std::nullopt;
  };
  return writeIps(through, path, dif, before);
}

bool holdsIps(FileSystem& fs, const std::string& path) {
  std::optional<ByteImage> head = fs.read(path, kIpsHeader.size());
  return head && isIps(head->bytes());
}

IpsJobs::IpsJobs(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger)
    : session_(session), jobs_(jobs), listJobs_(listJobs), messenger_(messenger) {}

bool IpsJobs::write(const std::string& path, std::chrono::milliseconds lockWait, Ended ended) {
  if (jobs_.running()) return false;
  FileSystem& fs = session_.fileSystem();
  if (namesDeviceOrPipe(fs, path)) {
    messenger_.error(kIpsWriteErrorText);
    return false;
  }
  auto lock = std::make_shared<std::unique_ptr<FileLock>>();
  if (!holdExistingFile(fs, messenger_, path, lockWait, *lock)) return false;
  if (session_.editedDifChangedOnDisk(path) &&
      messenger_.show(kDifChangedText, MessageButtons::YesNo, MessageIcon::Question) !=
          MessageAnswer::Yes) {
    return false;
  }
  startWriteJob(
      session_, jobs_, listJobs_, messenger_, path,
      {kIpsWritingText, kIpsCreatedText, kIpsWriteCancelledText}, lock,
      [&session = session_, path](FileSystem& through) {
        return writeSessionIps(session, path, through);
      },
      std::move(ended));
  return true;
}

bool writeIpsAt(Session& session, Messenger& messenger, const std::string& path,
                std::chrono::milliseconds lockWait) {
  InlineJobs jobs;
  ListJobs listJobs(session, jobs, messenger, false);
  bool written = false;
  IpsJobs(session, jobs, listJobs, messenger).write(path, lockWait, [&written](bool done) {
    written = done;
  });
  return written;
}

}  // namespace hm

#include "app/streamed_comparison.h"

#include "dif/dif_stream_writer.h"
#include "dif/dif_writer.h"
#include "platform/user_texts.h"
#include "search/forward_grouping.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace hm {

namespace {

Error readFailed() {
  return {ErrorCode::OpenFailed, kOpenErrorText};
}

Error writeFailed() {
  return {ErrorCode::WriteFailed, kDifWriteErrorText};
}

// Each group becomes a record of the target's bytes in the DIF and of the source's in the
// backup, at the same address.
class RecordSink : public GroupSink {
 public:
  RecordSink(DifStreamWriter& dif, DifStreamWriter* backup) : dif_(dif), backup_(backup) {}

  void open(std::int32_t address) override {
    dif_.open(address);
    if (backup_) backup_->open(address);
  }
  void bytes(std::span<const std::uint8_t> target, std::span<const std::uint8_t> source) override {
    dif_.append(target);
    if (backup_) backup_->append(source);
  }
  void close() override {
    dif_.close();
    if (backup_) backup_->close();
  }

 private:
  DifStreamWriter& dif_;
  DifStreamWriter* backup_;
};

// The outputs of one comparison, in the order they take their names: the backup first, so a
// new DIF never appears before its backup.
struct Outputs {
  std::vector<std::unique_ptr<OutputFile>> files;
  std::unique_ptr<DifStreamWriter> dif, backup;

  bool failed() const { return dif->failed() || (backup && backup->failed()); }
};

Result<Outputs> createOutputs(FileSystem& fs, const std::string& difPath,
                              const StreamedComparisonOptions& options) {
  Outputs outputs;
  std::unique_ptr<OutputFile> dif = fs.create(difPath);
  if (!dif) return writeFailed();
  outputs.dif = std::make_unique<DifStreamWriter>(*dif, options.bufferBytes);
  if (options.backup) {
    std::unique_ptr<OutputFile> backup = fs.create(backupDifName(difPath));
    if (!backup) return writeFailed();
    outputs.backup = std::make_unique<DifStreamWriter>(*backup, options.bufferBytes);
    outputs.files.push_back(std::move(backup));
  }
  outputs.files.push_back(std::move(dif));
  return outputs;
}

// Passes both files through the grouping a buffer at a time.
Status scan(const ComparedFiles& files, ForwardGrouping& grouping, const Outputs& outputs,
            const StreamedComparisonOptions& options) {
  const std::uint64_t targetLength = files.targetLength;
  const std::uint64_t sourceLength = std::min(files.source.size(), targetLength);
  const std::size_t size = std::max<std::size_t>(options.bufferBytes, 1);
  std::unique_ptr<std::uint8_t[]> target(new std::uint8_t[size]);
  std::unique_ptr<std::uint8_t[]> source(new std::uint8_t[size]);
  for (std::uint64_t at = 0; at < targetLength; at += size) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(size, targetLength - at));
    const auto common = static_cast<std::size_t>(
        at < sourceLength ? std::min<std::uint64_t>(length, sourceLength - at) : 0);
    if (!readExactly(files.target, target.get(), length)) return readFailed();
    if (common > 0 && !readExactly(files.source, source.get(), common)) return readFailed();
    // The backup holds zeros where the source has no bytes.
    if (common < length) std::memset(source.get() + common, 0, length - common);
    grouping.feed(target.get(), source.get(), length, common);
    if (outputs.failed()) return writeFailed();
    if (options.progress) options.progress(grouping.differences());
  }
  grouping.finish();
  return success();
}

}  // namespace

Status writeComparedDif(FileSystem& fs, const ComparedFiles& files, const std::string& difPath,
                        const StreamedComparisonOptions& options) {
  Result<Outputs> outputs = createOutputs(fs, difPath, options);
  if (!outputs) return outputs.error();
  RecordSink sink(*outputs->dif, outputs->backup.get());
  ForwardGrouping grouping(options.minDistance, sink);
  if (Status scanned = scan(files, grouping, *outputs, options); !scanned) return scanned;
  const bool difWritten = outputs->dif->finish();
  if (outputs->backup && !outputs->backup->finish()) return writeFailed();
  if (!difWritten) return writeFailed();
  return commitDifOutputs(fs, difPath, outputs->files);
}

}  // namespace hm

#include "app/ips_conversion.h"

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "dif/applied_dif.h"
#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_writer.h"
#include "dif/ips_reader.h"
#include "dif/ips_writer.h"
#include "platform/atomic_output_file.h"
#include "platform/file_dialog_rules.h"
#include "platform/file_lock.h"
#include "platform/user_texts.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hm {

namespace {

int failed(JobContext& context, const Error& error) {
  context.messenger.error(error.message);
  return kExitJobError;
}

// The lock on an output that exists; a new output is nobody else's yet.
Result<std::unique_ptr<FileLock>> holdOutput(JobContext& context, const std::string& path) {
  std::optional<FileInfo> info = context.fs.stat(path);
  if (!info || !info->regular) return std::unique_ptr<FileLock>();
  return context.fs.lock(path, context.lockWait, MissingFile::Fails);
}

// The inputs, read and checked whole before anything is written.
struct Inputs {
  ByteImage dif;  // the patch as a DIF
  std::optional<ByteImage> source;
};

Result<Inputs> readInputs(JobContext& context, const CommandLine& command) {
  Inputs inputs;
  std::optional<ByteImage> patch = context.fs.read(command.difPath);
  if (!patch) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  if (Status ips = difFromIps(*patch); !ips) return ips.error();
  if (Status checked = checkDif(patch->bytes()); !checked) return checked.error();
  inputs.dif = std::move(*patch);
  if (!command.sourcePath.empty()) {
    inputs.source = context.fs.read(command.sourcePath);
    if (!inputs.source) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  }
  return inputs;
}

// The byte an IPS record moved off 454F46 begins with: what the patch itself leaves there, or
// else what the source holds, which the patch does not change.
ByteAt byteBefore(const Inputs& inputs) {
  return [&inputs](std::int32_t address) -> std::optional<std::uint8_t> {
    AppliedDif applied(inputs.dif.bytes());
    if (auto byte = applied.bytes(address, 1)) return (*byte)[0];
    if (inputs.source && static_cast<std::size_t>(address) < inputs.source->size()) {
      return (*inputs.source)[static_cast<std::size_t>(address)];
    }
    return std::nullopt;
  };
}

// The output's blocks in order, as reading it back gives them, for its backup.
void listBlocks(std::span<const std::uint8_t> dif, BlockList& list) {
  BlockLine line;
  line.form = LineForm::Addresses;
  char text[BlockLine::kNumbersMax];
  walkDif(dif, [&](const DifRecord& record) {
    line.start = record.address;
    line.end = record.address + record.length - 1;
    // In the patch's order, not sorted: a backup with its blocks in another order is refused.
    list.insert(list.count(), {text, static_cast<std::size_t>(line.writeNumbers(text) - text)});
  });
}

Result<std::unique_ptr<OutputFile>> writtenBytes(FileSystem& fs, const std::string& path,
                                                 std::span<const std::uint8_t> bytes) {
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return Error{ErrorCode::WriteFailed, kDifWriteErrorText};
  BufferedWriter writer(*out);
  writer.write(bytes.data(), bytes.size());
  if (!writer.flush()) return Error{ErrorCode::WriteFailed, kDifWriteErrorText};
  return out;
}

// The output and its backup, written in full, then given their names together, the output last.
Status writeOutputs(JobContext& context, const std::string& outPath, const Inputs& inputs) {
  FileSystem& fs = context.fs;
  std::vector<std::unique_ptr<OutputFile>> outputs;
  Result<std::unique_ptr<OutputFile>> out = std::unique_ptr<OutputFile>();
  std::vector<std::uint8_t> readBack;
  std::span<const std::uint8_t> blocks = inputs.dif.bytes();
  if (namesIps(outPath)) {
    Result<std::vector<std::uint8_t>> ips = ipsOf(inputs.dif.bytes(), byteBefore(inputs));
    if (!ips) return ips.error();
    out = writtenBytes(fs, outPath, ips.value());
    if (!out) return Error{ErrorCode::WriteFailed, kIpsWriteErrorText};
    if (inputs.source) {
      Result<ByteImage> back = difOfIps(ips.value());
      if (!back) return back.error();
      readBack.assign(back.value().bytes().begin(), back.value().bytes().end());
      blocks = readBack;
    }
  } else {
    out = writtenBytes(fs, outPath, inputs.dif.bytes());
    if (!out) return out.error();
  }
  if (inputs.source) {
    BlockList list;
    listBlocks(blocks, list);
    Result<std::unique_ptr<OutputFile>> backup =
        writtenDif(fs, backupDifName(outPath), list, inputs.source->bytes(), DifImage::Source);
    if (!backup) return backup.error();
    outputs.push_back(std::move(backup.value()));
  }
  outputs.push_back(std::move(out.value()));
  // Two runs writing the same new names take turns here, so the pair left is one run's.
  Result<std::unique_ptr<FileLock>> folder = fs.lockFolder(folderOf(outPath), context.lockWait);
  if (!folder) return folder.error();
  std::vector<OutputFile*> pair;
  for (const std::unique_ptr<OutputFile>& output : outputs) pair.push_back(output.get());
  if (!commitTogether(pair)) {
    return Error{ErrorCode::WriteFailed,
                 namesIps(outPath) ? kIpsWriteErrorText : kDifWriteErrorText};
  }
  return success();
}

}  // namespace

int runConversion(const CommandLine& command, JobContext& context) {
  if (!namesExistingFile(context.fs, command.difPath) ||
      (!command.sourcePath.empty() && !namesExistingFile(context.fs, command.sourcePath))) {
    context.messenger.notice(kFileNotFoundText);
    return kExitNotFound;
  }
  std::optional<FileInfo> patch = context.fs.stat(command.difPath);
  if (patch && patch->size > kMaxDifSize) {
    return failed(context, {ErrorCode::TooLarge, kDifTooLargeText});
  }
  std::optional<FileInfo> source =
      command.sourcePath.empty() ? std::nullopt : context.fs.stat(command.sourcePath);
  if (source && isTooLarge(source->size)) {
    return failed(context, {ErrorCode::TooLarge, kTooLargeText});
  }
  // Held from before the patch is read, so converting a file in place cannot undo another run's
  // change of it.
  Result<std::unique_ptr<FileLock>> out = holdOutput(context, command.outputPath);
  if (!out) return failed(context, out.error());
  Result<std::unique_ptr<FileLock>> backup = std::unique_ptr<FileLock>();
  if (!command.sourcePath.empty()) backup = holdOutput(context, backupDifName(command.outputPath));
  if (!backup) return failed(context, backup.error());

  Result<Inputs> inputs = readInputs(context, command);
  if (!inputs) return failed(context, inputs.error());
  if (Status written = writeOutputs(context, command.outputPath, inputs.value()); !written) {
    return failed(context, written.error());
  }
  if (context.status)
    context.status(namesIps(command.outputPath) ? kIpsCreatedText : kDifCreatedText);
  return kExitDone;
}

}  // namespace hm

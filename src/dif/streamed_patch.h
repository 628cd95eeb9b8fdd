#pragma once

#include "dif/patch_verification.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace hm {

// Writes the BIN patched by a checked DIF whose records ascend without overlapping, as the
// program writes them, to `outPath`: the BIN is copied a buffer at a time and each record is put
// over its bytes as they pass, with zeros where a block lies past the BIN's end. Only a buffer of
// the BIN is held, small enough to stay in the processor's cache between the read and the write.
// Errors: OpenFailed "Ошибка записи BIN файла!" for a BIN whose read fails or that ends before its
// length, WriteFailed with the same text for the output; the output is committed only when all went
// well.
Status writeStreamedPatch(FileSystem& fs, const std::string& outPath,
                          std::span<const std::uint8_t> dif, FileStream& bin,
                          std::size_t bufferBytes = 64 * 1024);

// The patched BIN written but not committed, and how the BIN stood against the DIF.
struct CheckedPatch {
  std::unique_ptr<OutputFile> out;  // nothing when it could not be created
  bool written = false;             // the output was created and every write went through
  PatchCheck check;
};

// The same pass, classifying the BIN against `before` (the DIF's counterpart with the same
// blocks) as classifyBin does, from the bytes it copies: verifying and applying read the BIN
// once. Nothing is committed, so the caller can ask about the BIN first; a write that failed is
// told in `written` for the same reason. Error: OpenFailed "Ошибка записи BIN файла!" for a BIN
// whose read fails or that ends before its length.
Result<CheckedPatch> writeCheckedPatch(FileSystem& fs, const std::string& outPath,
                                       std::span<const std::uint8_t> dif,
                                       std::span<const std::uint8_t> before, FileStream& bin,
                                       std::size_t bufferBytes = 64 * 1024);

// The same pass with the DIF, and its counterpart when `before` is given, read as they come
// beside the BIN, so that only buffers of the three are held. Without a counterpart `check` says
// nothing. Errors: InvalidDif, with no text, when either DIF is not one this pass takes (anything
// walkDif refuses, an IPS, records that do not ascend, a counterpart with other blocks): the
// path that reads them whole takes over and tells what is wrong; OpenFailed "Ошибка записи BIN
// файла!" for a BIN whose read fails or that ends before its length.
Result<CheckedPatch> writeStreamedDifPatch(FileSystem& fs, const std::string& outPath,
                                           FileStream& dif, FileStream* before, FileStream& bin,
                                           std::size_t bufferBytes = 64 * 1024);

}  // namespace hm

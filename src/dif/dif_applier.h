#pragma once

#include "platform/file_system.h"
#include "platform/result.h"
#include "platform/user_texts.h"

#include <span>
#include <string>

namespace hm {

// The whole check, before any BIN is asked for. Error: InvalidDif "Неверный DIF файл!!!".
Status checkDif(std::span<const std::uint8_t> dif);

// Copies every record of a checked DIF into `bin` in file order (the later record wins),
// growing it with zero bytes where a block reaches past its end.
void applyDif(std::span<const std::uint8_t> dif, ByteImage& bin);

// Whether the records of a checked DIF ascend without overlapping, as the program writes them:
// the patched BIN can then be written front to back.
bool recordsAscend(std::span<const std::uint8_t> dif);

// Writes the whole image atomically. Error: WriteFailed "Ошибка записи BIN файла!".
Status writeBin(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> image);

// The unattended form: read the DIF, check it, read the BIN, apply, write `outPath`.
// Errors carry the texts above (an unreadable DIF or BIN is OpenFailed "Ошибка записи BIN
// файла!", and so is a BIN cut short while it is copied). The output is written whole or not
// at all, so `outPath` may be `binPath`. A DIF whose records ascend without overlapping, as the
// program writes them, is applied while the BIN is copied a buffer at a time (streamed_patch.h).
Status applyDifFile(FileSystem& fs, const std::string& difPath, const std::string& binPath,
                    const std::string& outPath);

}  // namespace hm

#pragma once

#include "app/unattended_jobs.h"
#include "dif/patch_carry.h"

#include <functional>
#include <string>
#include <vector>

namespace hm {

// "NEWBIN /r:DIF /s:ORIGINAL.bin /d:OUT.dif [/f]": carries a DIF made for another version of
// NEWBIN over to it and writes OUT.dif with its backup, printing one line per block that did not
// stay in place. Exits kExitDone when every block is placed, kExitAlreadyApplied when the whole
// patch is already in NEWBIN (nothing written), kExitDiffers when some block is not placed
// (nothing written unless " /f" ends the line; then the placed blocks), and as the other forms
// for missing files, errors and bad lines.
int runCarry(const CommandLine& command, JobContext& context);

// The line a block that did not stay in place gets:
// "Блок 000100–00010F перенесён на 000180 (сдвиг +80)."
std::string carriedBlockText(const CarriedBlock& block);

// Writes the placed blocks as a DIF for the new BIN, with its backup (the new BIN's own bytes
// there) beside it, the two as one pair; `inputsIntact` is asked before they take their names.
Status writeCarriedDif(FileSystem& fs, const std::string& path,
                       const std::vector<CarriedBlock>& blocks, std::span<const std::uint8_t> dif,
                       std::span<const std::uint8_t> newBin,
                       const std::function<bool()>& inputsIntact = {});

}  // namespace hm

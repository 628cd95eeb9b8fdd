#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hm {

// An output written to a temporary file beside its target and given the target's name on
// commit(), so a failure never leaves a half-written file or harms the file that was there.
// Only a regular file or a missing name is ever replaced. Committing takes two steps, so that
// several outputs can be made ready first and then take their names together (commitTogether).
class OutputFile {
 public:
  virtual ~OutputFile() = default;  // discards the temporary unless committed
  virtual bool write(const void* data, std::size_t size) = 0;
  // Writes the pieces one after another, in as few calls to the system as it can.
  virtual bool writePieces(std::span<const std::span<const std::uint8_t>> pieces);
  // Overwrites bytes already written, at `offset` from the file's start, for a header that is
  // known only once the rest is out. Outputs that cannot go back refuse.
  virtual bool writeAt(std::uint64_t offset, const void* data, std::size_t size) {
    (void)offset, (void)data, (void)size;
    return false;
  }
  // Whether this output may be written on a thread of its own while other outputs are written
  // on others: it shares nothing with them.
  virtual bool writableAside() const { return false; }
  // Everything that can fail before the file takes its name: reaching the disk, the owner and
  // the mode of the file it replaces.
  virtual bool prepare() { return true; }
  // Gives the prepared file the target's name. With `keepPrevious` the file it replaced is kept
  // aside until settle(), so that withdraw() can put it back.
  virtual bool publish(bool keepPrevious) = 0;
  // Puts back what a publish(true) replaced (or removes the name it created).
  virtual bool withdraw() { return false; }
  // Lets go of what publish(true) kept aside.
  virtual void settle() {}

  bool commit() { return prepare() && publish(false); }
};

// Commits the outputs so that either all of them replace their targets or none does: each is
// made ready before any takes its name, and a name that cannot be taken puts the ones already
// published back.
bool commitTogether(std::span<OutputFile* const> outputs);

}  // namespace hm

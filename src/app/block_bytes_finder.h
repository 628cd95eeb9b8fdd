#pragma once

#include "app/session.h"
#include "blocks/block_bytes.h"
#include "dif/dif_record_index.h"
#include "platform/file_system.h"

#include <memory>
#include <string_view>

namespace hm {

// Finds what a line of the session's list changes, for the byte viewer: the source's and the
// target's bytes of its block; in DIF-editing mode the bytes the DIF will write, those the writer
// takes from the edited DIF or from the line's data file. A line whose bytes cannot be read gets
// the reason.
class BlockBytesFinder {
 public:
  BlockBytesFinder(const Session& session, FileSystem& fs) : session_(session), fs_(fs) {}

  BlockBytes find(std::string_view line);

 private:
  BlockBytes fromImages(BlockSpan block) const;
  BlockBytes fromDif(BlockSpan block);
  BlockBytes fromDataFile(BlockSpan block, const DataSource& source) const;

  // The index shares its lifetime with the DIF it reads: a lane keeps both, since its bytes may
  // lie in either.
  struct IndexedDif {
    std::shared_ptr<const ByteImage> dif;
    DifRecordIndex index;
  };

  const Session& session_;
  FileSystem& fs_;
  // Built the first time a line asks for the edited DIF's bytes, and kept for that DIF: moving
  // through millions of lines then costs a lookup each.
  std::shared_ptr<const IndexedDif> indexed_;
};

// The name of a data file as the viewer heads its pane: "data.bin, офсет 000010".
std::string dataPaneCaption(std::string_view path, std::int32_t offset);

}  // namespace hm

#include "platform/output_file.h"

namespace hm {

bool OutputFile::writePieces(std::span<const std::span<const std::uint8_t>> pieces) {
  for (std::span<const std::uint8_t> piece : pieces) {
    if (!write(piece.data(), piece.size())) return false;
  }
  return true;
}

bool commitTogether(std::span<OutputFile* const> outputs) {
  for (OutputFile* out : outputs) {
    if (!out->prepare()) return false;
  }
  std::size_t published = 0;
  while (published < outputs.size() && outputs[published]->publish(true)) ++published;
  const bool all = published == outputs.size();
  while (!all && published > 0) outputs[--published]->withdraw();
  for (OutputFile* out : outputs) out->settle();
  return all;
}

}  // namespace hm

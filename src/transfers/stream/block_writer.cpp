#include "transfers/stream/block_writer.h"

#include <algorithm>

namespace kvel::transfers {

bool BlockWriter::Write(std::span<const uint8_t> data) {
  while (!data.empty()) {
    const size_t take = std::min(data.size(), wire::kFileBlockSize - block_.size());
    block_.insert(block_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    data = data.subspan(take);
    if (block_.size() == wire::kFileBlockSize && !Flush()) return false;
  }
  return true;
}

bool BlockWriter::Flush() {
  if (block_.empty()) return true;
  const bool written = file_.Write(block_.data(), block_.size());
  block_.clear();
  return written;
}

}  // namespace kvel::transfers

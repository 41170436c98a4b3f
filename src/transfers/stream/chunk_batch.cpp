#include "transfers/stream/chunk_batch.h"

#include <algorithm>

namespace kvel::transfers {

bool ChunkBatch::Fits(size_t dataSize) const {
  return dataSize <= static_cast<size_t>(wire::kSendChunkSize) &&
         size_ + wire::kChunkHeaderSize + dataSize <= bytes_.size();
}

void ChunkBatch::Add(uint32_t type, std::span<const uint8_t> data) {
  if (!Fits(data.size())) return;
  const wire::ChunkHeaderBytes header =
      wire::EncodeChunkHeader({type, static_cast<int32_t>(data.size())});
  std::copy(header.begin(), header.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
  size_ += header.size();
  std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
  size_ += data.size();
  dataBytes_ += static_cast<int64_t>(data.size());
}

void ChunkBatch::Clear() {
  size_ = 0;
  dataBytes_ = 0;
}

}  // namespace kvel::transfers

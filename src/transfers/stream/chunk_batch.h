// One write's worth of the chunk stream: whole chunks (12-byte header and
// data) laid out one after the other, at most kSendWriteMax bytes, so a
// header never goes out apart from its data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "wire/transfer_records.h"

namespace kvel::transfers {

class ChunkBatch {
 public:
  // True when a chunk with `dataSize` bytes still fits.
  bool Fits(size_t dataSize) const;
  // Appends a chunk of `type` carrying `data` (at most kSendChunkSize bytes);
  // the caller checks Fits first.
  void Add(uint32_t type, std::span<const uint8_t> data);
  std::span<const uint8_t> Bytes() const { return {bytes_.data(), size_}; }
  // File bytes in the batch (its size without the headers).
  int64_t DataBytes() const { return dataBytes_; }
  bool Empty() const { return size_ == 0; }
  void Clear();

 private:
  std::vector<uint8_t> bytes_ = std::vector<uint8_t>(wire::kSendWriteMax);
  size_t size_ = 0;
  int64_t dataBytes_ = 0;
};

}  // namespace kvel::transfers

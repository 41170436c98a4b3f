// Gathers the small pieces a transfer receives into blocks of
// kFileBlockSize, so the file is written in few large calls.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "transfers/side/stream_file.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {

class BlockWriter {
 public:
  explicit BlockWriter(StreamFile& file) : file_(file) { block_.reserve(wire::kFileBlockSize); }
  // False once a write of the file has failed.
  bool Write(std::span<const uint8_t> data);
  // Writes what is gathered.
  bool Flush();

 private:
  StreamFile& file_;
  std::vector<uint8_t> block_;
};

}  // namespace kvel::transfers

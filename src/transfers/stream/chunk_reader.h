// The chunk part of the file-transfer stream as it arrives, in pieces of any
// size: headers are gathered across pieces and each chunk's data is handed
// out as it comes. Counts the data against the size the offer announced: a
// stream that would go past it, or whose last chunk ends short of it, fails.
// Pure: byte spans in, steps out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "wire/transfer_records.h"

namespace kvel::transfers {

// Chunks that carry no data are allowed, but not without end.
inline constexpr uint32_t kEmptyChunksMax = 1024;

class ChunkReader {
 public:
  enum class State { Reading, Done, Failed };
  enum class Failure { None, BadType, PastAnnounced, ShortOfAnnounced, TooManyEmptyChunks };

  struct Step {
    size_t used = 0;                // bytes of the input taken
    std::span<const uint8_t> data;  // file data among them, in the input
  };

  // Counts against `size` bytes (a negative size as 0).
  explicit ChunkReader(int64_t size) : size_(size > 0 ? static_cast<uint64_t>(size) : 0) {}

  // Takes a header's bytes or one chunk's data from the front of `input`.
  // Call again with the rest until it is used up or the state is no longer
  // Reading; bytes after the last chunk are never taken.
  Step Next(std::span<const uint8_t> input);

  // Counts against `size` from now on, what came so far included: the
  // sender sends the whole file where the rest of it was asked for.
  void Recount(int64_t size) { size_ = size > 0 ? static_cast<uint64_t>(size) : 0; }

  State state() const { return state_; }
  Failure failure() const { return failure_; }
  uint64_t Received() const { return received_; }

 private:
  void StartChunk();
  void Fail(Failure failure);
  void EndIfLast();

  uint64_t size_;
  uint64_t received_ = 0;
  wire::ChunkHeaderBytes header_{};
  size_t headerFill_ = 0;
  uint64_t dataLeft_ = 0;  // of the current chunk
  bool last_ = false;
  uint32_t emptyChunks_ = 0;
  State state_ = State::Reading;
  Failure failure_ = Failure::None;
};

}  // namespace kvel::transfers

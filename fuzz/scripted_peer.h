// What the stream fuzzers share: the check that stops a run, and a peer that
// delivers the input in reads of at most a given size and keeps what this
// side writes to it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "transfers/stream/stream_connection.h"

namespace kvel::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

class ScriptedPeer final : public transfers::StreamConnection {
 public:
  // Delivers `size` bytes at `data`, at most `split` bytes a read.
  ScriptedPeer(const uint8_t* data, size_t size, size_t split)
      : data_(data), size_(size), split_(split) {}

  int Read(void* buffer, int count) override {
    Check(count > 0 && count <= 65536);
    const size_t take = std::min({static_cast<size_t>(count), size_ - at_, split_});
    std::memcpy(buffer, data_ + at_, take);
    at_ += take;
    return static_cast<int>(take);
  }
  int Write(const void* data, int count) override {
    Check(count > 0 && count <= 65536);
    const auto* bytes = static_cast<const uint8_t*>(data);
    written.insert(written.end(), bytes, bytes + count);
    writeSizes.push_back(static_cast<size_t>(count));
    return count;
  }
  void ShutdownSend() override {}
  bool WaitForPeerClose(uint32_t) override { return true; }
  // The input bytes read so far.
  size_t Consumed() const { return at_; }

  std::vector<uint8_t> written;    // every byte written, in order
  std::vector<size_t> writeSizes;  // the size of each write

 private:
  const uint8_t* data_;
  size_t size_;
  size_t split_;
  size_t at_ = 0;
};

}  // namespace kvel::fuzz

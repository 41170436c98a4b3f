// A connection for the file-transfer procedures without sockets: it delivers
// scripted bytes in any split, ends or fails at any byte, and records every
// write, optionally failing after a given count, and the end of sending.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "transfers/stream/stream_connection.h"
#include "wire/handshake.h"

namespace kvel::testing {

class FakeConnection final : public transfers::StreamConnection {
 public:
  explicit FakeConnection(std::vector<uint8_t> incoming = {}) : incoming_(std::move(incoming)) {}

  // Each read returns at most this many bytes (0: as many as asked).
  void SetReadLimit(size_t bytes) { readLimit_ = bytes; }
  // After `bytes` of the incoming bytes the connection ends (0) or fails (-1).
  void CutAt(size_t bytes, bool fail = false) {
    cutAt_ = bytes;
    failAtCut_ = fail;
  }
  // Writes succeed for the first `bytes` bytes (a write crossing the limit is
  // partial), then fail.
  void FailWritesAfter(size_t bytes) { writeLimit_ = bytes; }

  // Whether the peer closes when waited for after the end of sending.
  void SetPeerCloses(bool closes) { peerCloses_ = closes; }
  // Each read returns at most the next of these counts, in turn (empty: as
  // many as asked, or the read limit).
  void SetReadSplits(std::vector<size_t> splits) { splits_ = std::move(splits); }
  // Runs at the start of every read (to see how far the reader came).
  void SetOnRead(std::function<void()> onRead) { onRead_ = std::move(onRead); }

  int Read(void* buffer, int count) override;
  int Write(const void* data, int count) override;
  void ShutdownSend() override;
  bool WaitForPeerClose(uint32_t milliseconds) override;

  // What was written, as one stream and as the separate writes.
  const std::vector<uint8_t>& Written() const { return written_; }
  const std::vector<std::vector<uint8_t>>& Writes() const { return writes_; }
  size_t Delivered() const { return position_; }
  // Every count a read asked for.
  const std::vector<int>& ReadAsks() const { return readAsks_; }
  // The count written when sending was ended (SIZE_MAX: never), and whether
  // the wait for the peer's close came after that.
  size_t ShutdownAfter() const { return shutdownAfter_; }
  bool WaitedForCloseAfterShutdown() const { return waitedAfterShutdown_; }

 private:
  std::vector<uint8_t> incoming_;
  size_t position_ = 0;
  size_t readLimit_ = 0;
  size_t cutAt_ = SIZE_MAX;
  bool failAtCut_ = false;
  size_t writeLimit_ = SIZE_MAX;
  std::vector<uint8_t> written_;
  std::vector<std::vector<uint8_t>> writes_;
  std::vector<int> readAsks_;
  std::vector<size_t> splits_;
  size_t nextSplit_ = 0;
  std::function<void()> onRead_;
  bool peerCloses_ = true;
  size_t shutdownAfter_ = SIZE_MAX;
  bool waitedAfterShutdown_ = false;
};

// Builds incoming streams: words, records and data in order.
class StreamBuilder {
 public:
  StreamBuilder& Word(uint32_t value);
  StreamBuilder& Bytes(const void* data, size_t size);
  StreamBuilder& Bytes(const std::vector<uint8_t>& data) { return Bytes(data.data(), data.size()); }
  // OfferStart, OfferInfo, two zero words and the description of `name`
  // with `size` (high and low words).
  StreamBuilder& Offer(const std::string& name, uint64_t size);
  StreamBuilder& Chunk(uint32_t type, int32_t length, const std::vector<uint8_t>& data = {});
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// The little-endian words of `values`, in order.
std::vector<uint8_t> Words(std::initializer_list<uint32_t> values);

// The called side's answer to a hello, as bytes written or read.
inline const std::vector<uint8_t> kAnswerBytes(wire::kAnswer.begin(), wire::kAnswer.end());

// `size` bytes of a pattern that differs at every offset of a 64 KiB page.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed = 0);

}  // namespace kvel::testing

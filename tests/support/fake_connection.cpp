#include "support/fake_connection.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "wire/transfer_records.h"

namespace kvel::testing {

int FakeConnection::Read(void* buffer, int count) {
  if (onRead_) onRead_();
  readAsks_.push_back(count);
  const size_t end = std::min(incoming_.size(), cutAt_);
  if (position_ >= end) return position_ >= cutAt_ && failAtCut_ ? -1 : 0;
  size_t take = std::min(static_cast<size_t>(count), end - position_);
  if (readLimit_ != 0) take = std::min(take, readLimit_);
  if (!splits_.empty()) take = std::min(take, splits_[nextSplit_++ % splits_.size()]);
  std::memcpy(buffer, incoming_.data() + position_, take);
  position_ += take;
  return static_cast<int>(take);
}

int FakeConnection::Write(const void* data, int count) {
  if (written_.size() >= writeLimit_) return -1;
  const size_t take = std::min(static_cast<size_t>(count), writeLimit_ - written_.size());
  const auto* bytes = static_cast<const uint8_t*>(data);
  written_.insert(written_.end(), bytes, bytes + take);
  writes_.emplace_back(bytes, bytes + take);
  return static_cast<int>(take);
}

void FakeConnection::ShutdownSend() {
  if (shutdownAfter_ == SIZE_MAX) shutdownAfter_ = written_.size();
}

bool FakeConnection::WaitForPeerClose(uint32_t) {
  waitedAfterShutdown_ = shutdownAfter_ != SIZE_MAX;
  return peerCloses_;
}

StreamBuilder& StreamBuilder::Word(uint32_t value) {
  const wire::Word word = wire::EncodeWord(value);
  return Bytes(word.data(), word.size());
}

StreamBuilder& StreamBuilder::Bytes(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
  return *this;
}

StreamBuilder& StreamBuilder::Offer(const std::string& name, uint64_t size) {
  wire::FileInfo info;
  info.sizeHigh = static_cast<uint32_t>(size >> 32);
  info.sizeLow = static_cast<uint32_t>(size);
  info.name = name;
  const wire::FileInfoBytes record = wire::EncodeFileInfo(info);
  Word(wire::kOfferStart).Word(wire::kOfferInfo).Word(0).Word(0);
  return Bytes(record.data(), record.size());
}

StreamBuilder& StreamBuilder::Chunk(uint32_t type, int32_t length,
                                    const std::vector<uint8_t>& data) {
  const wire::ChunkHeaderBytes header = wire::EncodeChunkHeader({type, length});
  Bytes(header.data(), header.size());
  return Bytes(data);
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> values) {
  StreamBuilder builder;
  for (uint32_t value : values) builder.Word(value);
  return builder.Take();
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

}  // namespace kvel::testing

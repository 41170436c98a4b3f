#include "transfers/stream/chunk_reader.h"

#include <algorithm>

namespace kvel::transfers {

ChunkReader::Step ChunkReader::Next(std::span<const uint8_t> input) {
  Step step;
  if (state_ != State::Reading || input.empty()) return step;
  if (dataLeft_ > 0) {
    const size_t take = static_cast<size_t>(std::min<uint64_t>(dataLeft_, input.size()));
    dataLeft_ -= take;
    received_ += take;
    step.used = take;
    step.data = input.first(take);
    EndIfLast();
    return step;
  }
  const size_t take = std::min(header_.size() - headerFill_, input.size());
  std::copy_n(input.begin(), take, header_.begin() + static_cast<std::ptrdiff_t>(headerFill_));
  headerFill_ += take;
  step.used = take;
  if (headerFill_ == header_.size()) StartChunk();
  return step;
}

void ChunkReader::StartChunk() {
  headerFill_ = 0;
  const wire::ChunkHeader header = *wire::DecodeChunkHeader(header_);
  if (header.type != wire::kChunkMore && header.type != wire::kChunkLast)
    return Fail(Failure::BadType);
  // A length of 0 or less carries no data.
  const uint64_t length = header.length > 0 ? static_cast<uint64_t>(header.length) : 0;
  if (length > size_ - received_) return Fail(Failure::PastAnnounced);
  if (length == 0 && ++emptyChunks_ > kEmptyChunksMax) return Fail(Failure::TooManyEmptyChunks);
  dataLeft_ = length;
  last_ = header.type == wire::kChunkLast;
  EndIfLast();
}

void ChunkReader::EndIfLast() {
  if (!last_ || dataLeft_ > 0) return;
  if (received_ == size_) {
    state_ = State::Done;
  } else {
    Fail(Failure::ShortOfAnnounced);
  }
}

void ChunkReader::Fail(Failure failure) {
  state_ = State::Failed;
  failure_ = failure;
}

}  // namespace kvel::transfers

#include "strict_peer.h"

#include <algorithm>
#include <cstring>

namespace kvel::strict {
namespace {

constexpr size_t kRecordSize = 320;
constexpr size_t kOfferSize = 12 + kRecordSize;  // OfferInfo, 0, 0, record
constexpr size_t kChunkSize = 4096;
constexpr uint32_t kChunkMore = 3;
constexpr uint32_t kChunkLast = 2;
constexpr uint32_t kAccept = 6;
constexpr uint32_t kRefuse = 7;
// The largest chunk it takes: a header announcing more is a failure.
constexpr uint32_t kChunkLimit = 1 << 20;

void Put(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t Get(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

bool StrictPeer::Fail(std::string failure) {
  if (failure_.empty()) failure_ = std::move(failure);
  failed_ = true;
  return false;
}

bool StrictPeer::ReadItem(void* buffer, size_t size, const char* what, bool wait) {
  if (size == 0) return true;
  if (wait && platform::WaitReadable(socket_, waitMs_) <= 0) {
    return Fail(std::string("nothing to read for ") + what);
  }
  // Without the wait the receive must not block: what is there is all.
  if (!wait) platform::SetNonBlocking(socket_, true);
  const int got = platform::ReceiveSome(socket_, buffer, static_cast<int>(size));
  if (!wait) platform::SetNonBlocking(socket_, false);
  if (got != static_cast<int>(size)) {
    return Fail(std::string("short read of ") + what + ": " + std::to_string(std::max(got, 0)) +
                " of " + std::to_string(size) + " bytes");
  }
  return true;
}

bool StrictPeer::ReadStreamItem(void* buffer, size_t size, const char* what, bool wait) {
  if (!ReadItem(buffer, size, what, wait)) return false;
  streamRead_ += size;
  return true;
}

bool StrictPeer::WriteItem(const std::vector<uint8_t>& bytes, const char* what) {
  const int sent = platform::SendSome(socket_, bytes.data(), static_cast<int>(bytes.size()));
  if (sent != static_cast<int>(bytes.size())) return Fail(std::string("short write of ") + what);
  return true;
}

bool StrictPeer::Call(uint32_t ownUin, uint32_t calledUin, uint32_t code) {
  std::vector<uint8_t> pair;
  Put(pair, ownUin);
  Put(pair, calledUin);
  if (!WriteItem(pair, "the number pair")) return false;
  uint8_t answer[4];
  if (!ReadItem(answer, sizeof answer, "UDAG")) return false;
  if (std::memcmp(answer, "UDAG", 4) != 0) return Fail("no UDAG");
  std::vector<uint8_t> word;
  Put(word, code);
  return WriteItem(word, "the direction code");
}

bool StrictPeer::Answer(uint32_t* callerUin, uint32_t* code) {
  uint8_t pair[8];
  if (!ReadItem(pair, sizeof pair, "the number pair")) return false;
  *callerUin = Get(pair);
  if (!WriteItem({'U', 'D', 'A', 'G'}, "UDAG")) return false;
  uint8_t word[4];
  if (!ReadItem(word, sizeof word, "the direction code")) return false;
  *code = Get(word);
  return true;
}

bool StrictPeer::ReceiveFile(std::vector<uint8_t>* file, uint32_t offset) {
  return ReadOffer() && AcceptOffer(file, offset);
}

bool StrictPeer::ReadOffer() {
  uint8_t word[4];
  if (!ReadStreamItem(word, sizeof word, "OfferStart")) return false;
  if (Get(word) != 1) return Fail("no OfferStart");
  std::vector<uint8_t> offer(kOfferSize);
  if (!ReadStreamItem(offer.data(), offer.size(), "the offer")) return false;
  if (Get(offer.data()) != 3) return Fail("no OfferInfo");
  offeredSize_ = static_cast<uint64_t>(Get(&offer[12 + 28])) << 32 | Get(&offer[12 + 32]);
  const auto name = offer.begin() + 12 + 44;
  offeredName_.assign(name, std::find(name, offer.end(), 0));
  return true;
}

bool StrictPeer::RefuseOffer() {
  std::vector<uint8_t> reply;
  for (uint32_t value : {kRefuse, 0u, 0u}) Put(reply, value);
  return WriteItem(reply, "the refusal");
}

bool StrictPeer::AcceptOffer(std::vector<uint8_t>* file, uint32_t offset) {
  std::vector<uint8_t> reply;
  for (uint32_t value : {kAccept, offset, 0u}) Put(reply, value);
  if (!WriteItem(reply, "the reply")) return false;
  // Only the rest comes; asked past the end, nothing can.
  const uint64_t rest = offeredSize_ - std::min<uint64_t>(offset, offeredSize_);

  file->clear();
  std::vector<uint8_t> data;
  for (;;) {
    uint8_t header[12];
    if (!ReadStreamItem(header, sizeof header, "a chunk header")) return false;
    const uint32_t type = Get(header);
    const uint32_t length = Get(header + 4);
    if (type != kChunkMore && type != kChunkLast) return Fail("bad chunk type");
    if (length > kChunkLimit || file->size() + length > rest) return Fail("chunk too long");
    data.resize(length);
    if (!ReadStreamItem(data.data(), length, "chunk data", false)) return false;
    file->insert(file->end(), data.begin(), data.end());
    if (type == kChunkLast) break;
  }
  if (file->size() != rest) return Fail("file shorter than offered");
  return true;
}

bool StrictPeer::SendFile(const std::string& name, const std::vector<uint8_t>& file) {
  std::vector<uint8_t> start;
  Put(start, 1);
  if (!WriteItem(start, "OfferStart")) return false;
  std::vector<uint8_t> offer;
  for (uint32_t value : {3u, 0u, 0u}) Put(offer, value);
  offer.resize(kOfferSize, 0);
  const uint64_t size = file.size();
  for (int i = 0; i < 4; ++i) {
    offer[12 + 28 + i] = static_cast<uint8_t>(size >> (32 + 8 * i));
    offer[12 + 32 + i] = static_cast<uint8_t>(size >> (8 * i));
  }
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 259), offer.begin() + 12 + 44);
  if (!WriteItem(offer, "the offer")) return false;
  uint8_t reply[12];
  if (!ReadStreamItem(reply, sizeof reply, "the reply")) return false;
  if (Get(reply) != kAccept) return Fail("refused");
  offsetAsked_ = Get(reply + 4);
  if (offsetAsked_ > file.size()) return Fail("asked for an offset past the end");

  size_t at = offsetAsked_;
  for (;;) {
    const size_t length = std::min(file.size() - at, kChunkSize);
    std::vector<uint8_t> chunk;
    Put(chunk, length == kChunkSize ? kChunkMore : kChunkLast);
    Put(chunk, static_cast<uint32_t>(length));
    Put(chunk, 0);
    chunk.insert(chunk.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                 file.begin() + static_cast<std::ptrdiff_t>(at + length));
    if (!WriteItem(chunk, "a chunk")) return false;
    at += length;
    if (length < kChunkSize) return true;
  }
}

}  // namespace kvel::strict

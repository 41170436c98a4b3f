// What a peer answers to this side, fed from the input in any split: the
// handshake as the called side (the caller's numbers and code), as the caller
// (the answer), and the sender's wait for the reply to its offer. Checks that
// no step reads past what it needs, that "UDAG" and the direction code go out
// only when the handshake allows them, and that file data goes out only
// after an acceptance, and then exactly the file from the offset the
// acceptance asked for on (nothing for an offset past the end).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "p2p/connection/handshake_steps.h"
#include "scripted_peer.h"
#include "transfers/stream/send_stream.h"
#include "wire/handshake.h"
#include "wire/transfer_records.h"

namespace {
using namespace kvel;

using fuzz::Check;
using Peer = fuzz::ScriptedPeer;

// The file's byte at `at`: different bytes at nearby positions, so that data
// from a wrong position shows.
uint8_t FileByte(uint64_t at) {
  return static_cast<uint8_t>(at ^ (at >> 8) ^ (at >> 16));
}

class MemoryFile final : public transfers::StreamFile {
 public:
  explicit MemoryFile(size_t size) : size_(size) {}
  size_t Read(void* buffer, size_t count) override {
    const size_t take = std::min<uint64_t>(count, size_ - std::min(at_, size_));
    for (size_t i = 0; i < take; ++i) static_cast<uint8_t*>(buffer)[i] = FileByte(at_ + i);
    at_ += take;
    return take;
  }
  bool Write(const void*, size_t) override { return false; }
  bool Seek(uint64_t offset) override {
    at_ = offset;
    return true;
  }
  bool Failed() const override { return false; }
  bool Close() override { return true; }

 private:
  uint64_t size_;
  uint64_t at_ = 0;
};

// The sending user: offers a file of `size` bytes.
class Sender final : public transfers::UserQuestions,
                     public transfers::TransferFiles,
                     public transfers::TransferFolders {
 public:
  explicit Sender(size_t size) : size_(size) {}
  std::string PeerName(uint32_t) override { return "peer"; }
  bool AskYesNo(const char*, const char*) override { return false; }
  bool ChooseSaveFile(platform::FileDialog&) override { return false; }
  bool ChooseOpenFile(platform::FileDialog& dialog) override {
    std::strncpy(dialog.path, "C:\\a.bin", dialog.pathSize - 1);
    return true;
  }
  std::optional<platform::FileInformation> ReadFileInformation(const char*) override {
    platform::FileInformation info;
    info.size = size_;
    return info;
  }
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char*) override {
    return std::make_unique<MemoryFile>(size_);
  }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char*, platform::Error*) override {
    return nullptr;
  }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char*) override { return nullptr; }
  transfers::KeptParts* Kept() { return nullptr; }
  bool MoveFileOver(const char*, const char*) override { return false; }
  bool MoveFileNew(const char*, const char*, platform::Error*) override { return false; }
  void RemoveFile(const char*) override {}
  bool PathTaken(const char*) override { return false; }
  bool MakeFolder(const char*) override { return false; }
  std::optional<platform::FileIdentity> IdentityOf(const char*) override { return std::nullopt; }

 private:
  size_t size_;
};

void AnswerAsCalled(Peer& peer, bool asked) {
  const p2p::Handshake handshake = p2p::AnswerPeer(peer, [asked](uint32_t) { return asked; });
  // Two numbers and a code, never more.
  Check(peer.Consumed() <= 12);
  const bool answered = peer.written.size() == 4;
  Check(peer.written.empty() ||
        (answered && std::equal(peer.written.begin(), peer.written.end(), wire::kAnswer.begin())));
  if (handshake.result != p2p::Handshake::Result::Failed) Check(answered && peer.Consumed() == 12);
}

void CallAsCaller(Peer& peer, uint32_t code) {
  const p2p::Handshake handshake = p2p::CallPeer(peer, 1001, 777, code);
  Check(peer.Consumed() <= 4);
  Check(peer.written.size() == 8 || peer.written.size() == 12);
  const bool agreed = handshake.result == p2p::Handshake::Result::Agreed;
  Check(agreed == (peer.written.size() == 12));
  Check(!agreed || code == wire::kPushCode || code == wire::kPullCode);
}

// `reply`: the input the peer answers with.
void SendOffer(Peer& peer, size_t size, std::span<const uint8_t> reply) {
  Sender user(size);
  transfers::TransferRegistry registry([] { return 0u; });
  transfers::TransferHandle transfer = registry.Begin(777, transfers::Send);
  transfer.Agree(777, "777", transfers::Send);
  const bool sent = transfers::SendStream(peer, user, transfer);
  // The record counts what went, never more than the file.
  const transfers::Transfer record = transfer.Read();
  Check(record.moved >= 0 && record.moved <= static_cast<int64_t>(size));
  // The offer alone, or the offer and then every chunk of the file from the
  // offset asked for.
  const size_t offer = wire::kWordSize + wire::kOfferSize;
  if (peer.written.size() == offer) {
    Check(!sent);
    return;
  }
  // Nothing of the file goes out before an acceptance has come whole, and
  // only from an offset within the file.
  Check(peer.Consumed() >= wire::kOfferReplySize);
  const std::optional<wire::OfferReply> answer = wire::DecodeOfferReply(reply);
  Check(answer && answer->code == wire::kReplyAccept && answer->offset <= size);
  const size_t rest = size - answer->offset;
  const size_t chunks = rest / wire::kSendChunkSize + 1;
  Check(peer.written.size() == offer + chunks * wire::kChunkHeaderSize + rest);
  Check(sent);
  Check(record.offset == static_cast<int64_t>(answer->offset));
  Check(record.moved == static_cast<int64_t>(rest));
  // The chunks carry the file from the offset on, all but the last full.
  size_t at = offer;
  uint64_t position = answer->offset;
  for (size_t i = 0; i < chunks; ++i) {
    const std::optional<wire::ChunkHeader> header = wire::DecodeChunkHeader(
        std::span<const uint8_t>(peer.written).subspan(at, wire::kChunkHeaderSize));
    const bool last = i + 1 == chunks;
    Check(header && header->type == (last ? wire::kChunkLast : wire::kChunkMore));
    Check(last || header->length == wire::kSendChunkSize);
    at += wire::kChunkHeaderSize;
    for (int32_t b = 0; b < header->length; ++b) Check(peer.written[at++] == FileByte(position++));
  }
  Check(position == size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  const size_t split = (data[1] & 15) == 0 ? 65536 : (data[1] & 15);
  Peer peer(data + 2, size - 2, split);
  switch (mode % 3) {
    case 0:
      AnswerAsCalled(peer, (mode & 4) != 0);
      break;
    case 1:
      CallAsCaller(peer, data[1] >> 4);
      break;
    default:
      SendOffer(peer, (static_cast<size_t>(data[1] >> 4) << 11) + (mode >> 2),
                std::span<const uint8_t>(data + 2, size - 2));
      break;
  }
  return 0;
}

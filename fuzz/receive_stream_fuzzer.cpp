// The receiving half of the file-transfer stream fed a peer's bytes in any
// split, with the user's answers taken from the input too. Checks that the
// offered name reaches the user only in its safe form, that the bytes written
// never go past the size the offer announced, and that only a complete file
// is put in place, with exactly the announced bytes counted in the
// transfer's record.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfers/offered_name.h"
#include "transfers/transfer_registry.h"
#include "transfers/transfer_stream.h"
#include "scripted_peer.h"

namespace {
using namespace kvel;

using fuzz::Check;

class MemoryFile final : public transfers::StreamFile {
 public:
  explicit MemoryFile(std::vector<uint8_t>& out) : out_(out) {}
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + count);
    return out_.size() < (1u << 20);  // a full disk after 1 MiB
  }
  bool Seek(uint64_t) override { return false; }
  bool Failed() const override { return false; }
  bool Close() override { return true; }

 private:
  std::vector<uint8_t>& out_;
};

class User final : public transfers::TransferSide {
 public:
  explicit User(uint8_t choices) : choices_(choices) {}
  std::string PeerName(uint32_t) override { return std::string(300, 'P'); }
  bool AskYesNo(const char* text, const char*) override {
    Check(std::string(text).size() <= 1023);
    return choices_ & 1;
  }
  bool ChooseSaveFile(platform::FileDialog& dialog) override {
    const std::string proposed = dialog.path;
    Check(!proposed.empty() && proposed.size() <= 255);
    Check(transfers::SanitizeOfferedName(proposed) == proposed);
    Check(proposed.find_first_of("<>:\"/\\|?*") == std::string::npos);
    return choices_ & 2;
  }
  bool ChooseOpenFile(platform::FileDialog&) override { return false; }
  std::optional<platform::FileInformation> ReadFileInformation(const char*) override {
    return std::nullopt;
  }
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char*) override { return nullptr; }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char*,
                                                       platform::FileProblem*) override {
    Check(!created);
    created = true;
    return std::make_unique<MemoryFile>(written);
  }
  bool MoveFileOver(const char*, const char*) override {
    moved = true;
    return true;
  }
  void RemoveFile(const char*) override { removed = true; }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char*) override { return nullptr; }
  transfers::KeptParts* Kept() override { return nullptr; }

  std::vector<uint8_t> written;
  bool created = false;
  bool moved = false;
  bool removed = false;

 private:
  uint8_t choices_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choices = data[0];
  const size_t split = (choices >> 2) == 0 ? 65536 : (choices >> 2);
  fuzz::ScriptedPeer peer(data + 1, size - 1, split);
  User user(choices);
  transfers::TransferRegistry registry([] { return 0u; });
  transfers::TransferHandle transfer = registry.Begin(1, transfers::Receive);
  transfer.Agree(1, "1", transfers::Receive);
  const bool received = transfers::ReceiveStream(peer, user, transfer);
  const transfers::Transfer record = transfer.Read();
  const auto written = static_cast<int64_t>(user.written.size());
  // Never more than announced on disk or counted; only a whole file takes
  // the target's place, and every other part file is removed.
  const bool moving = record.state == transfers::TransferState::Moving;
  Check(record.moved >= 0 && (moving || record.moved == 0));
  if (moving) Check(written <= record.size && record.moved <= record.size);
  Check(received == user.moved);
  Check(!received || (moving && written == record.size && record.moved == written));
  Check(user.created == (user.moved || user.removed));
  // The receiver writes nothing but its 12-byte reply.
  for (size_t written : peer.writeSizes) Check(written == 12);
  return 0;
}

// The receiving half of the file-transfer stream fed a peer's bytes in any
// split, with the user's answers taken from the input too. Checks that the
// offered name reaches the user only in its safe form, that the bytes written
// never go past the size the offer announced, and that only a complete file
// is put in place, with exactly the announced bytes reported.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "p2p/offered_name.h"
#include "p2p/transfer_stream.h"

namespace {
using namespace kvel;

void Check(bool condition) {
  if (!condition) std::abort();
}

class Peer final : public p2p::StreamConnection {
 public:
  Peer(const uint8_t* data, size_t size, size_t split) : data_(data), size_(size), split_(split) {}
  int Read(void* buffer, int count) override {
    Check(count > 0 && count <= 65536);
    size_t take = std::min({static_cast<size_t>(count), size_ - at_, split_});
    std::copy(data_ + at_, data_ + at_ + take, static_cast<uint8_t*>(buffer));
    at_ += take;
    return static_cast<int>(take);
  }
  int Write(const void*, int count) override {
    Check(count == 12);
    return count;
  }
  void ShutdownSend() override {}
  bool WaitForPeerClose(uint32_t) override { return true; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t split_;
  size_t at_ = 0;
};

class MemoryFile final : public p2p::StreamFile {
 public:
  explicit MemoryFile(std::vector<uint8_t>& out) : out_(out) {}
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + count);
    return out_.size() < (1u << 20);  // a full disk after 1 MiB
  }
  bool Failed() const override { return false; }
  bool Close() override { return true; }

 private:
  std::vector<uint8_t>& out_;
};

class User final : public p2p::TransferSide {
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
    Check(p2p::SanitizeOfferedName(proposed) == proposed);
    Check(proposed.find_first_of("<>:\"/\\|?*") == std::string::npos);
    return choices_ & 2;
  }
  bool ChooseOpenFile(platform::FileDialog&) override { return false; }
  std::optional<platform::FileInformation> ReadFileInformation(const char*) override {
    return std::nullopt;
  }
  std::unique_ptr<p2p::StreamFile> OpenForReading(const char*) override { return nullptr; }
  std::unique_ptr<p2p::StreamFile> CreateNewFile(const char*) override {
    Check(!created);
    created = true;
    return std::make_unique<MemoryFile>(written);
  }
  bool MoveFileOver(const char*, const char*) override {
    moved = true;
    return true;
  }
  void RemoveFile(const char*) override { removed = true; }
  void SetTransferFile(const char*, int64_t total, int64_t) override { announced = total; }
  void AddProgress(int64_t bytes) override {
    Check(bytes >= 0);
    reported += bytes;
  }
  uint32_t Milliseconds() override { return clock += 7; }

  std::vector<uint8_t> written;
  int64_t reported = 0;
  int64_t announced = -1;
  bool created = false;
  bool moved = false;
  bool removed = false;
  uint32_t clock = 0;

 private:
  uint8_t choices_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choices = data[0];
  const size_t split = (choices >> 2) == 0 ? 65536 : (choices >> 2);
  Peer peer(data + 1, size - 1, split);
  User user(choices);
  const bool received = p2p::ReceiveStream(peer, 1, user);
  const auto written = static_cast<int64_t>(user.written.size());
  // Never more than announced on disk or reported; only a whole file takes
  // the target's place, and every other part file is removed.
  if (user.announced >= 0) Check(written <= user.announced && user.reported <= user.announced);
  Check(received == user.moved);
  Check(!received || (written == user.announced && user.reported == written));
  Check(user.created == (user.moved || user.removed));
  return 0;
}

// The receiving half of the file-transfer stream fed a peer's bytes in any
// split, with the user's answers taken from the input too. Checks that the
// offered name reaches the user only in its safe form and that the bytes
// written are exactly the chunks' data.
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
    Check(count > 0 && count <= 65535);
    size_t take = std::min({static_cast<size_t>(count), size_ - at_, split_});
    std::copy(data_ + at_, data_ + at_ + take, static_cast<uint8_t*>(buffer));
    at_ += take;
    return static_cast<int>(take);
  }
  int Write(const void*, int count) override {
    Check(count == 12);
    return count;
  }

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
  std::unique_ptr<p2p::StreamFile> OpenForWriting(const char*) override {
    return std::make_unique<MemoryFile>(written);
  }
  void SetTransferFile(const char*, int64_t, int64_t) override {}
  void AddProgress(int64_t bytes) override {
    Check(bytes > 0 && bytes <= 65535);
    reported += bytes;
  }

  std::vector<uint8_t> written;
  int64_t reported = 0;

 private:
  uint8_t choices_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choices = data[0];
  const size_t split = (choices >> 2) == 0 ? 65535 : (choices >> 2);
  Peer peer(data + 1, size - 1, split);
  User user(choices);
  p2p::ReceiveStream(peer, 1, user);
  Check(user.reported == static_cast<int64_t>(user.written.size()) ||
        user.written.size() >= (1u << 20));
  return 0;
}

// The receiving half of the file-transfer stream fed a peer's bytes in any
// split, with the user's answers taken from the input too, over files kept
// in memory. Either the input is the whole stream, or (resumed streams) it
// says what part of the file was kept from a cut transfer, how its record
// and part fare, and what the sender of that file does once it has the
// reply: sends the file from the offset asked for, or from its start, or a
// file changed at a given byte, cut at a given byte; or the input's own
// chunks.
//
// Checks that the offered name reaches the user only in its safe form; that
// no file ever holds more than the announced size; that only a complete
// file takes the target's name, with exactly the announced bytes counted,
// and then holds the sender's file but for kept bytes before the offset
// asked for; that every part left on disk is listed with a record that
// describes it; and that the receiver writes nothing but its reply, going on
// from a window before the kept length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "transfers/kept/kept_parts.h"
#include "transfers/stream/offered_name.h"
#include "transfers/kept/part_names.h"
#include "transfers/kept/resume_point.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/receive_stream.h"
#include "memory_side.h"
#include "scripted_peer.h"

namespace {
using namespace kvel;

using fuzz::Check;

constexpr char kTarget[] = "/in/f";
constexpr uint32_t kPeer = 1;
constexpr uint32_t kNow = 1733745600;

using fuzz::Disk;
using fuzz::MemoryFile;

class User final : public transfers::UserQuestions,
                   public transfers::TransferFiles,
                   public transfers::TransferFolders {
 public:
  User(uint8_t choices, Disk& disk) : choices_(choices), disk_(disk) {}
  std::string PeerName(uint32_t) override { return std::string(300, 'P'); }
  bool AskYesNo(const char* text, const char*) override {
    Check(std::string(text).size() <= 1023);
    ++questions;
    // The first question is the offer's; a second one is about going on.
    return questions == 1 ? (choices_ & 1) : (choices_ & 0x40);
  }
  bool ChooseSaveFile(platform::FileDialog& dialog) override {
    const std::string proposed = dialog.path;
    Check(!proposed.empty() && proposed.size() <= 255);
    Check(transfers::SanitizeOfferedName(proposed) == proposed);
    Check(proposed.find_first_of("<>:\"/\\|?*") == std::string::npos);
    std::snprintf(dialog.path, dialog.pathSize, "%s", kTarget);
    return choices_ & 2;
  }
  bool ChooseOpenFile(platform::FileDialog&) override { return false; }
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override {
    const auto found = disk_.files.find(path);
    if (found == disk_.files.end()) return std::nullopt;
    platform::FileInformation information;
    information.size = found->second.bytes.size();
    information.lastWriteTime = found->second.written;
    return information;
  }
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char* path) override {
    if (disk_.files.count(path) == 0) return nullptr;
    return std::make_unique<MemoryFile>(disk_, path);
  }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path,
                                                       platform::Error* error) override {
    if (disk_.files.count(path) != 0) {
      if (error != nullptr) *error = {"", 0, platform::ErrorKind::Exists};
      return nullptr;
    }
    disk_.files[path].written = ++disk_.clock;
    return std::make_unique<MemoryFile>(disk_, path);
  }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char* path) override {
    return OpenForReading(path);
  }
  bool MoveFileOver(const char* from, const char* to) override {
    Check(std::string(to) == kTarget);
    const auto found = disk_.files.find(from);
    Check(found != disk_.files.end());
    disk_.files[to] = found->second;
    disk_.files.erase(from);
    return true;
  }
  // Files taken without the question are not fuzzed here: the user always
  // answers.
  bool MoveFileNew(const char*, const char*, platform::Error*) override {
    Check(false);
    return false;
  }
  void RemoveFile(const char* path) override { disk_.files.erase(path); }
  bool PathTaken(const char* path) override { return disk_.files.count(path) != 0; }
  bool MakeFolder(const char*) override { return false; }
  std::optional<platform::FileIdentity> IdentityOf(const char*) override { return std::nullopt; }
  transfers::KeptParts* Kept() { return &kept; }

  transfers::KeptParts kept{[] { return kNow; }};
  int questions = 0;

 private:
  uint8_t choices_;
  Disk& disk_;
};

uint64_t Little(const uint8_t* bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = count; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

// A peer that delivers `stream`, cut after `cut` bytes, in reads of at most
// `split`, and keeps what this side writes. With `file`, it then sends the
// file's chunks once the reply is in, from the offset asked for (past the
// end: none) or from 0.
class Sender final : public transfers::StreamConnection {
 public:
  Sender(std::vector<uint8_t> stream, std::optional<std::vector<uint8_t>> file, bool fromStart,
         size_t cut, size_t split)
      : stream_(std::move(stream)),
        file_(std::move(file)),
        fromStart_(fromStart),
        cut_(cut),
        split_(split) {}

  int Read(void* buffer, int count) override {
    Check(count > 0 && count <= 65536);
    if (file_ && at_ == stream_.size() && written.size() == 12) Chunk(*std::exchange(file_, {}));
    const size_t end = std::min(stream_.size(), cut_);
    const size_t take = std::min({static_cast<size_t>(count), end - std::min(end, at_), split_});
    std::memcpy(buffer, stream_.data() + at_, take);
    at_ += take;
    return static_cast<int>(take);
  }
  int Write(const void* data, int count) override {
    Check(count == 12);
    const auto* bytes = static_cast<const uint8_t*>(data);
    written.insert(written.end(), bytes, bytes + count);
    return count;
  }
  void ShutdownSend() override {}
  bool WaitForPeerClose(uint32_t) override { return true; }

  std::vector<uint8_t> written;

 private:
  void Chunk(const std::vector<uint8_t>& file) {
    for (size_t at = fromStart_ ? 0 : Little(written.data() + 4, 4); at <= file.size();) {
      const size_t length = std::min<size_t>(4096, file.size() - at);
      const uint32_t header[3] = {length < 4096 ? wire::kChunkLast : wire::kChunkMore,
                                  static_cast<uint32_t>(length), 0};
      for (uint32_t word : header)
        for (int i = 0; i < 4; ++i) stream_.push_back(static_cast<uint8_t>(word >> (8 * i)));
      stream_.insert(stream_.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + length));
      at += length < 4096 ? file.size() + 1 : length;
    }
  }

  std::vector<uint8_t> stream_;
  std::optional<std::vector<uint8_t>> file_;
  bool fromStart_;
  size_t cut_;
  size_t split_;
  size_t at_ = 0;
};

// The stream's offer of `size` bytes named "f", as a sender writes it.
std::vector<uint8_t> Offer(uint64_t size) {
  std::vector<uint8_t> offer(16 + wire::kFileInfoSize, 0);
  offer[0] = wire::kOfferStart;
  offer[4] = wire::kOfferInfo;
  for (int i = 0; i < 4; ++i) {
    offer[16 + 28 + i] = static_cast<uint8_t>(size >> (32 + 8 * i));  // the size's high word
    offer[16 + 32 + i] = static_cast<uint8_t>(size >> (8 * i));       // and its low word
  }
  offer[16 + wire::kFileNameOffset] = 'f';
  return offer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // Bit 0: the offer's answer; 1: the save dialog; 6: whether to go on;
  // 7: a resumed stream; 2 to 5: the split.
  const uint8_t choices = data[0];
  const size_t split = ((choices >> 2) & 0x0F) == 0 ? 65536 : ((choices >> 2) & 0x0F);
  const bool resumed = choices & 0x80;
  Disk disk;
  disk.fileLimit = 1u << 19;  // a full disk after 512 KiB
  User user(choices, disk);
  std::vector<uint8_t> stream(data + 1, data + size);
  uint64_t kept = 0;
  // The file the sender has (the kept one, or one changed since), and
  // whether it sends it; the kept file's bytes.
  std::vector<uint8_t> sent, file;
  bool sends = false;
  if (resumed) {
    // Size (3 bytes), kept length (3), what befalls the record and part
    // (1), what the sender does (1), where it is cut (3), where its file
    // changed (3); then, when it sends the input's own chunks, those.
    if (size < 15) return 0;
    const uint64_t announced = Little(data + 1, 3) & 0xFFFFF;
    kept = Little(data + 4, 3) % (announced + 2);
    const uint8_t fate = data[7];
    const uint8_t sender = data[8];
    // The file: scattered bytes, or one byte repeated.
    file.resize(static_cast<size_t>(announced));
    for (size_t i = 0; i < file.size(); ++i)
      file[i] = sender & 0x08 ? 0x4B : static_cast<uint8_t>((i * 2654435761u) >> 13);
    const transfers::PartNames names = *transfers::PartNamesFor(kTarget, fate);
    if (kept <= announced)
      disk.files[names.part].bytes.assign(file.begin(),
                                          file.begin() + static_cast<ptrdiff_t>(kept));
    else
      disk.files[names.part].bytes.assign(static_cast<size_t>(kept), 0x4B);
    disk.files[names.part].written = ++disk.clock;
    transfers::KeptRecord record{kPeer,
                                 "f",
                                 static_cast<int64_t>(announced),
                                 kTarget,
                                 static_cast<int64_t>(kept),
                                 disk.files[names.part].written,
                                 kNow - (fate & 0x10 ? 8 * 24 * 3600 : 60)};
    if (fate & 0x20) record.target = "/in/g";
    if (fate & 0x40) record.uin = 2;
    std::string bytes = transfers::EncodeKeptRecord(record);
    if (fate & 0x01) bytes[static_cast<size_t>(data[4]) % bytes.size()] ^= data[5];
    if (fate & 0x02) disk.files[names.part].bytes.push_back(0);
    if (fate & 0x04) disk.files[names.part].written += 1;
    disk.files[names.record].bytes.assign(bytes.begin(), bytes.end());
    if (fate & 0x08) disk.files.erase(names.part);
    user.kept.Add(names.record, user);
    stream = Offer(announced);
    sends = (sender & 0x03) != 0;
    sent = file;
    if ((sender & 0x03) == 3 && !sent.empty()) sent[Little(data + 12, 3) % sent.size()] ^= 0x5A;
    if (!sends) stream.insert(stream.end(), data + 15, data + size);
  }

  const size_t cut = resumed ? static_cast<size_t>(Little(data + 9, 3)) : 0xFFFFFF;
  Sender peer(stream, sends ? std::optional(sent) : std::nullopt, resumed && (data[8] & 3) == 2,
              cut == 0xFFFFFF ? SIZE_MAX : cut, split);
  transfers::TransferRegistry registry([] { return 0u; });
  transfers::TransferHandle transfer = registry.Begin(kPeer, transfers::Receive);
  transfer.Agree(kPeer, "1", transfers::Receive);
  const bool received = transfers::ReceiveStream(peer, user, transfer);
  const transfers::Transfer facts = transfer.Read();

  const bool moving = facts.state == transfers::TransferState::Moving;
  Check(facts.moved >= 0 && (moving || facts.moved == 0));
  Check(facts.offset >= 0 && facts.offset <= std::max<int64_t>(facts.size, 0));
  if (moving) Check(facts.offset + facts.moved <= facts.size);
  // The receiver writes nothing but its 12-byte reply; going on, it asks
  // for a window before the kept length, which it then counts from unless
  // the sender sent the whole file.
  uint64_t asked = 0;
  if (peer.written.size() == 12 && peer.written[0] == wire::kReplyAccept) {
    asked = Little(peer.written.data() + 4, 4);
    Check(facts.offset == static_cast<int64_t>(asked) || facts.offset == 0);
    Check(asked == 0 || (resumed && kept > static_cast<uint64_t>(transfers::kMinResumedPart) &&
                         asked + transfers::kResumeWindow <= kept && user.questions == 2));
  }
  // Only a whole file is at the target, of the announced size, and it is the
  // sender's file but for kept bytes before the offset asked for.
  const auto target = disk.files.find(kTarget);
  Check(received == (target != disk.files.end()));
  if (received) {
    Check(moving && facts.offset + facts.moved == facts.size);
    Check(target->second.bytes.size() == static_cast<uint64_t>(facts.size));
    for (size_t i = 0; sends && i < sent.size(); ++i)
      Check(target->second.bytes[i] == sent[i] ||
            (i < asked && target->second.bytes[i] == file[i]));
  }
  // Once the offer came whole, was taken and a path chosen, every kept part
  // it concerns is settled: every other file is a listed record with the
  // part it describes, which holds what the record says and never more than
  // the announced size.
  if ((choices & 3) != 3 || user.questions == 0) return 0;
  const std::vector<std::string> listed = user.kept.Free();
  size_t parts = 0;
  for (const auto& [path, entry] : disk.files) {
    if (path == kTarget) continue;
    if (std::find(listed.begin(), listed.end(), path) != listed.end()) continue;
    ++parts;
    bool described = false;
    for (const std::string& record : listed) described |= transfers::PartOfRecord(record) == path;
    Check(described);
  }
  Check(parts == listed.size());
  for (const std::string& record : listed) {
    const std::optional<transfers::KeptRecord> facts = transfers::ReadKeptRecord(user, record);
    Check(facts.has_value());
    const auto part = disk.files.find(*transfers::PartOfRecord(record));
    Check(part != disk.files.end() &&
          part->second.bytes.size() == static_cast<uint64_t>(facts->kept));
    Check(facts->kept <= facts->size);
  }
  return 0;
}

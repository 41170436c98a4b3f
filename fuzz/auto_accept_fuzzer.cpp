// A trusted contact's offer taken without the question, through the
// receiving stream: the offered name, the names already in the folder
// (some taken only as the file is put in place), the connection's origin,
// the folder's spelling and the stream's chunks all come from the input,
// over files kept in memory.
//
// Checks that nothing is written outside the folder (the data folder, by
// any spelling, never receives a file); that no file that was there is
// replaced, changed or removed; that no new name is of the image cache's
// form; that a file received lies in the folder under a name of the offered
// name's numbered forms, whole; and that nothing else is left beside it.
//
// Input: [flags: 1][taken: 1][size: 2][name length: 1][name][chunks...].
// Flags bits 0-3: the split (0: 64 KiB); 4: the connection comes from the
// announced address; 5: the folder is the data folder spelt another way;
// 6: the user answers yes if asked; 7: the names taken in the folder appear
// only as the file is put in place. Taken: how many numbered names (0-7).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "memory_side.h"
#include "scripted_peer.h"
#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/auto_accept/free_name.h"
#include "transfers/stream/offered_name.h"
#include "transfers/kept/part_names.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/receive_stream.h"
#include "wire/transfer_records.h"

namespace {
using namespace kvel;

using fuzz::Canonical;
using fuzz::Check;

constexpr uint32_t kPeer = 1001;
constexpr uint32_t kHome = 0x0100007F;   // 127.0.0.1
constexpr uint32_t kOther = 0x0200007F;  // 127.0.0.2
constexpr char kFolder[] = "/in/odebrane/";
constexpr char kData[] = "/in/kvel/";
constexpr char kChosen[] = "/asked/f";

class Trusting final : public fuzz::MemorySide {
 public:
  Trusting(fuzz::Disk& disk, bool yes) : MemorySide(disk), yes_(yes) {}
  bool AskYesNo(const char*, const char*) override { return yes_; }
  bool ChooseSaveFile(platform::FileDialog& dialog) override {
    std::snprintf(dialog.path, dialog.pathSize, "%s", kChosen);
    return true;
  }
  bool MoveFileNew(const char* from, const char* to, platform::Error* error) override {
    // Names that appear only now: someone saved them meanwhile.
    for (const std::string& late : appearing) disk_.files[late].written = ++disk_.clock;
    appearing.clear();
    return MemorySide::MoveFileNew(from, to, error);
  }

  std::vector<std::string> appearing;

 private:
  bool yes_;
};

bool CacheFormed(const std::string& path) {
  const std::string name = Canonical(path).substr(Canonical(path).rfind('/') + 1);
  return name.rfind("imgcache", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint8_t flags = data[0];
  const size_t split = (flags & 0x0F) == 0 ? 65536 : (flags & 0x0F);
  const unsigned taken = data[1] % 8;
  const uint64_t announced = static_cast<uint64_t>(data[2]) | static_cast<uint64_t>(data[3]) << 8;
  const size_t nameLength = std::min<size_t>(data[4], size - 5);
  // The name as the receiver reads it: up to its first zero, at most what
  // the record's field holds.
  std::string offered(reinterpret_cast<const char*>(data + 5), nameLength);
  offered = offered.substr(0, std::min(offered.find('\0'), wire::kFileNameField - 1));
  const size_t chunksAt = 5 + nameLength;

  fuzz::Disk disk;
  Trusting side(disk, flags & 0x40);
  side.MakeFolder("/in");
  side.MakeFolder("/in/kvel");
  // A few of the offered name's numbered forms are there already.
  const std::string sanitized = transfers::SanitizeOfferedName(offered);
  for (unsigned number = 1; number <= taken; ++number) {
    const std::optional<std::string> path =
        transfers::NumberedPath(flags & 0x20 ? kData : kFolder, sanitized, number);
    if (!path) continue;
    if (flags & 0x80)
      side.appearing.push_back(*path);
    else
      disk.files[*path].bytes.assign(3, 0x5A);
  }
  const std::map<std::string, fuzz::Disk::Entry> before = disk.files;
  const std::vector<std::string> late = side.appearing;

  transfers::AutoAcceptor acceptor([] { return 0u; });
  AutoAcceptSettings settings;
  settings.uins = {kPeer};
  settings.maxKb = 64;
  acceptor.Configure(settings, flags & 0x20 ? "/in/x/../KVEL/" : kFolder, kData);
  transfers::AutoAccepting accepting{
      acceptor, {flags & 0x10 ? kHome : kOther, kHome, false}, [](const std::string&) {}};

  wire::FileInfo info;
  info.sizeLow = static_cast<uint32_t>(announced);
  info.name = offered;
  const wire::OfferBytes offer = wire::EncodeOffer(info);
  std::vector<uint8_t> stream = {1, 0, 0, 0};
  stream.insert(stream.end(), offer.begin(), offer.end());
  stream.insert(stream.end(), data + chunksAt, data + size);

  fuzz::ScriptedPeer peer(stream.data(), stream.size(), split);
  transfers::TransferRegistry registry([] { return 0u; });
  transfers::TransferHandle transfer = registry.Begin(kPeer, transfers::Receive);
  transfer.Agree(kPeer, "1001", transfers::Receive);
  const bool received = transfers::ReceiveStream(peer, side, transfer, &accepting);
  const transfers::Transfer facts = transfer.Read();

  // What was there is as it was.
  for (const auto& [path, entry] : before) {
    const auto now = disk.files.find(path);
    Check(now != disk.files.end() && now->second.bytes == entry.bytes);
  }
  std::vector<std::string> added;
  for (const auto& [path, entry] : disk.files) {
    if (before.count(path) != 0) continue;
    if (std::find(late.begin(), late.end(), path) != late.end()) continue;
    added.push_back(path);
  }
  // Nothing lands in the data folder or outside the folder taken into, but
  // for a file the user was asked about.
  for (const std::string& path : added) {
    Check(Canonical(path).rfind(Canonical(kData), 0) != 0);
    Check(!CacheFormed(path) || path == kChosen);
    if (facts.takenWithoutAsking) Check(Canonical(path).rfind(Canonical(kFolder), 0) == 0);
  }
  if (received && facts.takenWithoutAsking) {
    // One whole file under one of the offered name's numbered forms.
    Check(added.size() == 1 && added[0] == facts.path);
    Check(disk.files[facts.path].bytes.size() == announced);
    bool numbered = false;
    for (unsigned number = 1; number <= transfers::kMaxNameNumber && !numbered; ++number)
      numbered = transfers::NumberedPath(kFolder, sanitized, number) == facts.path;
    Check(numbered);
  }
  if (!received) {
    // A broken or cut file leaves nothing in the folder but what may be
    // resumed: a part and its record, listed.
    const std::vector<std::string> listed = side.kept.Free();
    for (const std::string& path : added)
      Check(path == kChosen || std::find(listed.begin(), listed.end(), path) != listed.end() ||
            std::any_of(listed.begin(), listed.end(), [&](const std::string& record) {
              return transfers::PartOfRecord(record) == path;
            }));
  }
  return 0;
}

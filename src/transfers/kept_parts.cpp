#include "transfers/kept_parts.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/files.h"
#include "transfers/part_names.h"

namespace kvel::transfers {
namespace {

constexpr char kListHeader[] = "kvel kept list 1";
// A list read at start holds no more than twice the parts kept at most,
// each on a line of the longest path.
constexpr size_t kMaxListBytes = 2 * kMaxKeptParts * (kMaxPathLength + 1) + sizeof kListHeader;

// The record paths of a list file, oldest first, without repeats; lines
// that name no record are skipped.
std::vector<std::string> ParseList(std::string_view bytes) {
  std::vector<std::string> records;
  const size_t headerEnd = bytes.find('\n');
  if (headerEnd == std::string_view::npos || bytes.substr(0, headerEnd) != kListHeader)
    return records;
  bytes = bytes.substr(headerEnd + 1);
  while (!bytes.empty() && records.size() < 2 * kMaxKeptParts) {
    const size_t end = std::min(bytes.find('\n'), bytes.size());
    const std::string_view line = bytes.substr(0, end);
    bytes = bytes.substr(std::min(end + 1, bytes.size()));
    if (line.size() > kMaxPathLength || !PartOfRecord(line)) continue;
    const std::string record(line);
    if (std::find(records.begin(), records.end(), record) == records.end())
      records.push_back(record);
  }
  return records;
}

std::string ReadBounded(const std::string& path, size_t limit) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  bytes.resize(limit);
  bytes.resize(std::fread(bytes.data(), 1, limit, file));
  std::fclose(file);
  return bytes;
}

}  // namespace

void KeptParts::Open(std::string listPath, TransferSide& side) {
  const std::vector<std::string> listed = ParseList(ReadBounded(listPath, kMaxListBytes));
  const uint32_t now = Now();
  std::vector<std::string> staying;
  for (const std::string& record : listed) {
    const std::optional<std::string> part = PartOfRecord(record);
    if (KeptPartStays(ReadKeptRecord(side, record), side.ReadFileInformation(part->c_str()), now)) {
      staying.push_back(record);
    } else {
      RemoveKeptPart(side, record);
    }
  }
  while (staying.size() > kMaxKeptParts) {
    RemoveKeptPart(side, staying.front());
    staying.erase(staying.begin());
  }
  std::lock_guard<std::mutex> lock(mutex_);
  listPath_ = std::move(listPath);
  records_ = std::move(staying);
  claimed_.clear();
  WriteList();
}

bool KeptParts::Listing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !listPath_.empty();
}

std::vector<std::string> KeptParts::Free() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> free;
  for (const std::string& record : records_) {
    if (claimed_.count(record) == 0) free.push_back(record);
  }
  return free;
}

bool KeptParts::Claim(const std::string& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::find(records_.begin(), records_.end(), record) == records_.end()) return false;
  return claimed_.insert(record).second;
}

void KeptParts::Add(const std::string& record, TransferSide& side) {
  std::vector<std::string> evicted;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.erase(std::remove(records_.begin(), records_.end(), record), records_.end());
    claimed_.erase(record);
    records_.push_back(record);
    for (auto it = records_.begin(); records_.size() > kMaxKeptParts && it != records_.end();) {
      if (claimed_.count(*it) != 0) {
        ++it;
        continue;
      }
      evicted.push_back(*it);
      it = records_.erase(it);
    }
    WriteList();
  }
  for (const std::string& old : evicted) RemoveKeptPart(side, old);
}

void KeptParts::Forget(const std::string& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = std::find(records_.begin(), records_.end(), record);
  claimed_.erase(record);
  if (found == records_.end()) return;
  records_.erase(found);
  WriteList();
}

void KeptParts::WriteList() const {
  if (listPath_.empty()) return;
  // No list is an empty one: nothing is left in the data directory.
  if (records_.empty()) {
    platform::RemoveFile(listPath_.c_str());
    return;
  }
  std::string bytes = std::string(kListHeader) + "\n";
  for (const std::string& record : records_) bytes += record + "\n";
  // Written aside and moved over the list, so that a list is always whole.
  const std::string fresh = listPath_ + ".new";
  platform::RemoveFile(fresh.c_str());
  std::FILE* file = platform::CreateNewFile(fresh.c_str());
  if (file == nullptr) return;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) == 0 && written) {
    platform::MoveFileOver(fresh.c_str(), listPath_.c_str());
  } else {
    platform::RemoveFile(fresh.c_str());
  }
}

std::optional<KeptRecord> ReadKeptRecord(TransferSide& side, const std::string& record) {
  std::unique_ptr<StreamFile> file = side.OpenForReading(record.c_str());
  if (file == nullptr) return std::nullopt;
  // One byte more than a record holds tells a longer file from a record.
  std::string bytes(kMaxKeptRecordSize + 1, '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const size_t read = file->Read(bytes.data() + got, bytes.size() - got);
    if (read == 0) break;
    got += read;
  }
  const bool failed = file->Failed();
  file->Close();
  if (failed) return std::nullopt;
  bytes.resize(got);
  return DecodeKeptRecord(bytes);
}

void RemoveKeptPart(TransferSide& side, const std::string& record) {
  const std::optional<std::string> part = PartOfRecord(record);
  if (!part) return;
  side.RemoveFile(part->c_str());
  side.RemoveFile(record.c_str());
}

std::optional<ResumablePart> SettleKeptParts(TransferSide& side, KeptParts& kept,
                                             const OfferedFile& offer) {
  std::optional<ResumablePart> found;
  const uint32_t now = kept.Now();
  for (const std::string& record : kept.Free()) {
    const std::optional<std::string> part = PartOfRecord(record);
    const std::optional<KeptRecord> facts = ReadKeptRecord(side, record);
    const KeptUse use = JudgeKeptPart(facts, side.ReadFileInformation(part->c_str()), offer, now);
    if (use == KeptUse::Leave || !kept.Claim(record)) continue;
    // A second part of the same transfer (two cut at once) is of no use.
    if (use == KeptUse::Resume && !found) {
      found = ResumablePart{record, *part, *facts};
      continue;
    }
    RemoveKeptPart(side, record);
    kept.Forget(record);
  }
  return found;
}

}  // namespace kvel::transfers

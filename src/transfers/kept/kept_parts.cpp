#include "transfers/kept/kept_parts.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "transfers/kept/part_names.h"

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

// Reads into `into` from the file's position until it is full or the file
// ends; the count read.
size_t ReadUpTo(StreamFile& file, std::span<uint8_t> into) {
  size_t got = 0;
  for (size_t read = 1; got < into.size() && read != 0; got += read)
    read = file.Read(into.data() + got, into.size() - got);
  return got;
}

// At most `limit` bytes of the file `path`; nothing when it cannot be read.
std::optional<std::string> ReadBounded(TransferFiles& files, const std::string& path,
                                       size_t limit) {
  std::unique_ptr<StreamFile> file = files.OpenForReading(path.c_str());
  if (file == nullptr) return std::nullopt;
  std::string bytes(limit, '\0');
  bytes.resize(ReadUpTo(*file, {reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()}));
  const bool failed = file->Failed();
  file->Close();
  if (failed) return std::nullopt;
  return bytes;
}

}  // namespace

void KeptParts::Open(std::string listPath, TransferFiles& files) {
  const std::vector<std::string> listed =
      ParseList(ReadBounded(files, listPath, kMaxListBytes).value_or(std::string()));
  const uint32_t now = Now();
  std::vector<std::string> staying;
  for (const std::string& record : listed) {
    const std::optional<std::string> part = PartOfRecord(record);
    if (KeptPartStays(ReadKeptRecord(files, record), files.ReadFileInformation(part->c_str()),
                      now)) {
      staying.push_back(record);
    } else {
      RemoveKeptPart(files, record);
    }
  }
  while (staying.size() > kMaxKeptParts) {
    RemoveKeptPart(files, staying.front());
    staying.erase(staying.begin());
  }
  std::lock_guard<std::mutex> lock(mutex_);
  listPath_ = std::move(listPath);
  records_ = std::move(staying);
  claimed_.clear();
  WriteList(files);
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

bool KeptParts::MarkInUse(const std::string& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::find(records_.begin(), records_.end(), record) == records_.end()) return false;
  return claimed_.insert(record).second;
}

bool KeptParts::Add(const std::string& record, TransferFiles& files, bool inUse) {
  std::vector<std::string> evicted;
  bool written = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.erase(std::remove(records_.begin(), records_.end(), record), records_.end());
    claimed_.erase(record);
    if (inUse) claimed_.insert(record);
    records_.push_back(record);
    for (auto it = records_.begin(); records_.size() > kMaxKeptParts && it != records_.end();) {
      if (claimed_.count(*it) != 0) {
        ++it;
        continue;
      }
      evicted.push_back(*it);
      it = records_.erase(it);
    }
    written = WriteList(files);
  }
  for (const std::string& old : evicted) RemoveKeptPart(files, old);
  return written;
}

void KeptParts::Forget(const std::string& record, TransferFiles& files) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = std::find(records_.begin(), records_.end(), record);
  claimed_.erase(record);
  if (found == records_.end()) return;
  records_.erase(found);
  WriteList(files);
}

bool KeptParts::WriteList(TransferFiles& files) const {
  if (listPath_.empty()) return true;
  // No list is an empty one: nothing is left in the data directory.
  if (records_.empty()) {
    files.RemoveFile(listPath_.c_str());
    return true;
  }
  std::string bytes = std::string(kListHeader) + "\n";
  for (const std::string& record : records_) bytes += record + "\n";
  // Written aside and moved over the list, so that a list is always whole.
  const std::string fresh = listPath_ + ".new";
  files.RemoveFile(fresh.c_str());
  std::unique_ptr<StreamFile> file = files.CreateNewFile(fresh.c_str());
  if (file == nullptr) return false;
  const bool written = file->Write(bytes.data(), bytes.size());
  if (file->Close() && written && files.MoveFileOver(fresh.c_str(), listPath_.c_str())) return true;
  files.RemoveFile(fresh.c_str());
  return false;
}

std::optional<KeptRecord> ReadKeptRecord(TransferFiles& files, const std::string& record) {
  // One byte more than a record holds tells a longer file from a record.
  const std::optional<std::string> bytes = ReadBounded(files, record, kMaxKeptRecordSize + 1);
  if (!bytes) return std::nullopt;
  return DecodeKeptRecord(*bytes);
}

void RemoveKeptPart(TransferFiles& files, const std::string& record) {
  const std::optional<std::string> part = PartOfRecord(record);
  if (!part) return;
  files.RemoveFile(part->c_str());
  files.RemoveFile(record.c_str());
}

std::optional<ResumablePart> SettleKeptParts(TransferFiles& files, KeptParts& kept,
                                             const OfferedFile& offer) {
  std::optional<ResumablePart> found;
  const uint32_t now = kept.Now();
  for (const std::string& record : kept.Free()) {
    const std::optional<std::string> part = PartOfRecord(record);
    const std::optional<KeptRecord> facts = ReadKeptRecord(files, record);
    const KeptUse use = JudgeKeptPart(facts, files.ReadFileInformation(part->c_str()), offer, now);
    if (use == KeptUse::Leave || !kept.MarkInUse(record)) continue;
    // A second part of the same transfer (two cut at once) is of no use.
    if (use == KeptUse::Resume && !found) {
      found = ResumablePart{record, *part, *facts};
      continue;
    }
    RemoveKeptPart(files, record);
    kept.Forget(record, files);
  }
  return found;
}

std::optional<ResumePoint> ReadResumePoint(TransferFiles& files, const ResumablePart& part) {
  std::unique_ptr<StreamFile> file = files.OpenForReading(part.part.c_str());
  if (file == nullptr) return std::nullopt;
  std::optional<ResumePoint> point =
      ChooseResumePoint(part.facts.kept, [&](uint64_t offset, std::span<uint8_t> into) {
        return file->Seek(offset) && ReadUpTo(*file, into) == into.size() && !file->Failed();
      });
  file->Close();
  return point;
}

}  // namespace kvel::transfers

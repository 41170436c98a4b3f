// The records of the kept parts this plug-in knows of, oldest first, listed
// in a file of its data directory so that they are found again after a
// restart, and which of them a transfer is using now. Each record lies
// beside its part (kept_record.h, part_names.h); the list only says where.
// A part that may be kept is listed as it is made (part_file.h), so that a
// full disk later cannot leave it unlisted. The list file is read and
// written through the transfer's files. Thread-safe: connection threads
// keep, claim and forget records at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "transfers/kept/kept_record.h"
#include "transfers/kept/kept_rules.h"
#include "transfers/kept/resume_point.h"
#include "transfers/side/transfer_files.h"

namespace kvel::transfers {

// Parts kept at most: a user has few cut transfers to go on with, and every
// offer reads the records of all of them. The oldest goes first.
inline constexpr size_t kMaxKeptParts = 64;

class KeptParts {
 public:
  // Listed nowhere until Open; `now` tells the seconds since 1970.
  explicit KeptParts(std::function<uint32_t()> now) : now_(std::move(now)) {}
  KeptParts(const KeptParts&) = delete;
  KeptParts& operator=(const KeptParts&) = delete;

  // Once, as the plug-in starts, before any transfer: lists in the file
  // `listPath` from now on. Reads it and keeps on it only the parts that
  // stay (KeptPartStays), the newest kMaxKeptParts of them; every other
  // listed part is removed with its record. Writes the list.
  void Open(std::string listPath, TransferFiles& files);
  // True once opened: parts kept now are found again after a restart.
  bool Listing() const;

  uint32_t Now() const { return now_(); }
  // The records listed and not in use, oldest first.
  std::vector<std::string> Free() const;
  // Marks `record` as used by one transfer; false when it is not listed or
  // in use already.
  bool MarkInUse(const std::string& record);
  // Lists `record` as the newest (moved, when listed), not in use or, with
  // `inUse`, used by the caller's transfer. When more than kMaxKeptParts
  // are listed, the oldest not in use is removed with its part. False when
  // the list file could not be written (listed here all the same).
  bool Add(const std::string& record, TransferFiles& files, bool inUse = false);
  // No longer listed.
  void Forget(const std::string& record, TransferFiles& files);

 private:
  // The list as it is now goes to the file, replacing it in one step; false
  // when it could not be written.
  bool WriteList(TransferFiles& files) const;

  const std::function<uint32_t()> now_;
  mutable std::mutex mutex_;
  std::string listPath_;
  std::vector<std::string> records_;  // oldest first
  std::set<std::string> claimed_;
};

// The record `record` on disk; nothing when it is missing or damaged.
std::optional<KeptRecord> ReadKeptRecord(TransferFiles& files, const std::string& record);
// Removes the record `record` and the part it describes; a path not named
// as a record is left alone.
void RemoveKeptPart(TransferFiles& files, const std::string& record);

// A kept part an offer can go on from, claimed for the offer's transfer.
struct ResumablePart {
  std::string record;
  std::string part;
  KeptRecord facts;
};

// Settles the kept parts `offer` concerns (JudgeKeptPart): removes those it
// makes useless and claims the one it can go on from, if any.
std::optional<ResumablePart> SettleKeptParts(TransferFiles& files, KeptParts& kept,
                                             const OfferedFile& offer);
// Where `part` is gone on from (ChooseResumePoint), its bytes read through
// `files`; nothing when it cannot be.
std::optional<ResumePoint> ReadResumePoint(TransferFiles& files, const ResumablePart& part);

}  // namespace kvel::transfers

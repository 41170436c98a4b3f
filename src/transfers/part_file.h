// A received file in the making, written beside its target under a part
// name (part_names.h): the same folder, so that putting it in place is a
// rename and never a copy. Only Commit puts it in the target's place, so an
// existing target survives every failure; only Keep leaves it on disk, with
// its record, for the transfer to be resumed. A part that is neither
// committed nor kept is removed, with any record of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "transfers/kept_record.h"
#include "transfers/part_names.h"
#include "transfers/transfer.h"
#include "transfers/transfer_side.h"

namespace kvel::transfers {

class PartFile {
 public:
  // Creates a new part beside `target`, named from `seed` (other names are
  // tried while one is taken). Null when none can be created; `problem`
  // then says why (TooLong when no part name fits beside the target).
  static std::unique_ptr<PartFile> Create(TransferSide& side, const std::string& target,
                                          uint32_t seed, platform::FileProblem* problem);
  // The kept part `names` of `target`, opened to write on from `offset`.
  // Null when it cannot be opened or moved in; it is then left as it is.
  static std::unique_ptr<PartFile> Reopen(TransferSide& side, const std::string& target,
                                          PartNames names, uint64_t offset);
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  StreamFile& File() { return *file_; }
  const PartNames& Names() const { return names_; }
  // Closes the file and, when it holds exactly `size` bytes, moves it over
  // the target and removes any record of it: EndNote::None. When any of
  // that failed, why (CannotWrite, CannotReplace); the part is then removed
  // and the target left as it was.
  EndNote Commit(int64_t size);
  // The same, but the part takes the name `target` only when nothing has it:
  // when something does, CannotReplace with `taken` set, and the part stays
  // for another try under another name. Nothing there is ever replaced.
  EndNote CommitNew(int64_t size, const std::string& target, bool* taken);
  // Closes the file and keeps it with `record`, whose part's last write
  // time is filled in here, when the part holds exactly `record.kept`
  // bytes. False when it could not be kept (no record name, a part of
  // another length, a record that could not be written): it is then
  // removed.
  bool Keep(KeptRecord record);

 private:
  PartFile(TransferSide& side, std::string target, PartNames names,
           std::unique_ptr<StreamFile> file);
  // Closes the file once; false when that failed.
  bool Close();
  bool WriteRecord(const KeptRecord& record);
  // Whether the closed part holds exactly `size` bytes on disk.
  bool HoldsExactly(int64_t size);
  // After the part took its name: it and its record are settled.
  void Settle();

  TransferSide& side_;
  std::string target_;
  PartNames names_;
  std::unique_ptr<StreamFile> file_;
  bool closed_ = false;
  bool closedWell_ = false;
  bool settled_ = false;       // committed or kept: the destructor leaves it
  bool recordOnDisk_ = false;  // a kept part reopened: its record lies beside it
};

}  // namespace kvel::transfers

// A received file in the making, written beside its target under a part
// name (part_names.h): the same folder, so that putting it in place is a
// rename and never a copy. Only Commit puts it in the target's place, so an
// existing target survives every failure; only Keep leaves it on disk, with
// its record, for the transfer to be resumed. A part that may be kept is
// listed in the kept parts from its making to its end. A part that is
// neither committed nor kept is removed, with any record and listing of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfers/kept/kept_record.h"
#include "transfers/kept/part_names.h"
#include "transfers/registry/transfer.h"
#include "transfers/side/transfer_files.h"

namespace kvel::transfers {

class KeptParts;

class PartFile {
 public:
  // Creates a new part beside `target` through `files`, named from `seed`
  // (other names are tried while one is taken), to be listed in `kept`
  // (null: nothing is kept). Null when none can be created; `error` then
  // says why (kind TooLong when no part name fits beside the target).
  static std::unique_ptr<PartFile> Create(TransferFiles& files, KeptParts* kept,
                                          const std::string& target, uint32_t seed,
                                          platform::Error* error);
  // The kept part `names` of `target`, listed in `kept` and claimed, opened
  // to write on from `offset`. Null when it cannot be opened or moved in; it
  // is then left as it is.
  static std::unique_ptr<PartFile> Reopen(TransferFiles& files, KeptParts* kept,
                                          const std::string& target, PartNames names,
                                          uint64_t offset);
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  StreamFile& File() { return *file_; }
  // Lists the new part, in use, with a record beside it (`facts`' contact,
  // name, size and target, and a length and times no part stays under),
  // when a file of `facts.size` bytes may be kept: so that it is listed
  // before its data comes, and its record has its room on disk. None when
  // listed or when it need not be (a file of kMinResumedPart bytes or less,
  // no record name, no kept parts); else why not (the record's creation
  // failed: as it says; the list: CannotList).
  EndNote List(KeptRecord facts);
  // Closes the file and, when it holds exactly `size` bytes, moves it over
  // the target and removes any record and listing of it: EndNote::None.
  // When any of that failed, why (CannotWrite, CannotReplace); the target is
  // then left as it was, and the part as it is, to be kept or removed.
  EndNote Commit(int64_t size);
  // The same, but the part takes the name `target` only when nothing has it:
  // when something does, CannotReplace with `taken` set, and the part stays
  // for another try under another name. Nothing there is ever replaced.
  EndNote CommitNew(int64_t size, const std::string& target, bool* taken);
  // Closes the file and keeps it, listed and free, with `record`, whose
  // length and the part's last write time are filled in here from the part
  // on disk: what was written of the file, more than kMinResumedPart bytes
  // and at most `record.kept`. False when it could not be kept (not listed,
  // too short or too long, a record that could not be written): it is then
  // removed.
  bool Keep(KeptRecord record);

 private:
  PartFile(TransferFiles& files, KeptParts* kept, std::string target, PartNames names,
           std::unique_ptr<StreamFile> file);
  // Closes the file once; false when that failed.
  bool Close();
  // Writes the record beside the part; false, with `error` set when it
  // could not be created, when that failed.
  bool WriteRecord(const KeptRecord& record, platform::Error* error = nullptr);
  // Whether the closed part holds exactly `size` bytes on disk.
  bool HoldsExactly(int64_t size);
  // After the part took its name or went: its record goes and it is listed
  // no more.
  void ForgetRecord();

  TransferFiles& files_;
  KeptParts* kept_;
  std::string target_;
  PartNames names_;
  std::unique_ptr<StreamFile> file_;
  bool closed_ = false;
  bool closedWell_ = false;
  bool settled_ = false;       // committed or kept: the destructor leaves it
  bool recordOnDisk_ = false;  // listed or reopened: its record lies beside it
  bool listed_ = false;        // in the kept parts' list, in use
};

}  // namespace kvel::transfers

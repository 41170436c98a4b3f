// Where a receiving stream's data goes: a part written from the file's
// start, or a kept part gone on from. Going on, the first window of data is
// held, unwritten, and judged against the kept bytes (held_window.h): the
// kept part is written on only when the sender sent from the offset asked
// for; a sender that sent the file from its start fills a new part instead
// (the kept one then goes), and one whose file changed has nothing written
// and the kept part removed. Until the window is judged the kept part is
// untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "transfers/stream/block_writer.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/kept/part_file.h"
#include "transfers/kept/resume_point.h"
#include "transfers/registry/transfer.h"
#include "transfers/side/transfer_files.h"

namespace kvel::transfers {

class PartWriter {
 public:
  // Makes a new part for the file; null, with `why` set, when none can be.
  using NewPart = std::function<std::unique_ptr<PartFile>(EndNote* why)>;

  // Writes `part` from the file's start.
  explicit PartWriter(std::unique_ptr<PartFile> part);
  // Goes on from `kept`, listed in `keptParts` and claimed for this
  // transfer, at `point`, into `target`, through `files`; `fresh` makes the
  // part of a sender that sends the whole file.
  PartWriter(TransferFiles& files, KeptParts& keptParts, std::string target, ResumablePart kept,
             ResumePoint point, NewPart fresh);
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;

  enum class Took {
    Written,    // written, or held while the first window fills
    FromStart,  // the sender sends the whole file: the data counts from its start
    Changed,    // the sender's file is not the kept one: the kept part is removed
    Failed,     // this side could not write: FailureNote says why
  };
  Took Write(std::span<const uint8_t> data);
  // Writes what is gathered; false when that failed.
  bool Flush();

  // Where the data written starts in the file: the offset asked for while
  // going on, else 0.
  uint32_t Offset() const { return offset_; }
  // The bytes the part held of the file before this transfer (0 unless gone on from).
  int64_t Prior() const { return prior_; }
  // The kept part waits, untouched, for the first window: it is as it was.
  const ResumablePart* Waiting() const { return resume_ ? &resume_->kept : nullptr; }
  // The part written; null while none is (waiting, or none could be had).
  PartFile* Part() { return part_.get(); }
  EndNote FailureNote() const { return failure_; }

 private:
  struct Resume {
    ResumablePart kept;
    ResumePoint point;
    NewPart fresh;
  };
  // The window is whole: judged, and the part it goes to had.
  Took Judge();
  void DropKeptPart();

  TransferFiles* files_ = nullptr;
  KeptParts* keptParts_ = nullptr;
  std::string target_;
  std::unique_ptr<PartFile> part_;
  std::optional<BlockWriter> writer_;
  std::optional<Resume> resume_;
  std::vector<uint8_t> held_;
  uint32_t offset_ = 0;
  int64_t prior_ = 0;
  EndNote failure_ = EndNote::None;
};

}  // namespace kvel::transfers

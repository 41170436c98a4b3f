#include "transfers/kept/part_writer.h"

#include <algorithm>
#include <utility>

#include "transfers/kept/held_window.h"

namespace kvel::transfers {

PartWriter::PartWriter(std::unique_ptr<PartFile> part) : part_(std::move(part)) {
  writer_.emplace(part_->File());
}

PartWriter::PartWriter(TransferFiles& files, KeptParts& keptParts, std::string target,
                       ResumablePart kept, ResumePoint point, NewPart fresh)
    : files_(&files),
      keptParts_(&keptParts),
      target_(std::move(target)),
      offset_(point.offset),
      prior_(kept.facts.kept) {
  held_.reserve(kResumeWindow);
  resume_.emplace(Resume{std::move(kept), std::move(point), std::move(fresh)});
}

PartWriter::Took PartWriter::Write(std::span<const uint8_t> data) {
  if (failure_ != EndNote::None) return Took::Failed;
  Took took = Took::Written;
  if (resume_) {
    const size_t take = std::min(data.size(), kResumeWindow - held_.size());
    held_.insert(held_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    data = data.subspan(take);
    if (held_.size() < kResumeWindow) return Took::Written;
    took = Judge();
    if (took == Took::Changed || took == Took::Failed) return took;
    const bool written = writer_->Write(held_);
    held_ = {};
    if (!written) failure_ = EndNote::CannotWrite;
  }
  if (failure_ == EndNote::None && !writer_->Write(data)) failure_ = EndNote::CannotWrite;
  return failure_ == EndNote::None ? took : Took::Failed;
}

// The kept part is of no use: the sender's file changed since the cut, or
// the sender cannot go on from a part.
void PartWriter::DropKeptPart() {
  RemoveKeptPart(*files_, resume_->kept.record);
  keptParts_->Forget(resume_->kept.record, *files_);
  resume_.reset();
}

PartWriter::Took PartWriter::Judge() {
  const Resume& resume = *resume_;
  switch (JudgeHeldWindow(held_, resume.point.window, resume.point.head)) {
    case HeldWindow::Changed:
      DropKeptPart();
      return Took::Changed;
    case HeldWindow::Honoured:
      part_ = PartFile::Reopen(*files_, keptParts_, target_,
                               PartNames{resume.kept.part, resume.kept.record}, offset_);
      if (part_ == nullptr) {
        failure_ = EndNote::CannotWrite;
        return Took::Failed;
      }
      resume_.reset();
      writer_.emplace(part_->File());
      return Took::Written;
    case HeldWindow::Ignored:
      break;
  }
  part_ = resume.fresh(&failure_);
  if (part_ == nullptr) return Took::Failed;
  DropKeptPart();
  offset_ = 0;
  prior_ = 0;
  writer_.emplace(part_->File());
  return Took::FromStart;
}

bool PartWriter::Flush() {
  return !writer_ || writer_->Flush();
}

}  // namespace kvel::transfers

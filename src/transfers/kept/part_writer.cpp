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

PartWriter::Took PartWriter::Judge() {
  const Resume& resume = *resume_;
  const HeldWindow held = JudgeHeldWindow(held_, resume.point.window, resume.point.head);
  if (held == HeldWindow::Honoured) {
    part_ = PartFile::Reopen(*files_, keptParts_, target_,
                             PartNames{resume.kept.part, resume.kept.record}, offset_);
    if (part_ == nullptr) {
      failure_ = EndNote::CannotWrite;
      return Took::Failed;
    }
  } else {
    if (held == HeldWindow::Ignored) {
      part_ = resume.fresh(&failure_);
      if (part_ == nullptr) return Took::Failed;
    }
    // The sender's file changed, or the sender cannot go on from a part:
    // the kept one is of no use.
    RemoveKeptPart(*files_, resume.kept.record);
    keptParts_->Forget(resume.kept.record, *files_);
  }
  resume_.reset();
  if (held == HeldWindow::Changed) return Took::Changed;
  writer_.emplace(part_->File());
  if (held == HeldWindow::Honoured) return Took::Written;
  offset_ = 0;
  prior_ = 0;
  return Took::FromStart;
}

bool PartWriter::Flush() {
  return !writer_ || writer_->Flush();
}

}  // namespace kvel::transfers

#include "transfers/kept/part_file.h"

#include "transfers/kept/kept_parts.h"
#include "transfers/kept/resume_point.h"

namespace kvel::transfers {
namespace {

// Names tried before giving up; each exists already only by a rare chance.
constexpr int kNameAttempts = 16;

}  // namespace

std::unique_ptr<PartFile> PartFile::Create(TransferFiles& files, KeptParts* kept,
                                           const std::string& target, uint32_t seed,
                                           platform::Error* error) {
  // Names from different seeds rarely meet; when one exists already
  // (another transfer's, or a kept one) it is left alone and the next is
  // tried. Any other failure would repeat for every name.
  const uint32_t spread = seed * 2654435761u;
  *error = platform::Error{"create", 0, platform::ErrorKind::TooLong};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::optional<PartNames> names =
        PartNamesFor(target, spread + static_cast<uint32_t>(attempt) * 0x9E3779B9u);
    if (!names) continue;
    std::unique_ptr<StreamFile> file = files.CreateNewFile(names->part.c_str(), error);
    if (file != nullptr) {
      return std::unique_ptr<PartFile>(
          new PartFile(files, kept, target, std::move(*names), std::move(file)));
    }
    if (error->kind != platform::ErrorKind::Exists) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<PartFile> PartFile::Reopen(TransferFiles& files, KeptParts* kept,
                                           const std::string& target, PartNames names,
                                           uint64_t offset) {
  std::unique_ptr<StreamFile> file = files.OpenForUpdate(names.part.c_str());
  if (file == nullptr) return nullptr;
  if (!file->Seek(offset)) {
    file->Close();
    return nullptr;
  }
  std::unique_ptr<PartFile> part(
      new PartFile(files, kept, target, std::move(names), std::move(file)));
  part->recordOnDisk_ = true;
  part->listed_ = true;
  return part;
}

PartFile::PartFile(TransferFiles& files, KeptParts* kept, std::string target, PartNames names,
                   std::unique_ptr<StreamFile> file)
    : files_(files),
      kept_(kept),
      target_(std::move(target)),
      names_(std::move(names)),
      file_(std::move(file)) {}

PartFile::~PartFile() {
  if (settled_) return;
  Close();
  files_.RemoveFile(names_.part.c_str());
  ForgetRecord();
}

EndNote PartFile::List(KeptRecord facts) {
  if (kept_ == nullptr || names_.record.empty() || facts.size <= kMinResumedPart)
    return EndNote::None;
  // The shortest record of these facts: the one kept later is no shorter.
  facts.kept = 1;
  facts.written = 0;
  facts.at = 0;
  platform::Error error{"write", 0, platform::ErrorKind::Other};
  if (!WriteRecord(facts, &error)) {
    switch (error.kind) {
      case platform::ErrorKind::NoAccess:
        return EndNote::NoAccess;
      case platform::ErrorKind::DiskFull:
        return EndNote::DiskFull;
      default:
        return EndNote::CannotCreate;
    }
  }
  listed_ = true;
  return kept_->Add(names_.record, files_, /*inUse=*/true) ? EndNote::None : EndNote::CannotList;
}

bool PartFile::Close() {
  if (!closed_) {
    closed_ = true;
    closedWell_ = file_->Close();
  }
  return closedWell_;
}

bool PartFile::HoldsExactly(int64_t size) {
  // The file on disk is checked too: only the whole file takes the name.
  const std::optional<platform::FileInformation> information =
      files_.ReadFileInformation(names_.part.c_str());
  return information && size >= 0 && information->size == static_cast<uint64_t>(size);
}

void PartFile::ForgetRecord() {
  settled_ = true;
  if (recordOnDisk_) files_.RemoveFile(names_.record.c_str());
  if (listed_ && kept_ != nullptr) kept_->Forget(names_.record, files_);
  listed_ = false;
}

EndNote PartFile::Commit(int64_t size) {
  if (settled_ || !Close() || !HoldsExactly(size)) return EndNote::CannotWrite;
  if (!files_.MoveFileOver(names_.part.c_str(), target_.c_str())) return EndNote::CannotReplace;
  ForgetRecord();
  return EndNote::None;
}

EndNote PartFile::CommitNew(int64_t size, const std::string& target, bool* taken) {
  *taken = false;
  if (settled_ || !Close() || !HoldsExactly(size)) return EndNote::CannotWrite;
  platform::Error error;
  if (!files_.MoveFileNew(names_.part.c_str(), target.c_str(), &error)) {
    *taken = error.kind == platform::ErrorKind::Exists;
    return EndNote::CannotReplace;
  }
  ForgetRecord();
  return EndNote::None;
}

bool PartFile::Keep(KeptRecord record) {
  if (settled_ || !listed_ || kept_ == nullptr) return false;
  // After a failed write or close, what reached the disk is kept.
  Close();
  const std::optional<platform::FileInformation> information =
      files_.ReadFileInformation(names_.part.c_str());
  if (!information || information->size <= static_cast<uint64_t>(kMinResumedPart) ||
      information->size > static_cast<uint64_t>(record.kept))
    return false;
  record.kept = static_cast<int64_t>(information->size);
  record.written = information->lastWriteTime;
  if (!WriteRecord(record)) return false;
  settled_ = true;
  // Listed since it was made: a list that cannot be written now still has it.
  kept_->Add(names_.record, files_);
  return true;
}

bool PartFile::WriteRecord(const KeptRecord& record, platform::Error* error) {
  const std::string bytes = EncodeKeptRecord(record);
  // The record written as the part was listed, or at an earlier cut, is
  // written over in place when the new one is no shorter: a full disk has
  // room for it in the file's own space. Any other (or a stale one of its
  // name, which only kvel gives) is replaced.
  std::unique_ptr<StreamFile> file;
  if (recordOnDisk_) {
    const std::optional<platform::FileInformation> information =
        files_.ReadFileInformation(names_.record.c_str());
    if (information && information->size <= bytes.size())
      file = files_.OpenForUpdate(names_.record.c_str());
  }
  if (file == nullptr) {
    files_.RemoveFile(names_.record.c_str());
    file = files_.CreateNewFile(names_.record.c_str(), error);
  }
  recordOnDisk_ = true;
  if (file == nullptr) return false;
  const bool written = file->Write(bytes.data(), bytes.size());
  return file->Close() && written;
}

}  // namespace kvel::transfers

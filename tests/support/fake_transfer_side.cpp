#include "support/fake_transfer_side.h"

#include <algorithm>
#include <cstring>

#include "transfers/side/stdio_file.h"
#include "platform/files.h"

namespace kvel::testing {
namespace {

std::string WholeFilter(const char* filter) {
  if (filter == nullptr) return {};
  const char* end = filter;
  while (*end != '\0') end += std::strlen(end) + 1;
  return std::string(filter, static_cast<size_t>(end - filter));
}

// A real file that fails after a byte budget and tells its owner about its
// close and its end.
class TrackedFile final : public transfers::StreamFile {
 public:
  TrackedFile(std::unique_ptr<transfers::StreamFile> file, FakeTransferSide& side)
      : file_(std::move(file)), side_(side) {
    ++side_.openFiles;
  }
  ~TrackedFile() override { --side_.openFiles; }

  size_t Read(void* buffer, size_t count) override {
    if (passed_ + count > side_.failReadAfter) {
      const size_t allowed = side_.failReadAfter - std::min(passed_, side_.failReadAfter);
      const size_t got = file_->Read(buffer, allowed);
      passed_ += got;
      failed_ = true;
      return got;
    }
    const size_t got = file_->Read(buffer, count);
    passed_ += got;
    return got;
  }
  bool Write(const void* data, size_t count) override {
    if (passed_ + count > side_.failWriteAfter) {
      failed_ = true;
      return false;
    }
    passed_ += count;
    side_.fileWrites.push_back(count);
    return file_->Write(data, count);
  }
  bool Seek(uint64_t offset) override {
    side_.seeks.push_back(offset);
    return !side_.failSeek && file_->Seek(offset);
  }
  bool Failed() const override { return failed_ || file_->Failed(); }
  bool Close() override {
    ++side_.closedFiles;
    return file_->Close() && !failed_;
  }

 private:
  std::unique_ptr<transfers::StreamFile> file_;
  FakeTransferSide& side_;
  size_t passed_ = 0;
  bool failed_ = false;
};

}  // namespace

std::string FakeTransferSide::PeerName(uint32_t uin) {
  peerNameAsked.push_back(uin);
  return peerName;
}

bool FakeTransferSide::AskYesNo(const char* text, const char* caption) {
  dialogs.push_back({"question", text, caption, {}, 0, 0});
  if (onDialog) onDialog(dialogs.back());
  if (answers.empty()) return answerYes;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool FakeTransferSide::Choose(const char* kind, platform::FileDialog& dialog,
                              const std::optional<std::string>& choice) {
  Dialog record{kind, {}, {}, WholeFilter(dialog.filter), dialog.flags, dialog.pathSize};
  record.text.assign(dialog.path, strnlen(dialog.path, dialog.pathSize));
  dialogs.push_back(record);
  if (onDialog) onDialog(dialogs.back());
  if (!choice) return false;
  const size_t length = std::min(choice->size(), dialog.pathSize - 1);
  std::memcpy(dialog.path, choice->data(), length);
  dialog.path[length] = '\0';
  return true;
}

bool FakeTransferSide::ChooseSaveFile(platform::FileDialog& dialog) {
  return Choose("save", dialog, saveChoice);
}

bool FakeTransferSide::ChooseOpenFile(platform::FileDialog& dialog) {
  return Choose("open", dialog, openChoice);
}

std::optional<platform::FileInformation> FakeTransferSide::ReadFileInformation(const char* path) {
  if (information) return *information;
  return platform::ReadFileInformation(path);
}

std::unique_ptr<transfers::StreamFile> FakeTransferSide::Track(
    std::unique_ptr<transfers::StreamFile> file) {
  if (file == nullptr) return nullptr;
  return std::make_unique<TrackedFile>(std::move(file), *this);
}

std::unique_ptr<transfers::StreamFile> FakeTransferSide::OpenForReading(const char* path) {
  opened.push_back(std::string("r:") + path);
  if (failOpenForReading) return nullptr;
  return Track(transfers::StreamFileOf(platform::OpenFileForReading(path)));
}

std::unique_ptr<transfers::StreamFile> FakeTransferSide::CreateNewFile(const char* path,
                                                                       platform::Error* error) {
  opened.push_back(std::string("w:") + path);
  if (!refuseCreateIn.empty() && std::string(path).starts_with(refuseCreateIn)) {
    if (error != nullptr) *error = {"create", 0, platform::ErrorKind::NoAccess};
    return nullptr;
  }
  if (createProblem) {
    if (error != nullptr) *error = {"create", 0, *createProblem};
    return nullptr;
  }
  return Track(transfers::StreamFileOf(platform::CreateNewFile(path, error)));
}

std::unique_ptr<transfers::StreamFile> FakeTransferSide::OpenForUpdate(const char* path) {
  opened.push_back(std::string("u:") + path);
  return Track(transfers::StreamFileOf(platform::OpenFileForUpdate(path)));
}

bool FakeTransferSide::MoveFileOver(const char* from, const char* to) {
  moved.push_back(std::string(from) + ">" + to);
  return !failMove && platform::MoveFileOver(from, to);
}

bool FakeTransferSide::MoveFileNew(const char* from, const char* to, platform::Error* error) {
  moved.push_back(std::string(from) + ">>" + to);
  if (beforeMoveNew) beforeMoveNew(to);
  if (failMove) {
    if (error != nullptr) *error = {"move", 0, platform::ErrorKind::Other};
    return false;
  }
  return platform::MoveFileNew(from, to, error);
}

bool FakeTransferSide::PathTaken(const char* path) {
  return platform::PathExists(path);
}

bool FakeTransferSide::MakeFolder(const char* path) {
  folders.push_back(path);
  return platform::MakeDirectory(path);
}

std::optional<uint64_t> FakeTransferSide::FreeSpace(const char* folder) {
  spaceAsked.push_back(folder != nullptr ? folder : "");
  return freeSpace ? freeSpace(spaceAsked.back()) : std::nullopt;
}

void FakeTransferSide::RemoveFile(const char* path) {
  removed.push_back(path);
  platform::RemoveFile(path);
}

std::optional<platform::FileIdentity> FakeTransferSide::IdentityOf(const char* path) {
  return platform::IdentityOf(path);
}

std::vector<std::string> FakeTransferSide::DialogKinds() const {
  std::vector<std::string> kinds;
  for (const Dialog& dialog : dialogs) kinds.push_back(dialog.kind);
  return kinds;
}

}  // namespace kvel::testing

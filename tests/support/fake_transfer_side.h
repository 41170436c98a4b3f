// The user and files of a transfer, for tests: scripted answers, recorded
// dialogs, real files by default with failures on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfers/kept/kept_parts.h"
#include "transfers/side/transfer_side.h"

namespace kvel::testing {

class FakeTransferSide final : public transfers::UserQuestions,
                               public transfers::TransferFiles,
                               public transfers::TransferFolders {
 public:
  struct Dialog {
    std::string kind;  // "question", "save" or "open"
    std::string text;  // question text, or the name the file dialog proposes
    std::string caption;
    std::string filter;  // with its NULs
    unsigned long flags = 0;
    size_t pathSize = 0;
  };

  // Scripted answers.
  std::string peerName = "Ala";
  bool answerYes = true;
  std::deque<bool> answers;               // taken one per question before `answerYes`
  std::optional<std::string> saveChoice;  // nullopt cancels
  std::optional<std::string> openChoice;
  // Replaces the file information the platform reports.
  std::optional<std::optional<platform::FileInformation>> information;
  std::optional<platform::ErrorKind> createProblem;  // every create fails with it
  // Files are not created in this folder (ending with a separator; empty:
  // none such), with ErrorKind::NoAccess.
  std::string refuseCreateIn;
  // Runs before each move that must not replace (e.g. to put a file there).
  std::function<void(const std::string& to)> beforeMoveNew;
  bool failOpenForReading = false;
  bool failMove = false;
  bool failSeek = false;
  // Reads or writes fail once this many bytes have passed.
  size_t failReadAfter = SIZE_MAX;
  size_t failWriteAfter = SIZE_MAX;
  // Parts of cut transfers are kept in `keptParts` (listed nowhere) unless
  // this is false; its clock reads `now`.
  bool keeps = true;
  uint32_t now = 1700000000;
  transfers::KeptParts keptParts{[this] { return now; }};
  // Runs as each dialog opens (e.g. to see what was sent by then).
  std::function<void(const Dialog&)> onDialog;
  // The free bytes of a folder's volume; none set: the platform cannot tell.
  std::function<std::optional<uint64_t>(const std::string& folder)> freeSpace;

  // What happened.
  std::vector<uint32_t> peerNameAsked;
  std::vector<Dialog> dialogs;
  std::vector<std::string> opened;   // "r:path" / "w:path" (created) / "u:path" (updated)
  std::vector<std::string> moved;    // "from>to" (over), "from>>to" (new), done or not
  std::vector<std::string> folders;  // made, or tried
  std::vector<std::string> removed;
  std::vector<std::string> spaceAsked;  // the folders whose free space was asked
  std::vector<size_t> fileWrites;       // the count of every file write
  std::vector<uint64_t> seeks;          // every seek's offset
  int openFiles = 0;                    // opened and not yet destroyed
  int closedFiles = 0;                  // Close() called

  std::string PeerName(uint32_t uin) override;
  bool AskYesNo(const char* text, const char* caption) override;
  bool ChooseSaveFile(platform::FileDialog& dialog) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override;
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char* path) override;
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path,
                                                       platform::Error* error) override;
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char* path) override;
  bool MoveFileOver(const char* from, const char* to) override;
  bool MoveFileNew(const char* from, const char* to, platform::Error* error) override;
  void RemoveFile(const char* path) override;
  bool PathTaken(const char* path) override;
  bool MakeFolder(const char* path) override;
  std::optional<platform::FileIdentity> IdentityOf(const char* path) override;
  std::optional<uint64_t> FreeSpace(const char* folder) override;
  transfers::KeptParts* Kept() { return keeps ? &keptParts : nullptr; }

  std::vector<std::string> DialogKinds() const;

 private:
  bool Choose(const char* kind, platform::FileDialog& dialog,
              const std::optional<std::string>& choice);
  std::unique_ptr<transfers::StreamFile> Track(std::unique_ptr<transfers::StreamFile> file);
};

}  // namespace kvel::testing

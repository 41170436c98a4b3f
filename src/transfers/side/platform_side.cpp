#include "transfers/side/platform_side.h"

#include "common/ipv4_address.h"
#include "gg/contact_lookup.h"
#include "transfers/side/stdio_file.h"

namespace kvel::transfers {

std::string PlatformTransferSide::PeerName(uint32_t uin) {
  const std::string name = gg::PeerDisplayName(services_, uin);
  if (origin_.remoteAddress == 0 || !FromElsewhere(origin_)) return name;
  return name + " (" + AddressText(origin_.remoteAddress) + ")";
}

bool PlatformTransferSide::AskYesNo(const char* text, const char* caption) {
  QuestionTurns::Turn turn;
  if (turns_ != nullptr && transfer_ != nullptr) {
    const TransferHandle& transfer = *transfer_;
    StreamConnection* connection = accepted_ ? nullptr : connection_;
    // A peer that gave up on its offer while it waited is not asked about.
    turn = turns_->Take(transfer.Read().uin, origin_.remoteAddress, [&transfer, connection] {
      return transfer.Read().stopped || (connection != nullptr && connection->PeerGone());
    });
    if (!turn) return false;
  }
  const bool yes = platform::AskYesNo(text, caption);
  accepted_ = accepted_ || yes;
  return yes;
}

bool PlatformTransferSide::ChooseSaveFile(platform::FileDialog& dialog) {
  dialog.instance = services_.Module();
  return platform::ChooseSaveFile(dialog);
}

bool PlatformTransferSide::ChooseOpenFile(platform::FileDialog& dialog) {
  dialog.instance = services_.Module();
  return platform::ChooseOpenFile(dialog);
}

std::optional<platform::FileInformation> PlatformTransferSide::ReadFileInformation(
    const char* path) {
  return platform::ReadFileInformation(path);
}

std::unique_ptr<StreamFile> PlatformTransferSide::OpenForReading(const char* path) {
  return StreamFileOf(platform::OpenFileForReading(path));
}

std::unique_ptr<StreamFile> PlatformTransferSide::CreateNewFile(const char* path,
                                                                platform::Error* error) {
  return StreamFileOf(platform::CreateNewFile(path, error));
}

std::unique_ptr<StreamFile> PlatformTransferSide::OpenForUpdate(const char* path) {
  return StreamFileOf(platform::OpenFileForUpdate(path));
}

bool PlatformTransferSide::MoveFileOver(const char* from, const char* to) {
  return platform::MoveFileOver(from, to);
}

bool PlatformTransferSide::MoveFileNew(const char* from, const char* to, platform::Error* error) {
  return platform::MoveFileNew(from, to, error);
}

void PlatformTransferSide::RemoveFile(const char* path) {
  platform::RemoveFile(path);
}

bool PlatformTransferSide::PathTaken(const char* path) {
  return platform::PathExists(path);
}

bool PlatformTransferSide::MakeFolder(const char* path) {
  return platform::MakeDirectory(path);
}

std::optional<platform::FileIdentity> PlatformTransferSide::IdentityOf(const char* path) {
  return platform::IdentityOf(path);
}

std::optional<uint64_t> PlatformTransferSide::FreeSpace(const char* folder) {
  return platform::FreeDiskSpace(folder);
}

}  // namespace kvel::transfers

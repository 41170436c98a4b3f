#include "transfers/socket_transfer.h"

#include "gg/contact_lookup.h"
#include "transfers/stdio_file.h"
#include "platform/threads.h"

namespace kvel::transfers {

std::string SocketTransferSide::PeerName(uint32_t uin) {
  return gg::PeerDisplayName(services_, uin);
}

bool SocketTransferSide::AskYesNo(const char* text, const char* caption) {
  return platform::AskYesNo(text, caption);
}

bool SocketTransferSide::ChooseSaveFile(platform::FileDialog& dialog) {
  dialog.instance = services_.Module();
  return platform::ChooseSaveFile(dialog);
}

bool SocketTransferSide::ChooseOpenFile(platform::FileDialog& dialog) {
  dialog.instance = services_.Module();
  if (!platform::ChooseOpenFile(dialog)) return false;
  // The row names the offered file while the peer decides, and a refusal
  // can name it.
  std::string path(dialog.path, dialog.pathSize);
  if (const size_t end = path.find('\0'); end != std::string::npos) path.resize(end);
  window_.SetTransferFile(socket_, path.c_str(), 0, 0);
  return true;
}

std::optional<platform::FileInformation> SocketTransferSide::ReadFileInformation(const char* path) {
  return platform::ReadFileInformation(path);
}

std::unique_ptr<StreamFile> SocketTransferSide::OpenForReading(const char* path) {
  return OpenStdioFileForReading(path);
}

std::unique_ptr<StreamFile> SocketTransferSide::CreateNewFile(const char* path) {
  return CreateStdioFile(path);
}

bool SocketTransferSide::MoveFileOver(const char* from, const char* to) {
  return platform::MoveFileOver(from, to);
}

void SocketTransferSide::RemoveFile(const char* path) {
  platform::RemoveFile(path);
}

void SocketTransferSide::SetTransferFile(const char* path, int64_t totalBytes, int64_t doneBytes) {
  window_.SetTransferFile(socket_, path, totalBytes, doneBytes);
}

void SocketTransferSide::AddProgress(int64_t bytes) {
  window_.AddProgress(socket_, bytes);
}

uint32_t SocketTransferSide::Milliseconds() {
  return platform::TickCount();
}

}  // namespace kvel::transfers

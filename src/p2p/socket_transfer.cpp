#include "p2p/socket_transfer.h"

#include "gg/contact_lookup.h"
#include "p2p/socket_io.h"
#include "p2p/stdio_file.h"
#include "ui/progress_win.h"

namespace kvel::p2p {

int SocketConnection::Read(void* buffer, int count) {
  return SocketRead(socket_, buffer, count);
}

int SocketConnection::Write(const void* data, int count) {
  return SocketWrite(socket_, data, count);
}

std::string SocketTransferSide::PeerName(uint32_t uin) {
  return gg::PeerDisplayName(uin);
}

bool SocketTransferSide::AskYesNo(const char* text, const char* caption) {
  return platform::AskYesNo(text, caption);
}

bool SocketTransferSide::ChooseSaveFile(platform::FileDialog& dialog) {
  return platform::ChooseSaveFile(dialog);
}

bool SocketTransferSide::ChooseOpenFile(platform::FileDialog& dialog) {
  if (!platform::ChooseOpenFile(dialog)) return false;
  // The row names the offered file while the peer decides, and a refusal
  // can name it.
  std::string path(dialog.path, dialog.pathSize);
  if (const size_t end = path.find('\0'); end != std::string::npos) path.resize(end);
  ui::SetTransferFile(socket_, path.c_str(), 0, 0);
  return true;
}

std::optional<platform::FileInformation> SocketTransferSide::ReadFileInformation(const char* path) {
  return platform::ReadFileInformation(path);
}

std::unique_ptr<StreamFile> SocketTransferSide::OpenForReading(const char* path) {
  return OpenStdioFileForReading(path);
}

std::unique_ptr<StreamFile> SocketTransferSide::OpenForWriting(const char* path) {
  return OpenStdioFileForWriting(path);
}

void SocketTransferSide::SetTransferFile(const char* path, int64_t totalBytes, int64_t doneBytes) {
  ui::SetTransferFile(socket_, path, totalBytes, doneBytes);
}

void SocketTransferSide::AddProgress(int64_t bytes) {
  ui::AddProgress(socket_, bytes);
}

}  // namespace kvel::p2p

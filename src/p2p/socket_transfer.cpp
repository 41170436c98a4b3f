#include "p2p/socket_transfer.h"

#include "gg/contact_lookup.h"
#include "p2p/socket_io.h"
#include "p2p/stdio_file.h"
#include "platform/threads.h"
#include "ui/progress_win.h"

namespace kvel::p2p {

int SocketConnection::Read(void* buffer, int count) {
  return SocketRead(socket_, buffer, count);
}

int SocketConnection::Write(const void* data, int count) {
  return SocketWrite(socket_, data, count);
}

void SocketConnection::ShutdownSend() {
  platform::ShutdownSend(socket_);
}

bool SocketConnection::WaitForPeerClose(uint32_t milliseconds) {
  const uint32_t start = platform::TickCount();
  char dropped[4096];
  for (;;) {
    const uint32_t spent = platform::TickCount() - start;
    if (spent >= milliseconds) return false;
    if (platform::WaitReadable(socket_, milliseconds - spent) <= 0) return false;
    const int got = SocketRead(socket_, dropped, sizeof dropped);
    if (got <= 0) return got == 0;
  }
}

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
  ui::SetTransferFile(socket_, path.c_str(), 0, 0);
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
  ui::SetTransferFile(socket_, path, totalBytes, doneBytes);
}

void SocketTransferSide::AddProgress(int64_t bytes) {
  ui::AddProgress(socket_, bytes);
}

uint32_t SocketTransferSide::Milliseconds() {
  return platform::TickCount();
}

}  // namespace kvel::p2p

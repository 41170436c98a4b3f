// The file-transfer procedures bound to a connected socket, the platform's
// dialogs and files, and the transfer window's row of that socket.
#pragma once

#include "host/host_services.h"
#include "p2p/stream_connection.h"
#include "p2p/transfer_side.h"
#include "platform/sockets.h"

namespace kvel::p2p {

// Reads and writes through SocketRead / SocketWrite; does not own the socket.
class SocketConnection final : public StreamConnection {
 public:
  explicit SocketConnection(platform::Socket socket) : socket_(socket) {}
  int Read(void* buffer, int count) override;
  int Write(const void* data, int count) override;
  void ShutdownSend() override;
  bool WaitForPeerClose(uint32_t milliseconds) override;

 private:
  platform::Socket socket_;
};

// The product's side of a transfer keyed by `socket` in the transfer window;
// peers are named by the contact list of `services`.
class SocketTransferSide final : public TransferSide {
 public:
  SocketTransferSide(platform::Socket socket, host::HostServices& services)
      : socket_(socket), services_(services) {}
  std::string PeerName(uint32_t uin) override;
  bool AskYesNo(const char* text, const char* caption) override;
  bool ChooseSaveFile(platform::FileDialog& dialog) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override;
  std::unique_ptr<StreamFile> OpenForReading(const char* path) override;
  std::unique_ptr<StreamFile> CreateNewFile(const char* path) override;
  bool MoveFileOver(const char* from, const char* to) override;
  void RemoveFile(const char* path) override;
  void SetTransferFile(const char* path, int64_t totalBytes, int64_t doneBytes) override;
  void AddProgress(int64_t bytes) override;
  uint32_t Milliseconds() override;

 private:
  platform::Socket socket_;
  host::HostServices& services_;
};

}  // namespace kvel::p2p

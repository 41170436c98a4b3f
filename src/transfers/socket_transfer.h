// A file transfer's side in the product: the platform's dialogs and files,
// and the transfer window's row of the connection's socket.
#pragma once

#include "host/host_services.h"
#include "transfers/transfer_side.h"
#include "transfers/transfer_window.h"
#include "platform/sockets.h"

namespace kvel::transfers {

// The product's side of a transfer keyed by `socket` in `window`; peers are
// named by the contact list of `services`.
class SocketTransferSide final : public TransferSide {
 public:
  SocketTransferSide(platform::Socket socket, host::HostServices& services, TransferWindow& window)
      : socket_(socket), services_(services), window_(window) {}
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
  TransferWindow& window_;
};

}  // namespace kvel::transfers

// A file transfer's side in the product: the platform's dialogs and files,
// with peers named as the host's contact list names them.
#pragma once

#include "host/host_services.h"
#include "transfers/transfer_side.h"

namespace kvel::transfers {

class PlatformTransferSide final : public TransferSide {
 public:
  // `services` outlives the side.
  explicit PlatformTransferSide(host::HostServices& services) : services_(services) {}
  std::string PeerName(uint32_t uin) override;
  bool AskYesNo(const char* text, const char* caption) override;
  bool ChooseSaveFile(platform::FileDialog& dialog) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override;
  std::unique_ptr<StreamFile> OpenForReading(const char* path) override;
  std::unique_ptr<StreamFile> CreateNewFile(const char* path) override;
  bool MoveFileOver(const char* from, const char* to) override;
  void RemoveFile(const char* path) override;

 private:
  host::HostServices& services_;
};

}  // namespace kvel::transfers

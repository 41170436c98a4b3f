// A file transfer's side in the product: the platform's dialogs and files,
// with peers named as the host's contact list names them.
#pragma once

#include "host/host_services.h"
#include "transfers/transfer_side.h"

namespace kvel::transfers {

class PlatformTransferSide final : public TransferSide {
 public:
  // `services` and `kept` (null: nothing is kept) outlive the side.
  PlatformTransferSide(host::HostServices& services, KeptParts* kept)
      : services_(services), kept_(kept) {}
  std::string PeerName(uint32_t uin) override;
  bool AskYesNo(const char* text, const char* caption) override;
  bool ChooseSaveFile(platform::FileDialog& dialog) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override;
  std::unique_ptr<StreamFile> OpenForReading(const char* path) override;
  std::unique_ptr<StreamFile> CreateNewFile(const char* path,
                                            platform::FileProblem* problem) override;
  std::unique_ptr<StreamFile> OpenForUpdate(const char* path) override;
  bool MoveFileOver(const char* from, const char* to) override;
  void RemoveFile(const char* path) override;
  KeptParts* Kept() override { return kept_; }

 private:
  host::HostServices& services_;
  KeptParts* kept_;
};

}  // namespace kvel::transfers

// A file transfer's side in the product: the platform's dialogs and files,
// with peers named as the host's contact list names them.
#pragma once

#include "host/host_services.h"
#include "platform/files.h"
#include "transfers/auto_accept/auto_accept_rule.h"
#include "transfers/telling/question_turns.h"
#include "transfers/stream/stream_connection.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/side/stdio_file.h"
#include "transfers/side/transfer_side.h"

namespace kvel::transfers {

class PlatformTransferSide final : public UserQuestions,
                                   public TransferFiles,
                                   public TransferFolders {
 public:
  // `services`, `kept` (null: nothing is kept), `turns` and `connection`
  // outlive the side. With `turns`, a question about `transfer`'s file waits
  // for its peer's turn, given up, as a refusal, when the transfer is
  // stopped or the turn does not come in time, and, until the user has
  // accepted the offer, when the peer has left `connection` meanwhile. (The
  // question after that, whether to go on from a kept part, is not given up
  // for the peer's leaving: a "no" would drop the part.)
  // An offer's question names the peer with the address it comes from
  // when that is not the contact's (`origin`), and takes the turn of that
  // number at that address.
  PlatformTransferSide(host::HostServices& services, KeptParts* kept,
                       QuestionTurns* turns = nullptr, const TransferHandle* transfer = nullptr,
                       StreamConnection* connection = nullptr, OfferOrigin origin = {})
      : services_(services),
        kept_(kept),
        turns_(turns),
        transfer_(transfer),
        connection_(connection),
        origin_(origin) {}
  std::string PeerName(uint32_t uin) override;
  bool AskYesNo(const char* text, const char* caption) override;
  bool ChooseSaveFile(platform::FileDialog& dialog) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override {
    return platform::ReadFileInformation(path);
  }
  std::unique_ptr<StreamFile> OpenForReading(const char* path) override {
    return StreamFileOf(platform::OpenFileForReading(path));
  }
  std::unique_ptr<StreamFile> CreateNewFile(const char* path, platform::Error* error) override {
    return StreamFileOf(platform::CreateNewFile(path, error));
  }
  std::unique_ptr<StreamFile> OpenForUpdate(const char* path) override {
    return StreamFileOf(platform::OpenFileForUpdate(path));
  }
  bool MoveFileOver(const char* from, const char* to) override {
    return platform::MoveFileOver(from, to);
  }
  bool MoveFileNew(const char* from, const char* to, platform::Error* error) override {
    return platform::MoveFileNew(from, to, error);
  }
  void RemoveFile(const char* path) override { platform::RemoveFile(path); }
  bool PathTaken(const char* path) override { return platform::PathExists(path); }
  bool MakeFolder(const char* path) override { return platform::MakeDirectory(path); }
  std::optional<platform::FileIdentity> IdentityOf(const char* path) override {
    return platform::IdentityOf(path);
  }
  std::optional<uint64_t> FreeSpace(const char* folder) override {
    return platform::FreeDiskSpace(folder);
  }
  // Where its parts are kept (TransferSide).
  KeptParts* Kept() const { return kept_; }

 private:
  host::HostServices& services_;
  KeptParts* kept_;
  QuestionTurns* turns_;
  const TransferHandle* transfer_;
  StreamConnection* connection_;
  OfferOrigin origin_;
  bool accepted_ = false;  // a question was answered yes
};

}  // namespace kvel::transfers

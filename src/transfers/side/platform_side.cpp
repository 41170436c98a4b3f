#include "transfers/side/platform_side.h"

#include "common/ipv4_address.h"
#include "gg/contact_lookup.h"

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

}  // namespace kvel::transfers

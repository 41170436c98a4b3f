#include "transfers/auto_acceptor.h"

#include <utility>

#include "common/ipv4_address.h"
#include "transfers/auto_accept_texts.h"
#include "transfers/free_name.h"

namespace kvel::transfers {

AutoAcceptor::AutoAcceptor(platform::Clock clock) : budget_(std::move(clock)) {}

void AutoAcceptor::Configure(AutoAcceptSettings settings, std::string defaultFolder) {
  settings_ = std::move(settings);
  folder_ = settings_.folder.empty() ? std::move(defaultFolder) : settings_.folder;
}

AutoAcceptor::Decision AutoAcceptor::Consider(uint32_t uin, const std::string& name, int64_t size,
                                              const OfferOrigin& origin, TransferSide& side) {
  switch (JudgeAutoAccept(settings_, uin, size, origin)) {
    case AutoAcceptVerdict::NotListed:
      return {};
    case AutoAcceptVerdict::OtherAddress:
      return {{},
              "other-address from=" + AddressText(origin.remoteAddress) +
                  " announced=" + AddressText(origin.announcedAddress)};
    case AutoAcceptVerdict::TooLarge:
      return {{}, "too-large maxkb=" + std::to_string(settings_.maxKb)};
    case AutoAcceptVerdict::Take:
      break;
  }
  if (!budget_.Spend(uin)) {
    return {{},
            "too-many files=" + std::to_string(budget_.Burst()) +
                " ms=" + std::to_string(budget_.WindowMs())};
  }
  if (folder_.empty()) return {{}, "no-folder"};
  // Made the first time it is needed; one there already stays as it is.
  side.MakeFolder(folder_.substr(0, folder_.size() - 1).c_str());
  ReceivingNames::Hold place = Again(name, side);
  if (!place) return {{}, "no-free-name folder=" + folder_};
  return {std::move(place), {}};
}

ReceivingNames::Hold AutoAcceptor::Again(const std::string& name, TransferSide& side) {
  ReceivingNames::Hold held;
  ClaimFreePath(folder_, name, [&](const std::string& path) {
    if (names_.Held(path) || side.PathTaken(path.c_str())) return false;
    held = names_.Take(path);
    return static_cast<bool>(held);
  });
  return held;
}

}  // namespace kvel::transfers

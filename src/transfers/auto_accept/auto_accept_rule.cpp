#include "transfers/auto_accept/auto_accept_rule.h"

#include <algorithm>

namespace kvel::transfers {

bool FromElsewhere(const OfferOrigin& origin) {
  const bool fromAnnounced =
      origin.announcedAddress != 0 && origin.remoteAddress == origin.announcedAddress;
  return !fromAnnounced && !origin.answersOwnCallBack;
}

AutoAcceptVerdict JudgeAutoAccept(const AutoAcceptSettings& settings, uint32_t uin, int64_t size,
                                  const OfferOrigin& origin) {
  if (!std::binary_search(settings.uins.begin(), settings.uins.end(), uin))
    return AutoAcceptVerdict::NotListed;
  if (FromElsewhere(origin)) return AutoAcceptVerdict::OtherAddress;
  if (size < 0 || size > static_cast<int64_t>(settings.maxKb) * 1024)
    return AutoAcceptVerdict::TooLarge;
  return AutoAcceptVerdict::Take;
}

}  // namespace kvel::transfers

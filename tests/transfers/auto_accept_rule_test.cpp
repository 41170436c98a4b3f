// Whom a file is taken from without the question: a listed number, within
// maxkb, over a connection from where the GG server says that contact is or
// answering this user's call-back; everything else is asked.
#include "transfers/auto_accept_rule.h"

#include <gtest/gtest.h>

namespace kvel::transfers {
namespace {

constexpr uint32_t kHome = 0x0100007F;   // 127.0.0.1
constexpr uint32_t kOther = 0x0200007F;  // 127.0.0.2

AutoAcceptSettings Trusting() {
  AutoAcceptSettings settings;
  settings.uins = {1001, 1002};
  settings.maxKb = 10;
  return settings;
}

TEST(AutoAcceptRule, TakesOnlyAListedContactFromItsAddressWithinTheSize) {
  using V = AutoAcceptVerdict;
  const struct Case {
    const char* name;
    uint32_t uin;
    int64_t size;
    OfferOrigin origin;
    V verdict;
  } cases[] = {
      {"FromTheAnnouncedAddress", 1001, 5000, {kHome, kHome, false}, V::Take},
      {"SecondListed", 1002, 5000, {kHome, kHome, false}, V::Take},
      {"EmptyFile", 1001, 0, {kHome, kHome, false}, V::Take},
      {"ExactlyMaxKb", 1001, 10 * 1024, {kHome, kHome, false}, V::Take},
      {"OneByteOver", 1001, 10 * 1024 + 1, {kHome, kHome, false}, V::TooLarge},
      {"HugeSize", 1001, INT64_MAX, {kHome, kHome, false}, V::TooLarge},
      {"NegativeSize", 1001, -1, {kHome, kHome, false}, V::TooLarge},
      {"NotListed", 1003, 5000, {kHome, kHome, false}, V::NotListed},
      {"NotListedEvenAnsweringACallBack", 1003, 5000, {kOther, 0, true}, V::NotListed},
      // The number is only claimed: from another address it may be anyone.
      {"ClaimedFromAnotherAddress", 1001, 5000, {kOther, kHome, false}, V::OtherAddress},
      {"NoAddressAnnounced", 1001, 5000, {kHome, 0, false}, V::OtherAddress},
      {"NothingKnownOfEither", 1001, 5000, {0, 0, false}, V::OtherAddress},
      {"AnswersOwnCallBack", 1001, 5000, {kOther, kHome, true}, V::Take},
      {"AnswersOwnCallBackNoneAnnounced", 1001, 5000, {kOther, 0, true}, V::Take},
      // The address comes first: a stranger learns nothing of the size.
      {"OtherAddressAndTooLarge", 1001, INT64_MAX, {kOther, kHome, false}, V::OtherAddress},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JudgeAutoAccept(Trusting(), c.uin, c.size, c.origin), c.verdict) << c.name;
  }
}

TEST(AutoAcceptRule, OffTakesNothing) {
  AutoAcceptSettings off;
  EXPECT_EQ(JudgeAutoAccept(off, 1001, 0, {kHome, kHome, true}), AutoAcceptVerdict::NotListed);
}

TEST(AutoAcceptRule, TheLargestMaxKbDoesNotOverflow) {
  AutoAcceptSettings settings = Trusting();
  settings.maxKb = 4u * 1024 * 1024;
  const OfferOrigin home{kHome, kHome, false};
  EXPECT_EQ(JudgeAutoAccept(settings, 1001, 4ll << 30, home), AutoAcceptVerdict::Take);
  EXPECT_EQ(JudgeAutoAccept(settings, 1001, (4ll << 30) + 1, home), AutoAcceptVerdict::TooLarge);
}

}  // namespace
}  // namespace kvel::transfers

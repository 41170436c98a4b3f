// Whom a file is taken from without the question: a listed number, within
// maxkb, over a connection from where the GG server says that contact is or
// answering this user's call-back; everything else is asked.
#include "transfers/auto_accept/auto_accept_rule.h"

#include <gtest/gtest.h>

namespace kvel::transfers {
namespace {

TEST(AutoAcceptRule, TakesOnlyAListedContactFromItsAddressWithinTheSize) {
  constexpr uint32_t kHome = 0x0100007F, kOther = 0x0200007F;  // 127.0.0.1, 127.0.0.2
  constexpr int64_t k4GiB = int64_t{4} << 30;
  using V = AutoAcceptVerdict;
  const struct Case {
    uint32_t maxKb, uin;
    int64_t size;
    OfferOrigin origin;
    V verdict;
  } cases[] = {
      {10, 1001, 5000, {kHome, kHome, false}, V::Take},
      {10, 1002, 0, {kHome, kHome, false}, V::Take},
      {10, 1001, 10 * 1024, {kHome, kHome, false}, V::Take},
      {10, 1001, 10 * 1024 + 1, {kHome, kHome, false}, V::TooLarge},
      {10, 1001, -1, {kHome, kHome, false}, V::TooLarge},
      {4194304, 1001, k4GiB, {kHome, kHome, false}, V::Take},
      {4194304, 1001, k4GiB + 1, {kHome, kHome, false}, V::TooLarge},
      {10, 1003, 5000, {kHome, kHome, false}, V::NotListed},
      {10, 1003, 5000, {kOther, 0, true}, V::NotListed},
      // The number is only claimed: from another address it may be anyone.
      {10, 1001, 5000, {kOther, kHome, false}, V::OtherAddress},
      {10, 1001, 5000, {kHome, 0, false}, V::OtherAddress},
      {10, 1001, 5000, {0, 0, false}, V::OtherAddress},
      {10, 1001, 5000, {kOther, 0, true}, V::Take},
      // The address comes first: a stranger learns nothing of the size.
      {10, 1001, INT64_MAX, {kOther, kHome, false}, V::OtherAddress},
  };
  for (const Case& c : cases) {
    AutoAcceptSettings settings;
    settings.uins = {1001, 1002};
    settings.maxKb = c.maxKb;
    EXPECT_EQ(JudgeAutoAccept(settings, c.uin, c.size, c.origin), c.verdict)
        << c.uin << " " << c.size << " " << c.origin.remoteAddress;
  }
}

}  // namespace
}  // namespace kvel::transfers

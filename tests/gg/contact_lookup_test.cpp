#include <gtest/gtest.h>

#include "gg/contact_lookup.h"
#include "plugin/host.h"
#include "stand_in_host.h"
#include "support/test_paths.h"

namespace kvel::gg {
namespace {

class ContactLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.AddContact({11, "Ala", "1234", 3});
    host_.AddContact({12, "Olek", "0123", 3});
    host_.AddContact({13, "Group", "123", 5});
    host_.AddContact({14, "Ewa", "123", 3});
    host_.AddContact({15, "Late", "123", 3});
  }
  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  LinkedHost services_{host_.Link(), nullptr};
};

TEST_F(ContactLookupTest, MatchesTheWholeIdTextOfAContactOnly) {
  const host::ContactItem* item = FindContactItem(services_, "123");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->handle, 14);
  EXPECT_STREQ(item->displayName, "Ewa");
  EXPECT_EQ(FindContactItem(services_, "12"), nullptr);
  EXPECT_EQ(FindContactItem(services_, "12345"), nullptr);
  EXPECT_EQ(FindContactItem(services_, "1234")->handle, 11);
  std::vector<standin::ServiceCall> calls = host_.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].service, "Tlen/ContactList/EnumerateItems");
  EXPECT_EQ(calls[0].decoded, "kind=3");
}

TEST_F(ContactLookupTest, NamesPeersByDisplayNameOrNumber) {
  EXPECT_EQ(PeerDisplayName(services_, 123), "Ewa");
  EXPECT_EQ(PeerDisplayName(services_, 99), "99");
  EXPECT_EQ(UinText(0xFFFFFFFFu), "-1");
}

}  // namespace
}  // namespace kvel::gg

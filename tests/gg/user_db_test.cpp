// UserDB against the stand-in host's contact list and icon services, with
// counted stand-in bitmaps.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <sstream>
#include <thread>

#include "contact_list_icons.h"
#include "gg/peer_address.h"
#include "gg/user_db.h"
#include "host/linked_host.h"
#include "stand_in_host.h"
#include "support/bounded_wait.h"
#include "support/test_paths.h"
#include "wire/peer_state.h"

namespace kvel::gg {
namespace {
using host::Param;

// Fake handles: 0x1000 + resource id.
platform::Bitmap FakeBitmap(int id) {
  return reinterpret_cast<platform::Bitmap>(static_cast<uintptr_t>(0x1000 + id));
}

struct BitmapLog {
  std::vector<int> loaded;
  std::vector<platform::Bitmap> deleted;
  int failing = 0;  // a resource id that does not load
  BitmapFunctions Functions() {
    BitmapFunctions f;
    f.load = [this](int id) {
      loaded.push_back(id);
      return id == failing ? nullptr : FakeBitmap(id);
    };
    f.size = [](platform::Bitmap, int32_t* width, int32_t* height) {
      *width = 16;
      *height = 16;
      return true;
    };
    f.remove = [this](platform::Bitmap bitmap) { deleted.push_back(bitmap); };
    return f;
  }
};

// "service item bitmap" for each icon call, e.g. "Add 11 9984", "Remove 11".
std::vector<std::string> IconSequence(const std::vector<standin::IconCall>& calls) {
  std::vector<std::string> out;
  for (const standin::IconCall& call : calls) {
    std::ostringstream line;
    line << call.service.substr(call.service.rfind('/') + 1) << " " << call.item;
    if (!call.image.empty()) {
      uintptr_t bitmap;
      std::memcpy(&bitmap, call.image.data() + offsetof(host::ImageRecord, bitmap), sizeof bitmap);
      line << " " << bitmap - 0x1000;
    }
    out.push_back(line.str());
  }
  return out;
}

class UserDBTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.AddContact({11, "Ala", "1001", 3});
    host_.AddContact({12, "Bolek", "1002", 3});
    host_.AddContact({13, "Cezary", "1003", 3});
    host_.AddContact({14, "Group", "1004", 5});  // not a contact item
  }
  void TearDown() override { db_.reset(); }
  void Mask(uint16_t mask) { settings_.iconMask = mask; }
  std::vector<std::string> Icons() { return IconSequence(icons_.Calls()); }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  standin::ContactListIcons icons_{host_};
  BitmapLog bitmaps_;
  host::LinkedHost services_{host_.Link(), nullptr};
  Settings settings_;
  std::unique_ptr<UserDB> db_ =
      std::make_unique<UserDB>(services_, settings_, bitmaps_.Functions());
};

using Lines = std::vector<std::string>;

TEST_F(UserDBTest, SecondSetUserOverwritesTheEntry) {
  db_->SetUser(1001, 0x0100000A, 1550);
  db_->SetUser(1001, 0x0200000A, 1);
  EXPECT_EQ(db_->Size(), 1u);
  EXPECT_EQ(db_->Find(1001)->ip, 0x0200000Au);
  EXPECT_EQ(db_->Find(1001)->port, 1);
  EXPECT_FALSE(db_->Find(4242));
}

TEST_F(UserDBTest, PortsGiveTheirStatesIcons) {
  struct Case {
    uint16_t port;
    int state;
  } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {1550, 3}, {40000, 3}, {65535, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(wire::PeerStateOf(c.port), c.state) << c.port;
    db_->SetUser(1001, 1, c.port);
    ASSERT_TRUE(icons_.Current(11)) << c.port;
    EXPECT_EQ(icons_.Current(11)->bitmap, reinterpret_cast<Param>(FakeBitmap(9981 + c.state)))
        << c.port;
  }
}

TEST_F(UserDBTest, BitmapsLoadOnceAtTheFirstListedContact) {
  db_->SetUser(777, 1, 1550);   // not listed: no icon, no bitmaps
  db_->SetUser(1004, 1, 1550);  // listed, but not as a contact
  EXPECT_TRUE(bitmaps_.loaded.empty());
  EXPECT_EQ(db_->Size(), 2u);
  db_->SetUser(1001, 1, 1550);
  db_->SetUser(1002, 1, 0);
  db_->SetUser(1001, 1, 1);
  EXPECT_EQ(bitmaps_.loaded, (std::vector<int>{9981, 9982, 9983, 9984}));
  EXPECT_TRUE(bitmaps_.deleted.empty());

  // Destruction empties the table first (every listed contact loses its
  // icon), then deletes the four bitmaps.
  icons_.ClearCalls();
  db_.reset();
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 11", "RemoveItemIcon 12"}));
  EXPECT_EQ(bitmaps_.deleted.size(), 4u);
  EXPECT_EQ(bitmaps_.loaded.size(), 4u);
}

TEST_F(UserDBTest, BitmapThatFailedToLoadRemovesTheIcon) {
  bitmaps_.failing = 9984;
  db_->SetUser(1001, 1, 0);
  db_->SetUser(1001, 1, 1550);
  db_->SetUser(1001, 1, 1560);
  EXPECT_EQ(Icons(), (Lines{"ChangeItemIcon 11 9981", "AddItemIcons 11 9981", "RemoveItemIcon 11",
                            "RemoveItemIcon 11"}));
  EXPECT_EQ(bitmaps_.loaded.size(), 4u);  // not retried
}

TEST_F(UserDBTest, RemoveUserTakesListedContactsIconsOnly) {
  db_->RemoveUser(1002);  // listed, no entry: icon removed all the same
  db_->SetUser(777, 5, 1550);
  db_->RemoveUser(777);  // not listed: entry erased, no icon call
  EXPECT_EQ(db_->Size(), 0u);
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 12"}));
}

TEST_F(UserDBTest, ClearUsersRemovesInIncreasingOrder) {
  Mask(0);
  db_->SetUser(1003, 1, 1550);
  db_->SetUser(1001, 1, 1550);
  db_->SetUser(1002, 1, 1550);
  host_.ClearCalls();
  db_->ClearUsers();
  EXPECT_EQ(db_->Size(), 0u);
  EXPECT_EQ(host_.CallNames(),
            (Lines{"Tlen/ContactList/EnumerateItems", "Tlen/ContactList/RemoveItemIcon",
                   "Tlen/ContactList/EnumerateItems", "Tlen/ContactList/RemoveItemIcon",
                   "Tlen/ContactList/EnumerateItems", "Tlen/ContactList/RemoveItemIcon"}));
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 11", "RemoveItemIcon 12", "RemoveItemIcon 13"}));
}

TEST_F(UserDBTest, KeysAreSignedNumbers) {
  host_.AddContact({21, "Max", "5", 3});
  host_.AddContact({22, "Neg", "-1", 3});
  host_.AddContact({23, "Min", "-2147483648", 3});
  Mask(0);
  db_->SetUser(5, 1, 2);
  db_->SetUser(0xFFFFFFFFu, 1, 2);
  db_->SetUser(0x80000000u, 1, 2);
  db_->ClearUsers();
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 23", "RemoveItemIcon 22", "RemoveItemIcon 21"}));
}

TEST_F(UserDBTest, HostMayReadTheTableWhileItIsCalled) {
  // The host's icon and enumeration services call back into the table; a
  // lock held across a host call would deadlock here.
  std::vector<size_t> seen;
  for (const char* service : {"Tlen/ContactList/ChangeItemIcon", "Tlen/ContactList/RemoveItemIcon"})
    host_.RegisterService(service, [&](standin::Host&, standin::ServiceCall&) {
      seen.push_back(db_->Size());
      return Param{0};
    });
  db_->SetUser(1001, 1, 1550);
  db_->SetUser(1002, 1, 1);
  db_->ClearUsers();
  EXPECT_EQ(seen, (std::vector<size_t>{1, 2, 1, 0}));
}

TEST_F(UserDBTest, PeerLookUpNeverPairsOneAddressWithAnotherPort) {
  // Connection threads read while the hook's thread writes: the address and
  // port a connection uses come from one status packet, and removals tear
  // nothing either.
  Mask(0);
  std::atomic<bool> done{false};
  testing::BoundedThread writer("the writer of entries", [&] {
    for (uint32_t i = 0; !done.load(); ++i) {
      if (i % 7 == 0)
        db_->RemoveUser(1001);
      else if (i % 2 == 0)
        db_->SetUser(1001, 0x0100000A, 1550);
      else
        db_->SetUser(1001, 0x0200000A, 1560);
    }
  });
  int torn = 0;
  for (int i = 0; i < 200000; ++i) {
    const PeerAddress peer = LookupPeerAddressIn(*db_, 1001);
    const bool first = peer.ip == 0x0100000A && peer.port == 1550;
    const bool second = peer.ip == 0x0200000A && peer.port == 1560;
    const bool none = peer.ip == 0 && peer.port == 0;
    if (!first && !second && !none) ++torn;
  }
  done.store(true);
  writer.Join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace kvel::gg

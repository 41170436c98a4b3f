// An owned socket is closed exactly when its last owner lets it go. A closed
// socket refuses a send at once, an open one carries the byte to its peer.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform/socket_handle.h"
#include "support/loopback_pair.h"

namespace kvel::platform {
namespace {

// True when `socket` is still open: a byte sent on it reaches `peer`.
bool Carries(Socket socket, Socket peer) {
  const char sent = 'x';
  if (SendSome(socket, &sent, 1) != 1) return false;
  char received = 0;
  return ReceiveSome(peer, &received, 1) == 1 && received == sent;
}

struct OwnershipCase {
  const char* name;
  // What becomes of a handle that owns `socket`.
  std::function<void(Socket socket)> fate;
  bool open;  // afterwards
};

TEST(SocketHandle, ClosesOnceItsLastOwnerEnds) {
  const OwnershipCase cases[] = {
      {"destroyed", [](Socket s) { SocketHandle handle(s); }, false},
      {"reset",
       [](Socket s) {
         SocketHandle handle(s);
         handle.Reset();
         handle.Reset();
       },
       false},
      {"released",
       [](Socket s) {
         SocketHandle handle(s);
         EXPECT_EQ(handle.Release(), s);
       },
       true},
      {"moved out, then the source ends",
       [](Socket s) {
         SocketHandle target;
         {
           SocketHandle source(s);
           target = std::move(source);
           EXPECT_FALSE(source.Valid());
         }
         EXPECT_EQ(target.Release(), s);
       },
       true},
      {"moved into a handle that ends",
       [](Socket s) {
         SocketHandle source(s);
         SocketHandle target(std::move(source));
       },
       false},
  };
  for (const OwnershipCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::LoopbackPair pair = testing::MakeLoopbackPair();
    ASSERT_NE(pair.b, kInvalidSocket);
    c.fate(pair.a);
    EXPECT_EQ(Carries(pair.a, pair.b), c.open);
    if (!c.open) pair.a = kInvalidSocket;  // closed already
    testing::CloseLoopbackPair(pair);
  }
}

TEST(SocketHandle, MovingOverAnOwnedSocketClosesThatOne) {
  testing::LoopbackPair first = testing::MakeLoopbackPair();
  testing::LoopbackPair second = testing::MakeLoopbackPair();
  ASSERT_NE(first.b, kInvalidSocket);
  ASSERT_NE(second.b, kInvalidSocket);
  {
    SocketHandle handle(first.a);
    handle = SocketHandle(second.a);
    EXPECT_EQ(handle.Get(), second.a);
    EXPECT_FALSE(Carries(first.a, first.b));
    EXPECT_TRUE(Carries(second.a, second.b));
  }
  EXPECT_FALSE(Carries(second.a, second.b));
  first.a = second.a = kInvalidSocket;
  testing::CloseLoopbackPair(first);
  testing::CloseLoopbackPair(second);
}

}  // namespace
}  // namespace kvel::platform

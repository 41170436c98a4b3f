// A connect with a limit of its own: it stands, fails as the system says,
// or is called off, and the socket it gives blocks as any other.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/tcp_connect.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/loopback.h"

namespace kvel::platform {
namespace {

TEST(ConnectTcpWithin, StandsFailsOrIsCalledOff) {
  testing::LoopbackServer server;
  ASSERT_NE(server.Port(), 0);
  const uint16_t nobody = testing::FreePort();
  struct Case {
    const char* name;
    uint16_t port;
    bool givenUp;
    bool stands;
  };
  const Case cases[] = {
      {"a listener", server.Port(), false, true},
      {"nobody listening", nobody, false, false},
      // Called off: no connection is kept, whether or not one stood.
      {"called off", server.Port(), true, false},
  };
  for (const Case& c : cases) {
    Error error{"untouched", -5};
    std::atomic<int> asked{0};
    SocketHandle socket = ConnectTcpWithin(
        testing::LoopbackAddress(), c.port, 5000,
        [&] {
          ++asked;
          return c.givenUp;
        },
        &error);
    EXPECT_EQ(socket.Valid(), c.stands) << c.name;
    if (c.stands) {
      EXPECT_STREQ(error.operation, "untouched") << c.name;
      SocketHandle accepted(server.Accept());
      ASSERT_TRUE(accepted.Valid()) << c.name;
      // It blocks: a read waits for the byte the peer sends later.
      testing::BoundedThread later("the peer sending its byte later", [&] {
        SleepMilliseconds(100);
        const char byte = 'x';
        SendSome(accepted.Get(), &byte, 1);
      });
      char got = 0;
      EXPECT_EQ(ReceiveSome(socket.Get(), &got, 1), 1) << c.name;
      later.Join();
    } else {
      EXPECT_STREQ(error.operation, "connect") << c.name;
      EXPECT_NE(error.code, TimedOutCode()) << c.name;
      // Refused: the system's own code; called off: none.
      EXPECT_EQ(error.code != 0, !c.givenUp) << c.name;
      EXPECT_GE(asked.load(), 1) << c.name;
    }
  }
}

}  // namespace
}  // namespace kvel::platform

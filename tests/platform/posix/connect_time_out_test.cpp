// A connect that cannot stand in time: a listener whose backlog is full
// drops the opening segment, so the connection stays under way until the
// limit runs out, or until it is called off. Natively only: how a full
// backlog behaves is the kernel's.
#include <gtest/gtest.h>

#include <vector>

#include "platform/tcp_connect.h"
#include "support/loopback.h"

namespace kvel::platform {
namespace {

TEST(ConnectTcpWithin, RunsOutOfTimeOrIsCalledOffWhileUnderWay) {
  testing::StartSockets();
  SocketHandle listener(CreateTcpSocket());
  ASSERT_TRUE(BindSocket(listener.Get(), testing::LoopbackAddress(), 0));
  ASSERT_TRUE(ListenSocket(listener.Get(), 0));
  const uint16_t port = LocalPort(listener.Get());
  // Fill the backlog with connections nobody accepts.
  std::vector<SocketHandle> waiting;
  for (int i = 0; i < 8; ++i) {
    waiting.emplace_back(CreateTcpSocket());
    SetNonBlocking(waiting.back().Get(), true);
    BeginConnect(waiting.back().Get(), testing::LoopbackAddress(), port);
  }
  struct Case {
    const char* name;
    bool givenUp;
    int code;
  };
  for (const Case& c : {Case{"runs out", false, TimedOutCode()}, Case{"called off", true, 0}}) {
    Error error;
    SocketHandle socket = ConnectTcpWithin(
        testing::LoopbackAddress(), port, 300, [&] { return c.givenUp; }, &error);
    EXPECT_FALSE(socket.Valid()) << c.name;
    EXPECT_STREQ(error.operation, "connect") << c.name;
    EXPECT_EQ(error.code, c.code) << c.name;
  }
}

}  // namespace
}  // namespace kvel::platform

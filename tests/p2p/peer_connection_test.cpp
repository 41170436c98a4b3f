// The sender's end of a transfer over a real loopback connection: ending
// the sending side and waiting, within a limit, for the receiver's close.
#include <gtest/gtest.h>

#include <vector>

#include "p2p/peer_connection.h"
#include "support/loopback.h"
#include "support/loopback_pair.h"

namespace kvel::p2p {
namespace {

TEST(PeerConnection, WaitForPeerCloseIsTrueOnlyForAClose) {
  enum class Peer { Closes, SendsThenCloses, StaysOpen, ShutsDown };
  const struct {
    const char* name;
    Peer peer;
    bool closed;
  } cases[] = {
      {"closes", Peer::Closes, true},
      {"sends 100 000 bytes, then closes", Peer::SendsThenCloses, true},
      {"ends its sending side only", Peer::ShutsDown, true},
      {"stays open", Peer::StaysOpen, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::LoopbackPair pair = testing::MakeLoopbackPair();
    ASSERT_NE(pair.a, platform::kInvalidSocket);
    PeerConnection sender(pair.a, nullptr);
    sender.ShutdownSend();
    // The receiver reads the end of the stream at once.
    char byte;
    EXPECT_EQ(platform::ReceiveSome(pair.b, &byte, 1), 0);
    switch (c.peer) {
      case Peer::Closes:
        platform::CloseSocket(pair.b);
        pair.b = platform::kInvalidSocket;
        break;
      case Peer::SendsThenCloses:
        EXPECT_TRUE(testing::SendAll(pair.b, std::vector<uint8_t>(100000, 7)));
        platform::CloseSocket(pair.b);
        pair.b = platform::kInvalidSocket;
        break;
      case Peer::ShutsDown:
        platform::ShutdownSend(pair.b);
        break;
      case Peer::StaysOpen:
        break;
    }
    EXPECT_EQ(sender.WaitForPeerClose(200), c.closed);
    testing::CloseLoopbackPair(pair);
  }
}

}  // namespace
}  // namespace kvel::p2p

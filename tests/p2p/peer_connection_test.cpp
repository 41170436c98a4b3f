// The sender's end of a transfer over a real loopback connection: ending
// the sending side and waiting, within a limit, for the receiver's close.
#include <gtest/gtest.h>

#include <vector>

#include "p2p/connection/peer_connection.h"
#include "platform/threads/threads.h"
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
    PeerConnection sender(pair.a, nullptr, &platform::TickCount);
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

// Looked at without waiting and without taking what is there to read.
TEST(PeerConnection, PeerGoneOnlyOnceNothingIsLeftBeforeTheEnd) {
  enum class Peer { StaysOpen, SendsAByte, ShutsDown, Closes, SendsThenCloses };
  const struct {
    Peer peer;
    bool gone;
  } cases[] = {
      {Peer::StaysOpen, false}, {Peer::SendsAByte, false},      {Peer::ShutsDown, true},
      {Peer::Closes, true},     {Peer::SendsThenCloses, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.peer));
    testing::LoopbackPair pair = testing::MakeLoopbackPair();
    ASSERT_NE(pair.a, platform::kInvalidSocket);
    if (c.peer == Peer::SendsAByte || c.peer == Peer::SendsThenCloses) {
      EXPECT_TRUE(testing::SendAll(pair.b, std::vector<uint8_t>(1, 7)));
    }
    if (c.peer == Peer::ShutsDown) platform::ShutdownSend(pair.b);
    if (c.peer == Peer::Closes || c.peer == Peer::SendsThenCloses) {
      platform::CloseSocket(pair.b);
      pair.b = platform::kInvalidSocket;
    }
    // What the peer did takes a moment to arrive.
    if (c.peer != Peer::StaysOpen) {
      EXPECT_EQ(platform::WaitReadable(pair.a, 5000), 1);
    }
    PeerConnection connection(pair.a, nullptr, &platform::TickCount);
    EXPECT_EQ(connection.PeerGone(), c.gone);
    EXPECT_EQ(connection.PeerGone(), c.gone);  // nothing was taken
    testing::CloseLoopbackPair(pair);
  }
}

}  // namespace
}  // namespace kvel::p2p

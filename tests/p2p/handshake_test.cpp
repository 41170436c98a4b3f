// The handshake as connection threads run it over loopback sockets: what
// each side lists and runs afterwards. Its bytes, splits and stops are tested
// over a scripted connection (handshake_steps_test.cpp).
#include <gtest/gtest.h>

#include <thread>

#include "p2p/connection/connection_services.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

// One side of the handshake run by a connection thread; the other side is
// played by the test over a loopback socket.
class HandshakeTest : public ::testing::Test {
 protected:
  void SetUp() override { StartSockets(); }

  // The called side: a connection thread on the socket the test connects
  // to from the loopback address `source`.
  void StartCalled(const char* source = "127.0.0.1") {
    Socket peer = ConnectLoopbackFrom(server_.Port(), source);
    ASSERT_NE(peer, platform::kInvalidSocket);
    Socket accepted = server_.Accept();
    ASSERT_NE(accepted, platform::kInvalidSocket);
    peer_ = peer;
    p2p::ConnectionRequest request;
    request.socket = platform::SocketHandle(accepted);
    request.services = probe_.Services();
    thread_ = testing::BoundedThread("connection", p2p::RunConnection, std::move(request));
  }

  // The calling side: a connection thread that calls the test's server.
  void StartCaller(uint32_t peerUin, uint32_t code) {
    probe_.SetPeer({LoopbackAddress(), server_.Port()});
    p2p::ConnectionRequest request;
    request.outgoing = true;
    request.uin = peerUin;
    request.directionCode = code;
    request.services = probe_.Services();
    thread_ = testing::BoundedThread("connection", p2p::RunConnection, std::move(request));
    peer_ = server_.Accept();
    ASSERT_NE(peer_, platform::kInvalidSocket);
  }

  void Join() { thread_.Join(); }

  // Begins the next case of a test that runs several: the last case's
  // connection is over and its socket closed, and a fresh probe is in place.
  ConnectionProbe& NextCase() {
    Join();
    if (peer_ != platform::kInvalidSocket) platform::CloseSocket(peer_);
    peer_ = platform::kInvalidSocket;
    probe_ = ConnectionProbe();
    return probe_;
  }

  void TearDown() override {
    if (peer_ != platform::kInvalidSocket) platform::ShutdownBoth(peer_);
    Join();
    if (peer_ != platform::kInvalidSocket) platform::CloseSocket(peer_);
  }

  LoopbackServer server_;
  ConnectionProbe probe_;
  testing::BoundedThread thread_;
  Socket peer_ = platform::kInvalidSocket;
};

// A receiving side learns where its connection comes from and where the GG
// server says the claimed contact is: what trusting its offer depends on.
TEST_F(HandshakeTest, AReceivingSideKnowsWhereItsConnectionComesFrom) {
  const uint32_t home = LoopbackAddress();
  const uint32_t other = platform::InetAddr("127.0.0.2");
  struct Case {
    const char* name;
    bool called;         // the test calls; else this side calls with code 3
    const char* source;  // where the test calls from
    uint32_t remote;
  };
  const Case cases[] = {
      {"CalledFromTheAnnouncedAddress", true, "127.0.0.1", home},
      {"CalledFromAnotherAddress", true, "127.0.0.2", other},
      {"CallingThePeer", false, nullptr, home},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionProbe& probe = NextCase();
    probe.SetPeer({home, server_.Port()});
    if (c.called) {
      StartCalled(c.source);
      ASSERT_TRUE(SendAll(peer_, Words({4321, 9999})));
      EXPECT_EQ(ReadExactly(peer_, 4), kAnswerBytes);
      ASSERT_TRUE(SendWord(peer_, wire::kPushCode));
    } else {
      StartCaller(4321, wire::kPullCode);
      EXPECT_EQ(ReadExactly(peer_, 8), Words({0, 4321}));
      ASSERT_TRUE(SendAll(peer_, kAnswerBytes));
      EXPECT_EQ(ReadExactly(peer_, 4), Words({wire::kPullCode}));
    }
    ReadUntilClosed(peer_);
    Join();
    ASSERT_EQ(probe.Origins().size(), 1u);
    const transfers::OfferOrigin origin = probe.Origins()[0];
    EXPECT_EQ(origin.remoteAddress, c.remote);
    EXPECT_EQ(origin.announcedAddress, home);
    EXPECT_FALSE(origin.answersOwnCallBack);
  }
}

size_t CallBackLines(const ConnectionProbe& probe) {
  size_t count = 0;
  for (const std::string& line : probe.LogLines()) count += line.rfind("call-back", 0) == 0;
  return count;
}

// A code-3 caller gets the file only when this side asked its contact to
// call back and it is that contact: from the address the GG server
// announced, or (where the contact may sit behind a router) from another
// one the user lets call. A stranger leaves the wait to the real call-back.
TEST_F(HandshakeTest, CalledSideOffersAFileOnlyToTheContactItAskedForACallBack) {
  struct Case {
    const char* name;
    uint32_t asked;         // whose call-back this side awaits (0: nobody's)
    const char* source;     // where the caller claiming 4321 is
    const char* announced;  // where the server says 4321 is
    bool userSaysYes;       // asked when 4321 may be behind a router
    bool served;
    bool userAsked;
    std::string log;
  };
  const std::string who = "peer=4321 from=127.0.0.2 announced=";
  const Case cases[] = {
      {"asked nobody", 0, "127.0.0.1", "127.0.0.1", false, false, false,
       "call-back nobody asked for refused: 4321"},
      {"asked this contact", 4321, "127.0.0.1", "127.0.0.1", false, true, false, ""},
      {"a stranger beside a contact on this machine", 4321, "127.0.0.2", "127.0.0.1", true, false,
       false, "call-back not from the contact's address, refused: " + who + "127.0.0.1"},
      {"a stranger beside a public contact", 4321, "127.0.0.2", "80.1.2.3", true, false, false,
       "call-back not from the contact's address, refused: " + who + "80.1.2.3"},
      {"no address announced, the user says no", 4321, "127.0.0.2", "0.0.0.0", false, false, true,
       "call-back from another address, not allowed by the user: " + who + "0.0.0.0"},
      {"a contact behind a router, the user says yes", 4321, "127.0.0.2", "192.168.1.5", true, true,
       true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionProbe& probe = NextCase();
    probe.SetPeer({platform::InetAddr(c.announced), 1560});
    probe.AnswerForeign(c.userSaysYes);
    if (c.asked != 0) probe.ExpectCallBack(c.asked);
    StartCalled(c.source);
    ASSERT_TRUE(SendAll(peer_, Words({4321, 9999})));
    EXPECT_EQ(ReadExactly(peer_, 4), kAnswerBytes);
    ASSERT_TRUE(SendWord(peer_, wire::kPullCode));
    EXPECT_TRUE(ReadUntilClosed(peer_).empty());
    Join();
    EXPECT_EQ(probe.ForeignAsked().size(), c.userAsked ? 1u : 0u);
    if (c.served) {
      EXPECT_EQ(probe.EventNames(), (std::vector<std::string>{"add", "send", "remove"}));
      EXPECT_EQ(CallBackLines(probe), 0u);
    } else {
      EXPECT_TRUE(probe.Events().empty());
      EXPECT_EQ(probe.LogLines(), std::vector<std::string>{c.log});
      // The wait stays for the contact's own call-back.
      EXPECT_EQ(probe.CallBacks().CountOf(4321), c.asked == 4321 ? 1u : 0u);
    }
  }
}

// The user's answer about a caller at another address covers that
// contact's later call-backs from there while its waits last.
TEST_F(HandshakeTest, OneQuestionCoversTheContactsCallBacksFromThatAddress) {
  probe_.SetPeer({0, 0});  // the server announced no address
  probe_.AnswerForeign(true);
  for (int i = 0; i < 3; ++i) probe_.ExpectCallBack(4321);
  std::vector<testing::BoundedThread> callers;
  for (int i = 0; i < 2; ++i) {
    Socket peer = ConnectLoopbackFrom(server_.Port(), "127.0.0.2");
    ASSERT_NE(peer, platform::kInvalidSocket);
    p2p::ConnectionRequest request;
    request.socket = platform::SocketHandle(server_.Accept());
    request.services = probe_.Services();
    callers.emplace_back("a call-back's connection", p2p::RunConnection, std::move(request));
    ASSERT_TRUE(SendAll(peer, Words({4321, 9999, wire::kPullCode})));
    ReadUntilClosed(peer);
    platform::CloseSocket(peer);
  }
  for (testing::BoundedThread& caller : callers) caller.Join();
  EXPECT_EQ(probe_.ForeignAsked().size(), 1u);
  EXPECT_EQ(probe_.CallBacks().CountOf(4321), 1u);
}

// Both sides are connection threads: the caller's thread calls the called
// side's listening socket, as two plug-ins do. Each lists the other (the
// called peer, whatever the code) and runs the file procedure of the code
// on the transfer's socket. (The bytes of either side: handshake_steps_test.)
TEST(BothSides, AgreeOnWhoSendsForEitherCode) {
  StartSockets();
  struct Case {
    uint32_t code;
    transfers::TransferDirection caller, called;
  };
  for (const Case& c : {Case{wire::kPushCode, transfers::Send, transfers::Receive},
                        Case{wire::kPullCode, transfers::Receive, transfers::Send}}) {
    LoopbackServer server;
    ConnectionProbe caller;
    ConnectionProbe called;
    called.ExpectCallBack(1111);  // code 3 answers a call-back this side asked for
    caller.SetOwnUin(1111);
    caller.SetPeer({LoopbackAddress(), server.Port()});
    ASSERT_TRUE(p2p::StartOutgoing(2222, c.code, caller.Services()));
    Socket accepted = server.Accept();
    ASSERT_NE(accepted, platform::kInvalidSocket);
    p2p::StartIncoming(accepted, called.Services());
    for (auto [probe, peer, direction] :
         {std::tuple{&caller, 2222u, c.caller}, std::tuple{&called, 1111u, c.called}}) {
      ASSERT_TRUE(probe->WaitEnded(1));
      const std::vector<TransferEvent> events = probe->Events();
      ASSERT_EQ(probe->EventNames(),
                (std::vector<std::string>{"add", direction == transfers::Send ? "send" : "receive",
                                          "remove"}));
      EXPECT_EQ(probe->Ended(), 1);
      for (const TransferEvent& event : events) EXPECT_EQ(event.uin, peer);
      // The transfer's socket, from the listing on when this side was called.
      EXPECT_NE(events[1].socket, platform::kInvalidSocket);
      EXPECT_EQ(events[2].socket, events[1].socket);
      if (probe == &called) {
        EXPECT_EQ(events[0].socket, events[1].socket);
      }
      EXPECT_EQ(events[0].direction, direction);
    }
  }
}

}  // namespace
}  // namespace kvel::testing

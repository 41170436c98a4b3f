// Every send this user starts ends with one outcome, one log line and, where
// the user should know, one box: a send that cannot reach its contact
// directly asks the contact to call back and waits for that, listed all the
// while. The peer is played by the test over loopback, and the connect is
// injected where loopback cannot fail it (a connect that times out); every
// limit is short.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/reach/own_sends.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "wait_until.h"
#include "wire/dc_request.h"
#include "wire/handshake.h"
#include "wire/transfer_records.h"

namespace kvel::testing {
namespace {

using e2e::WaitUntil;
using platform::Socket;
using transfers::TransferOutcome;

constexpr uint32_t kOwn = 1001;
constexpr uint32_t kContact = 777;

// One send and the peer the test plays for it; every thread and socket of
// the peer goes with it.
class Scene {
 public:
  explicit Scene(p2p::ConnectionLimits limits = ShortLimits(300, 400)) : probe(limits) {
    StartSockets();
    probe.SetOwnUin(kOwn);
    probe.NameContact(kContact, "Bolek");
  }
  ~Scene() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Socket socket : sockets_) platform::ShutdownBoth(socket);
    }
    for (testing::BoundedThread& thread : peers_) thread.Join();
    for (Socket socket : sockets_) platform::CloseSocket(socket);
  }

  // The user clicks "Wyślij plik": a direct connection to the contact.
  bool Send() { return p2p::StartOutgoing(kContact, wire::kPushCode, probe.Services()); }
  // A contact that takes nobody's calls: a port nobody listens on.
  void Unlistening() { probe.SetPeer({LoopbackAddress(), FreePort()}); }
  // A contact that takes the call and answers `answer` to its hello, then
  // keeps the connection; `then` plays the rest.
  void Answering(std::vector<uint8_t> answer, std::function<void(Socket)> then = nullptr) {
    probe.SetPeer({LoopbackAddress(), server_.Port()});
    peers_.emplace_back("the contact answering the call", [this, answer, then] {
      const Socket called = server_.Accept();
      if (called == platform::kInvalidSocket) return;
      Keep(called);
      if (ReadExactly(called, 8).size() != 8) return;
      if (!answer.empty() && !SendAll(called, answer)) return;
      if (then) then(called);
    });
  }
  // The contact calls back with code 3, as its plug-in does on the request.
  void CallBack() { Keep(CallIn(probe, kContact, kOwn, wire::kPullCode)); }
  // Waits until the send's transfer has ended; its "remove" event.
  const TransferEvent* Ended() {
    const TransferEvent* ended = nullptr;
    WaitUntil(
        [&] {
          events_ = probe.Events();
          for (const TransferEvent& event : events_)
            if (event.what == "remove") ended = &event;
          return ended != nullptr;
        },
        10000);
    return ended;
  }
  bool WaitForPacket() {
    return WaitUntil([&] { return !probe.Packets().empty(); }, 5000);
  }
  transfers::TransferId Listed() {
    for (const TransferEvent& event : probe.Events())
      if (event.what == "add") return event.id;
    return 0;
  }

  ConnectionProbe probe;

 private:
  void Keep(Socket socket) {
    std::lock_guard<std::mutex> lock(mutex_);
    sockets_.push_back(socket);
  }

  LoopbackServer server_;
  std::mutex mutex_;
  std::vector<Socket> sockets_;
  std::vector<testing::BoundedThread> peers_;
  std::vector<TransferEvent> events_;
};

// A file procedure that reads the peer's answer to an offer (its code is
// what the outcome is judged by) and fails.
bool ReadAnswerAndFail(p2p::PeerConnection& connection, transfers::TransferHandle& transfer) {
  transfer.NameFile("C:\\pliki\\raport.pdf");
  uint8_t answer[12];
  transfers::ReadExact(connection, answer, sizeof answer);
  return false;
}

size_t Count(const std::vector<TransferEvent>& events, const std::string& what) {
  size_t count = 0;
  for (const TransferEvent& event : events) count += event.what == what;
  return count;
}

// (A send the peer refuses: transfer_outcome_test.cpp; unloading while sends
// wait: send_queue_test.cpp and awaited_call_backs_test.cpp.)
TEST(FailingSends, EachEndsWithOneOutcomeOneLogLineAndTheBoxThatIsDue) {
  struct Case {
    const char* name;
    std::function<void(Scene&)> play;
    TransferOutcome outcome;
    std::string line;      // the one log line
    size_t boxes;          // told of, as a transfer or as a send that never reached
    size_t requests;       // call-back requests sent
    bool noPlace = false;  // the connections have no place at all
  };
  const std::string noCallBack = ", no call-back within 400 ms";
  const Case cases[] = {
      {"connection refused",
       [](Scene& s) {
         s.Unlistening();
         s.Send();
       },
       TransferOutcome::Failed, "", 1, 1},
      {"silent: the connect times out",
       [](Scene& s) {
         s.probe.SetPeer({LoopbackAddress(), 1560});
         s.probe.SetConnect([](uint32_t, uint16_t, uint32_t, platform::Error* error) {
           *error = {"connect", platform::TimedOutCode()};
           return platform::SocketHandle();
         });
         s.Send();
       },
       TransferOutcome::Failed,
       "not connected: send peer=777 outcome=failed reason=connect timed out after 300 ms" +
           noCallBack,
       1, 1},
      {"no address in the peer table",
       [](Scene& s) {
         s.probe.SetPeer({0, 0});
         s.Send();
       },
       TransferOutcome::Failed,
       "not connected: send peer=777 outcome=failed reason=no address" + noCallBack, 1, 1},
      {"wrong handshake",
       [](Scene& s) {
         s.Answering({'U', 'D', 'A', 'X'});
         s.Send();
       },
       TransferOutcome::Failed,
       "not connected: send peer=777 outcome=failed reason=handshake failed" + noCallBack, 1, 1},
      {"silent handshake",
       [](Scene& s) {
         s.Answering({});
         s.Send();
       },
       TransferOutcome::Failed,
       "not connected: send peer=777 outcome=failed reason=handshake timed out" + noCallBack, 1, 1},
      {"asked to call back from the start, never calls",
       [](Scene& s) { p2p::AwaitCallBack(kContact, s.probe.Sends(), *s.probe.Services()); },
       TransferOutcome::Failed,
       "not connected: send peer=777 outcome=failed reason=no call-back within 400 ms", 1, 1},
      {"the call-back comes",
       [](Scene& s) {
         s.probe.SetFileProcedure(
             [](p2p::PeerConnection&, transfers::TransferHandle&) { return true; });
         s.Unlistening();
         s.Send();
         ASSERT_TRUE(s.WaitForPacket());
         s.CallBack();
       },
       TransferOutcome::Done, "transfer ended: send peer=777 bytes=0 outcome=done", 0, 1},
      {"refused by the cap",
       [](Scene& s) {
         s.Unlistening();
         EXPECT_FALSE(s.Send());
       },
       TransferOutcome::Failed, "too many connections, not calling: 777", 1, 0, true},
      {"failure mid-transfer",
       [](Scene& s) {
         s.probe.SetFileProcedure(&ReadAnswerAndFail);
         s.Answering(kAnswerBytes, [](Socket called) {
           ReadExactly(called, 4);
           SendAll(called, Words({wire::kReplyAccept}));
           platform::ShutdownBoth(called);
         });
         s.Send();
       },
       TransferOutcome::Failed, "transfer ended: send peer=777 bytes=0 outcome=failed", 1, 0},
      {"stopped by the user while it waits",
       [](Scene& s) {
         s.Unlistening();
         s.Send();
         ASSERT_TRUE(s.WaitForPacket());
         s.probe.Transfers().Stop(s.Listed());
       },
       TransferOutcome::Stopped, "not connected: send peer=777 outcome=stopped reason=connect ", 0,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    p2p::ConnectionLimits limits = ShortLimits(300, 400);
    if (c.noPlace) limits.maxConnections = 0;
    Scene scene(limits);
    c.play(scene);
    const TransferEvent* ended = scene.Ended();
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->outcome, c.outcome);
    EXPECT_EQ(ended->uin, kContact);
    // Listed once, from the click to the end, under one id.
    const std::vector<TransferEvent> events = scene.probe.Events();
    EXPECT_EQ(Count(events, "add"), 1u);
    EXPECT_EQ(Count(events, "remove"), 1u);
    EXPECT_EQ(events.front().what, "add");
    EXPECT_EQ(events.front().id, ended->id);
    // The last word is said as the transfer ends.
    EXPECT_TRUE(WaitUntil([&] { return !scene.probe.LogLines().empty(); }, 5000));
    const std::vector<std::string> lines = scene.probe.LogLines();
    ASSERT_EQ(lines.size(), 1u) << (lines.empty() ? "" : lines[0]);
    const std::string expected =
        c.line.empty() ? "not connected: send peer=777 outcome=failed reason=connect failed ("
                       : c.line;
    EXPECT_EQ(lines[0].substr(0, expected.size()), expected);
    EXPECT_EQ(scene.probe.Told().size() + scene.probe.Unreached().size(), c.boxes);
    const std::vector<std::vector<uint8_t>> packets = scene.probe.Packets();
    ASSERT_EQ(packets.size(), c.requests);
    for (const std::vector<uint8_t>& packet : packets) {
      const auto request = wire::EncodeDcRequest(kContact);
      EXPECT_EQ(packet, std::vector<uint8_t>(request.begin(), request.end()));
    }
  }
}

TEST(FailingSends, WhileItWaitsTheSendIsListedWithNoSocket) {
  Scene scene;
  scene.Unlistening();
  ASSERT_TRUE(scene.Send());
  ASSERT_TRUE(scene.WaitForPacket());
  const std::vector<transfers::Transfer> listed = scene.probe.Transfers().Snapshot();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].state, transfers::TransferState::Waiting);
  EXPECT_EQ(listed[0].awaits, transfers::Awaits::Connection);
  EXPECT_EQ(listed[0].contact, "Bolek");
  EXPECT_EQ(listed[0].direction, transfers::Send);
  EXPECT_EQ(listed[0].socket, platform::kInvalidSocket);
  EXPECT_EQ(scene.probe.CallBacks().CountOf(kContact), 1u);
  // No connection holds a place meanwhile.
  EXPECT_TRUE(WaitUntil([&] { return scene.probe.Connections().Count() == 0; }, 2000));
}

}  // namespace
}  // namespace kvel::testing

// How ended transfers are judged, logged and told: the pure rules, then
// whole connections whose peer the test plays over loopback sockets.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "p2p/connection.h"
#include "p2p/file_transfer.h"
#include "p2p/transfer_outcome.h"
#include "plugin/host.h"
#include "support/connection_probe.h"
#include "support/loopback.h"
#include "support/scripted_dialogs.h"
#include "support/test_paths.h"
#include "ui/window_holder.h"
#include "wire/handshake.h"
#include "wire/transfer_records.h"

namespace kvel::testing {
namespace {

using p2p::TransferOutcome;
using platform::Socket;

TEST(TransferOutcome, JudgedFromResultStopFileAndAnswer) {
  struct Case {
    bool succeeded, stopped;
    p2p::TransferDirection direction;
    bool fileKnown;
    std::optional<uint32_t> answer;
    TransferOutcome outcome;
  };
  const Case cases[] = {
      {true, false, p2p::Send, true, 6, TransferOutcome::Done},
      {true, true, p2p::Receive, true, {}, TransferOutcome::Done},
      {false, true, p2p::Send, true, 6, TransferOutcome::Stopped},
      {false, true, p2p::Receive, true, {}, TransferOutcome::Stopped},
      // Sending: the peer's answer decides, else whether a file was offered.
      {false, false, p2p::Send, true, wire::kReplyRefuse, TransferOutcome::Refused},
      {false, false, p2p::Send, true, wire::kReplyAccept, TransferOutcome::Failed},
      {false, false, p2p::Send, true, 99, TransferOutcome::Failed},
      {false, false, p2p::Send, true, {}, TransferOutcome::Failed},
      {false, false, p2p::Send, false, {}, TransferOutcome::Declined},
      // Receiving: failed only once this user took the file.
      {false, false, p2p::Receive, true, {}, TransferOutcome::Failed},
      {false, false, p2p::Receive, false, {}, TransferOutcome::Declined},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(p2p::JudgeTransfer(c.succeeded, c.stopped, c.direction, c.fileKnown, c.answer),
              c.outcome)
        << c.succeeded << c.stopped << c.direction << c.fileKnown << c.answer.value_or(0);
  }
}

TEST(TransferOutcome, LogLinesAndPolishNotices) {
  p2p::TransferReport report;
  report.peerUin = 1001;
  report.file = "C:\\dane\\raport.pdf";
  report.bytes = 4096;
  struct Case {
    p2p::TransferDirection direction;
    TransferOutcome outcome;
    std::string log, text, caption;
  };
  const std::string error =
      "B\xB3\xB9"
      "d";
  const Case cases[] = {
      {p2p::Send, TransferOutcome::Failed, "send peer=1001 bytes=4096 outcome=failed",
       "Nie uda\xB3o si\xEA wys\xB3"
       "a\xE6 pliku raport.pdf do Ala.",
       error},
      {p2p::Receive, TransferOutcome::Failed, "receive peer=1001 bytes=4096 outcome=failed",
       "Nie uda\xB3o si\xEA odebra\xE6 pliku raport.pdf od Ala.", error},
      {p2p::Send, TransferOutcome::Refused, "send peer=1001 bytes=4096 outcome=refused",
       "Plik raport.pdf nie zosta\xB3 przyj\xEAty przez Ala.",
       "Przesy\xB3"
       "anie pliku"},
      {p2p::Send, TransferOutcome::Done, "send peer=1001 bytes=4096 outcome=done", "", ""},
      {p2p::Receive, TransferOutcome::Stopped, "receive peer=1001 bytes=4096 outcome=stopped", "",
       ""},
      {p2p::Receive, TransferOutcome::Declined, "receive peer=1001 bytes=4096 outcome=declined", "",
       ""},
  };
  for (const Case& c : cases) {
    report.direction = c.direction;
    report.outcome = c.outcome;
    EXPECT_EQ(p2p::TransferLogLine(report), "transfer ended: " + c.log);
    EXPECT_EQ(p2p::WorthTelling(c.outcome), !c.text.empty()) << c.log;
    p2p::UserNotice notice = p2p::TransferNotice(report, "Ala");
    EXPECT_EQ(notice.text, c.text) << c.log;
    EXPECT_EQ(notice.caption, c.caption) << c.log;
  }
  // A transfer from an offset names it; the bytes are this connection's.
  report.direction = p2p::Send;
  report.outcome = TransferOutcome::Done;
  report.offset = 12000;
  EXPECT_EQ(p2p::TransferLogLine(report),
            "transfer ended: send peer=1001 bytes=4096 offset=12000 outcome=done");
  report.offset = 0;
  // A contact's name is bounded in the box.
  report.outcome = TransferOutcome::Failed;
  EXPECT_LT(p2p::TransferNotice(report, std::string(5000, 'x')).text.size(), 200u);
}

// A connection thread called by the test; its transfers go to the window.
class OutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSockets();
    SetHostLink(nullptr);  // contacts are named by number: no host left by other tests
    window_.Create(PluginId());
  }
  void TearDown() override {
    if (peer_ != platform::kInvalidSocket) platform::ShutdownBoth(peer_);
    ASSERT_TRUE(probe_.WaitEnded(1));
    if (peer_ != platform::kInvalidSocket) platform::CloseSocket(peer_);
    window_.Destroy();
  }
  // The peer pushes (code 2): this side receives under `procedure`.
  void CallIn(ConnectionProbe::FileProcedure procedure) {
    probe_.SetFileProcedure(std::move(procedure));
    peer_ = ConnectLoopback(server_.Port());
    p2p::StartIncoming(server_.Accept(), probe_.Services());
    std::array<uint8_t, 8> hello = wire::EncodeCallerHello(1001, 1);
    ASSERT_TRUE(SendAll(peer_, {hello.begin(), hello.end()}));
    ASSERT_EQ(ReadExactly(peer_, 4).size(), 4u);
    ASSERT_TRUE(SendWord(peer_, wire::kPushCode));
  }
  std::vector<std::string> Outcomes() {
    std::vector<std::string> lines;
    for (const std::string& line : probe_.LogLines())
      if (line.rfind("transfer ended: ", 0) == 0) lines.push_back(line);
    return lines;
  }

  ScriptedDialogsScope dialogs_;
  LoopbackServer server_;
  ui::WindowHolder window_;
  ConnectionProbe probe_{&window_};
  Socket peer_ = platform::kInvalidSocket;
};

// Reports a file and reads until the connection ends.
ConnectionProbe::FileProcedure TakeFileThenWait(p2p::TransferWindow& window) {
  return [&window](p2p::PeerConnection& connection, uint32_t) {
    const Socket s = connection.Socket();
    window.SetTransferFile(s, "C:\\odebrane\\film.avi", 1000, 0);
    window.AddProgress(s, 10);
    uint8_t byte;
    while (platform::ReceiveSome(s, &byte, 1) > 0) {
    }
    return false;
  };
}

TEST_F(OutcomeTest, APeerThatBreaksOffAnAgreedTransferIsToldOfAndLogged) {
  CallIn(TakeFileThenWait(window_));
  platform::ShutdownBoth(peer_);
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=10 "
                                                 "outcome=failed"});
  ASSERT_EQ(probe_.Told().size(), 1u);
  EXPECT_EQ(probe_.Told()[0].file, "C:\\odebrane\\film.avi");
  EXPECT_EQ(probe_.Told()[0].direction, p2p::Receive);
}

TEST_F(OutcomeTest, TheUsersOwnStopIsLoggedButNotToldOf) {
  CallIn(TakeFileThenWait(window_));
  ASSERT_TRUE(probe_.WaitForEvents(2));  // listed, file procedure running
  const Socket socket = probe_.Events()[0].socket;
  ASSERT_TRUE(window_.StopTransfer(socket));  // what the stop button does
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=10 "
                                                 "outcome=stopped"});
  EXPECT_TRUE(probe_.Told().empty());
}

TEST_F(OutcomeTest, AnOfferTheUserRefusesIsNotToldOf) {
  CallIn([this](p2p::PeerConnection& connection, uint32_t uin) {
    return p2p::ReceiveFile(ProcessHost(), window_, connection, uin);
  });
  ScriptedDialogs::QueueAnswer(false);
  ASSERT_TRUE(SendAll(peer_, {1, 0, 0, 0, 3, 0, 0, 0}));
  ASSERT_TRUE(SendAll(peer_, std::vector<uint8_t>(8 + wire::kFileInfoSize, 0)));
  EXPECT_EQ(ReadExactly(peer_, 12)[0], wire::kReplyRefuse);
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=0 "
                                                 "outcome=declined"});
  EXPECT_TRUE(probe_.Told().empty());
}

// This side offers a 5-byte file to a peer that answers as each case says;
// the peer reads what comes and closes.
TEST(OutcomeOfSending, TheAnswerDecidesWhatIsToldAndLogged) {
  StartSockets();
  SetHostLink(nullptr);
  ui::WindowHolder window;
  window.Create(PluginId());
  ScriptedDialogsScope dialogs;
  ScratchDir scratch;
  const std::string path = scratch.File("zdjecie.jpg");
  WriteFile(path, "12345");
  struct Case {
    const char* name;
    uint32_t code, offset;
    size_t data;  // file bytes the peer gets
    std::optional<TransferOutcome> told;
    std::string log;
  } cases[] = {
      {"refused", wire::kReplyRefuse, 0, 0, TransferOutcome::Refused, "bytes=0 outcome=refused"},
      {"accepted", wire::kReplyAccept, 0, 5, std::nullopt, "bytes=5 outcome=done"},
      {"accepted from an offset", wire::kReplyAccept, 2, 3, std::nullopt,
       "bytes=3 offset=2 outcome=done"},
      {"accepted at the end", wire::kReplyAccept, 5, 0, std::nullopt,
       "bytes=0 offset=5 outcome=done"},
      // Nothing of the file is sent, and the user learns that it failed.
      {"accepted past the end", wire::kReplyAccept, 6, 0, TransferOutcome::Failed,
       "bytes=0 offset=6 outcome=failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs::QueueOpenChoice(path);
    LoopbackServer server;
    ConnectionProbe probe(&window);
    probe.SetPeer({LoopbackAddress(), server.Port()});
    probe.SetFileProcedure([&window](p2p::PeerConnection& connection, uint32_t uin) {
      return p2p::SendFile(ProcessHost(), window, connection, uin);
    });
    ASSERT_TRUE(p2p::StartOutgoing(2002, wire::kPushCode, probe.Services()));
    Socket called = server.Accept();
    ASSERT_EQ(ReadExactly(called, 8).size(), 8u);
    ASSERT_TRUE(SendAll(called, {'U', 'D', 'A', 'G'}));
    ASSERT_EQ(ReadExactly(called, 4 + 16 + wire::kFileInfoSize).size(),
              4 + 16 + wire::kFileInfoSize);
    const wire::OfferReplyBytes reply = wire::EncodeOfferReply(c.code, c.offset);
    ASSERT_TRUE(SendAll(called, {reply.begin(), reply.end()}));
    // The last chunk's header and its data, or nothing.
    const std::vector<uint8_t> rest = ReadUntilClosed(called);
    platform::CloseSocket(called);
    ASSERT_TRUE(probe.WaitEnded(1));
    EXPECT_EQ(rest.size(), c.told ? 0 : wire::kChunkHeaderSize + c.data);
    EXPECT_EQ(probe.LogLines().back(), "transfer ended: send peer=2002 " + c.log);
    ASSERT_EQ(probe.Told().size(), c.told ? 1u : 0u);
    if (!c.told) continue;
    EXPECT_EQ(probe.Told()[0].outcome, *c.told);
    EXPECT_EQ(probe.Told()[0].file, path);
    EXPECT_EQ(probe.Told()[0].peerUin, 2002u);
  }
  window.Destroy();
}

}  // namespace
}  // namespace kvel::testing

// How ended transfers are judged, logged and told: the pure rules, then
// whole connections whose peer the test plays over loopback sockets.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/loopback.h"
#include "support/scripted_dialogs.h"
#include "host/linked_host.h"
#include "support/test_paths.h"
#include "strict_peer.h"
#include "transfers/side/platform_streams.h"
#include "transfers/telling/transfer_outcome.h"
#include "wire/handshake.h"
#include "wire/transfer_records.h"

namespace kvel::testing {
namespace {

using platform::Socket;
using transfers::TransferOutcome;

TEST(TransferOutcome, JudgedFromResultStopFileAndAnswer) {
  struct Case {
    bool succeeded, stopped;
    transfers::TransferDirection direction;
    bool fileKnown;
    std::optional<uint32_t> answer;
    TransferOutcome outcome;
  };
  const Case cases[] = {
      {true, false, transfers::Send, true, 6, TransferOutcome::Done},
      {true, true, transfers::Receive, true, {}, TransferOutcome::Done},
      {false, true, transfers::Send, true, 6, TransferOutcome::Stopped},
      {false, true, transfers::Receive, true, {}, TransferOutcome::Stopped},
      // Sending: the peer's answer decides, else whether a file was offered.
      {false, false, transfers::Send, true, wire::kReplyRefuse, TransferOutcome::Refused},
      {false, false, transfers::Send, true, wire::kReplyAccept, TransferOutcome::Failed},
      {false, false, transfers::Send, true, 99, TransferOutcome::Failed},
      {false, false, transfers::Send, true, {}, TransferOutcome::Failed},
      {false, false, transfers::Send, false, {}, TransferOutcome::Declined},
      // Receiving: failed only once this user took the file.
      {false, false, transfers::Receive, true, {}, TransferOutcome::Failed},
      {false, false, transfers::Receive, false, {}, TransferOutcome::Declined},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(transfers::JudgeTransfer(c.succeeded, c.stopped, c.direction, c.fileKnown, c.answer),
              c.outcome)
        << c.succeeded << c.stopped << c.direction << c.fileKnown << c.answer.value_or(0);
  }
}

// (A receive that failed, each way: AFailedReceiveSaysWhatItsNoteSays; the
// offset in the line and the outcomes of whole connections: OutcomeTest and
// OutcomeOfSending.)
TEST(TransferOutcome, LogLinesAndPolishNotices) {
  transfers::Transfer report;
  report.uin = 1001;
  report.path = "C:\\dane\\raport.pdf";
  report.moved = 4096;
  struct Case {
    transfers::TransferDirection direction;
    TransferOutcome outcome;
    std::string log, text, caption;
  };
  const std::string error =
      "B\xB3\xB9"
      "d";
  const Case cases[] = {
      {transfers::Send, TransferOutcome::Failed, "send peer=1001 bytes=4096 outcome=failed",
       "Nie uda\xB3o si\xEA wys\xB3"
       "a\xE6 pliku raport.pdf do Ala.",
       error},
      {transfers::Send, TransferOutcome::Refused, "send peer=1001 bytes=4096 outcome=refused",
       "Plik raport.pdf nie zosta\xB3 przyj\xEAty przez Ala.",
       "Przesy\xB3"
       "anie pliku"},
  };
  for (const Case& c : cases) {
    report.direction = c.direction;
    report.outcome = c.outcome;
    EXPECT_EQ(transfers::TransferLogLine(report), "transfer ended: " + c.log);
    EXPECT_EQ(transfers::WorthTelling(c.outcome), !c.text.empty()) << c.log;
    transfers::UserNotice notice = transfers::TransferNotice(report, "Ala");
    EXPECT_EQ(notice.text, c.text) << c.log;
    EXPECT_EQ(notice.caption, c.caption) << c.log;
  }
  // A file received without the question says so, before any note.
  report.direction = transfers::Receive;
  report.outcome = TransferOutcome::Done;
  report.takenWithoutAsking = true;
  EXPECT_EQ(transfers::TransferLogLine(report),
            "transfer ended: receive peer=1001 bytes=4096 outcome=done taken-without-asking");
  report.outcome = TransferOutcome::Failed;
  report.note = transfers::EndNote::PartKept;
  EXPECT_EQ(transfers::TransferLogLine(report),
            "transfer ended: receive peer=1001 bytes=4096 outcome=failed taken-without-asking "
            "reason=part-kept");
  report.takenWithoutAsking = false;
  report.note = transfers::EndNote::None;
  // A contact's name is bounded in the box.
  report.outcome = TransferOutcome::Failed;
  EXPECT_LT(transfers::TransferNotice(report, std::string(5000, 'x')).text.size(), 200u);
}

TEST(TransferOutcome, AFailedReceiveSaysWhatItsNoteSays) {
  transfers::Transfer report;
  report.direction = transfers::Receive;
  report.uin = 1001;
  report.path = "C:\\dane\\film.avi";
  report.moved = 10;
  report.outcome = TransferOutcome::Failed;
  const std::string saveFailed = "Nie uda\xB3o si\xEA zapisa\xE6 pliku film.avi od Ala: ";
  const std::string kept =
      " Odebran\xB9 cz\xEA\x9C\xE6 zachowano: mo\xBFna b\xEA"
      "dzie wznowi\xE6 odbi\xF3r.";
  const struct {
    transfers::EndNote note;
    std::string reason, text;
    bool partKept = false;
  } cases[] = {
      {transfers::EndNote::None, "", "Nie uda\xB3o si\xEA odebra\xE6 pliku film.avi od Ala."},
      {transfers::EndNote::PartKept, " reason=part-kept",
       "Nie uda\xB3o si\xEA odebra\xE6 pliku film.avi od Ala." + kept, true},
      {transfers::EndNote::SenderFileChanged, " reason=sender-file-changed",
       "Nie uda\xB3o si\xEA wznowi\xE6 odbioru pliku film.avi od Ala: plik u nadawcy zmieni\xB3 "
       "si\xEA od przerwania. Zachowan\xB9 cz\xEA\x9C\xE6 usuni\xEAto, nast\xEApna pr\xF3"
       "ba zacznie od pocz\xB9tku."},
      {transfers::EndNote::SenderCannotResume, " reason=sender-cannot-resume",
       "Nie uda\xB3o si\xEA odebra\xE6 pliku film.avi od Ala: nadawca nie potrafi wznowi\xE6 "
       "przesy\xB3"
       "ania. Nast\xEApna pr\xF3"
       "ba zacznie od pocz\xB9tku."},
      {transfers::EndNote::PathTooLong, " reason=path-too-long",
       saveFailed + "\x9C" + "cie\xBFka jest za d\xB3uga."},
      {transfers::EndNote::NoFolder, " reason=no-folder", saveFailed + "folder nie istnieje."},
      {transfers::EndNote::NoAccess, " reason=no-access", saveFailed + "brak dost\xEApu."},
      {transfers::EndNote::DiskFull, " reason=disk-full", saveFailed + "brak miejsca na dysku."},
      {transfers::EndNote::CannotCreate, " reason=cannot-create",
       saveFailed + "nie mo\xBFna utworzy\xE6 pliku."},
      {transfers::EndNote::CannotWrite, " reason=cannot-write",
       saveFailed + "b\xB3\xB9" + "d zapisu."},
      {transfers::EndNote::CannotReplace, " reason=cannot-replace",
       saveFailed + "nie mo\xBFna zast\xB9pi\xE6 wybranego pliku."},
      {transfers::EndNote::CannotList, " reason=cannot-list",
       saveFailed + "nie mo\xBFna zapisa\xE6 spisu zachowanych cz\xEA\x9C" + "ci."},
      // This side failed after data came, and kept it.
      {transfers::EndNote::CannotReplace, " reason=cannot-replace part-kept",
       saveFailed + "nie mo\xBFna zast\xB9pi\xE6 wybranego pliku." + kept, true},
      // 1.5 MiB and a byte is 1.6 needed; 1.5 MiB less a byte is 1.4 free.
      {transfers::EndNote::NoRoom, " reason=no-room",
       "Nie uda\xB3o si\xEA odebra\xE6 pliku film.avi od Ala. Za ma\xB3o miejsca na dysku: "
       "potrzeba 1.6 MB, wolne 1.4 MB."},
  };
  report.room = {(3 << 19) + 1, (3 << 19) - 1};
  for (const auto& c : cases) {
    report.note = c.note;
    report.partKept = c.partKept;
    EXPECT_EQ(transfers::TransferLogLine(report),
              "transfer ended: receive peer=1001 bytes=10 outcome=failed" + c.reason);
    const transfers::UserNotice notice = transfers::TransferNotice(report, "Ala");
    EXPECT_EQ(notice.text, c.text) << c.reason;
    EXPECT_EQ(notice.caption,
              "B\xB3\xB9"
              "d");
  }
  // Unloading: stopped, kept, and nothing to tell.
  report.outcome = TransferOutcome::Stopped;
  report.note = transfers::EndNote::PartKept;
  report.offset = 12000;
  EXPECT_EQ(transfers::TransferLogLine(report),
            "transfer ended: receive peer=1001 bytes=10 offset=12000 outcome=stopped "
            "reason=part-kept");
  EXPECT_TRUE(transfers::TransferNotice(report, "Ala").text.empty());
}

// A connection thread called by the test; its transfers go to the probe's
// registry, and the contacts are named by number.
class OutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override { StartSockets(); }
  void TearDown() override {
    if (peer_ != platform::kInvalidSocket) platform::ShutdownBoth(peer_);
    ASSERT_TRUE(probe_.WaitEnded(1));
    if (peer_ != platform::kInvalidSocket) platform::CloseSocket(peer_);
    EXPECT_EQ(probe_.Transfers().Count(), 0u);
  }
  // The peer pushes (code 2): this side receives under `procedure`.
  void CallIn(ConnectionProbe::FileProcedure procedure) {
    probe_.SetFileProcedure(std::move(procedure));
    peer_ = testing::CallIn(probe_, 1001, 1, wire::kPushCode);
  }
  // The peer offers an empty file, which this side receives with the
  // product's stream and refuses; the connection has ended.
  void OfferAnEmptyFile() {
    CallIn([this](p2p::PeerConnection& connection, transfers::TransferHandle& transfer) {
      return transfers::ReceiveFile(host_, nullptr, connection, transfer, {});
    });
    ASSERT_TRUE(SendAll(peer_, {1, 0, 0, 0, 3, 0, 0, 0}));
    ASSERT_TRUE(SendAll(peer_, std::vector<uint8_t>(8 + wire::kFileInfoSize, 0)));
    EXPECT_EQ(ReadExactly(peer_, 12)[0], wire::kReplyRefuse);
    ASSERT_TRUE(probe_.WaitEnded(1));
  }
  std::vector<std::string> Outcomes() {
    std::vector<std::string> lines;
    for (const std::string& line : probe_.LogLines())
      if (line.rfind("transfer ended: ", 0) == 0) lines.push_back(line);
    return lines;
  }

  ScriptedDialogsScope dialogs_;
  host::LinkedHost host_{nullptr, nullptr};  // no host: contacts go by number
  ConnectionProbe probe_;
  Socket peer_ = platform::kInvalidSocket;
};

// Takes a file, counts 10 bytes of it and reads until the connection ends.
ConnectionProbe::FileProcedure TakeFileThenWait() {
  return HoldTransfer("C:\\odebrane\\film.avi", 1000, 10);
}

TEST_F(OutcomeTest, APeerThatBreaksOffAnAgreedTransferIsToldOfAndLogged) {
  CallIn(TakeFileThenWait());
  platform::ShutdownBoth(peer_);
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=10 "
                                                 "outcome=failed"});
  ASSERT_EQ(probe_.Told().size(), 1u);
  EXPECT_EQ(probe_.Told()[0].path, "C:\\odebrane\\film.avi");
  EXPECT_EQ(probe_.Told()[0].direction, transfers::Receive);
}

TEST_F(OutcomeTest, TheUsersOwnStopIsLoggedButNotToldOf) {
  CallIn(TakeFileThenWait());
  ASSERT_TRUE(probe_.WaitForEvents(2));                         // listed, file procedure running
  ASSERT_TRUE(probe_.Transfers().Stop(probe_.Events()[0].id));  // what the stop button does
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=10 "
                                                 "outcome=stopped"});
  EXPECT_TRUE(probe_.Told().empty());
}

TEST_F(OutcomeTest, AnOfferTheUserRefusesIsNotToldOf) {
  ScriptedDialogs::QueueAnswer(false);
  OfferAnEmptyFile();
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=0 "
                                                 "outcome=declined"});
  EXPECT_TRUE(probe_.Told().empty());
}

// A file this side cannot save is its own failure, not a refusal: the peer
// is still answered with the refusal, and this user is told why.
TEST_F(OutcomeTest, AFileThatCannotBeSavedIsAFailureToldWithItsReason) {
  ScratchDir scratch;
  const std::string target = scratch.File("no-such-folder") + "/film.avi";
  ScriptedDialogs::QueueAnswer(true);
  ScriptedDialogs::QueueSaveChoice(target);
  OfferAnEmptyFile();
  EXPECT_EQ(Outcomes(), std::vector<std::string>{"transfer ended: receive peer=1001 bytes=0 "
                                                 "outcome=failed reason=no-folder"});
  ASSERT_EQ(probe_.Told().size(), 1u);
  EXPECT_EQ(probe_.Told()[0].path, target);
  EXPECT_EQ(probe_.Told()[0].note, transfers::EndNote::NoFolder);
}

// This side offers a 5-byte file to a strict peer that answers as each case
// says, reads what comes and closes.
TEST(OutcomeOfSending, TheAnswerDecidesWhatIsToldAndLogged) {
  StartSockets();
  host::LinkedHost host{nullptr, nullptr};
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
      // Nothing of the file is sent, and the user learns that it failed.
      {"accepted past the end", wire::kReplyAccept, 6, 0, TransferOutcome::Failed,
       "bytes=0 offset=6 outcome=failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs::QueueOpenChoice(path);
    LoopbackServer server;
    ConnectionProbe probe;
    probe.SetPeer({LoopbackAddress(), server.Port()});
    probe.SetFileProcedure(
        [&host](p2p::PeerConnection& connection, transfers::TransferHandle& transfer) {
          return transfers::SendFile(host, connection, transfer);
        });
    ASSERT_TRUE(p2p::StartOutgoing(2002, wire::kPushCode, probe.Services()));
    Socket called = server.Accept();
    strict::StrictPeer peer(called);
    uint32_t caller = 0, code = 0;
    ASSERT_TRUE(peer.Answer(&caller, &code) && peer.ReadOffer()) << peer.Failure();
    // The file from the offset, or nothing.
    std::vector<uint8_t> file;
    const bool received =
        c.code == wire::kReplyAccept ? peer.AcceptOffer(&file, c.offset) : !peer.RefuseOffer();
    platform::CloseSocket(called);
    ASSERT_TRUE(probe.WaitEnded(1));
    EXPECT_EQ(received, !c.told);
    EXPECT_EQ(file.size(), c.data);
    EXPECT_EQ(probe.LogLines().back(), "transfer ended: send peer=2002 " + c.log);
    // The record ended as the report says.
    const std::vector<TransferEvent> events = probe.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().what, "remove");
    EXPECT_EQ(events.back().outcome, c.told.value_or(TransferOutcome::Done));
    ASSERT_EQ(probe.Told().size(), c.told ? 1u : 0u);
    if (!c.told) continue;
    EXPECT_EQ(probe.Told()[0].outcome, *c.told);
    EXPECT_EQ(probe.Told()[0].path, path);
    EXPECT_EQ(probe.Told()[0].uin, 2002u);
  }
}

}  // namespace
}  // namespace kvel::testing

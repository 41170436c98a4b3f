// Files between two hosts as their users would send them: through the
// contact menu, the plug-ins' dialogs answered by each host's UI driver.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "two_hosts.h"
#include "world.h"
#include "world_files.h"

namespace kvel::e2e {
namespace {

constexpr uint32_t kC = 1003;
constexpr uint64_t kLargeFile = 400u * 1024 * 1024;  // takes far longer than a poll
// Takes longer than starting a second transfer through the dialogs.
constexpr uint64_t kHugeFile = 1536ull * 1024 * 1024;

// Starts sending `source` from `from` to `to` through the contact menu, to be
// saved as `target`; returns once more is in its part file than a cut keeps
// at least (128 KiB).
void StartSending(HostProcess& from, HostProcess& to, const std::string& source,
                  const std::string& target) {
  to.Command("answer yes");
  to.Command("save \"" + target + "\"");
  from.Command("open \"" + source + "\"");
  from.Command("click kvel/send " + std::to_string(to.Settings().uin));
  WaitUntil([&] { return ArrivingSize(target) > 256 * 1024; }, 60000, 10);
}

class EndToEndFiles : public TwoHosts {
 protected:
  // A file large enough to be cut in the middle, on its way from A to B
  // once this returns.
  void StartLargeTransfer(const std::string& source, const std::string& target, uint32_t seed) {
    StartHosts();
    MakeFile(source, kLargeFile, seed);
    StartSending(*a_, *b_, source, target);
    ASSERT_GT(ArrivingSize(target), 0u) << Seen();
    ASSERT_TRUE(a_->WaitFor("rows", "ok rows 1")) << Seen();
  }
  // Whether A asked B to call back: a class-16 message with byte 2 through
  // the server.
  bool CallBackRequested() {
    for (const auto& message : world_->Server().RelayedMessages()) {
      if (message.sender == kA && message.recipient == kB && message.messageClass == 16 &&
          message.body == std::vector<uint8_t>{2})
        return true;
    }
    return false;
  }
};

// A file from A to B, saved where B's user chooses: directly; over B's
// call-back when B must be asked to call (A is told port 1); and over B's
// call-back when A is told a port of B's where nobody listens, so that its
// direct connection is refused. A's user is told of no failure.
TEST_F(EndToEndFiles, SendsAFileDirectlyOrOverACallBack) {
  const struct Case {
    const char* name;
    int reportAB;
    const char* icon;
    uint64_t size;
  } cases[] = {
      {"directly", -1, "icon=green", 3 * 1024 * 1024 + 17},
      {"B must call back", 1, "icon=orange", 200000},
      {"the direct connection is refused", FreePort(), "icon=green", 300000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(StartHosts(c.reportAB));
    ASSERT_TRUE(a_->WaitFor("contacts", c.icon)) << Seen();
    const std::string source = Path("sample.bin"), target = Path("received.bin");
    MakeFile(source, c.size, static_cast<uint32_t>(c.size));
    b_->Command("answer yes");
    b_->Command("save \"" + target + "\"");
    ASSERT_NO_FATAL_FAILURE(Send(source));
    ASSERT_TRUE(WaitForSize(target, c.size)) << Seen();
    EXPECT_TRUE(NoTransfers(*a_));
    EXPECT_TRUE(NoTransfers(*b_));
    EXPECT_EQ(FileSha256(target), FileSha256(source));
    EXPECT_EQ(CallBackRequested(), c.reportAB >= 0);
    EXPECT_NE(b_->Command("dialogs").find("sample.bin"), std::string::npos) << Seen();
    EXPECT_EQ(a_->Command("dialogs").find("error"), std::string::npos) << Seen();
  }
}

// The icon `host` shows for contact `uin` ("green", "none", ...).
std::string IconOf(HostProcess& host, uint32_t uin) {
  const std::string contacts = host.Command("contacts");
  const size_t line = contacts.find("\n  " + std::to_string(uin) + " ");
  if (line == std::string::npos) return "";
  const size_t icon = contacts.find("icon=", line);
  const size_t end = contacts.find('\n', line + 1);
  if (icon == std::string::npos || icon > end) return "";
  return contacts.substr(icon + 5, end == std::string::npos ? std::string::npos : end - icon - 5);
}

bool WaitForIcon(HostProcess& host, uint32_t uin, const std::string& icon) {
  return WaitUntil([&] { return IconOf(host, uin) == icon; }, 20000, 100);
}

// B's host quits while A sends to B and to C: A's transfer to B ends and A's
// user is told, the one to C goes on to the last byte, and A's host keeps
// working.
TEST(EndToEnd, PeerQuittingMidTransferEndsOnlyItsTransfer) {
  World world;
  HostProcess& a = world.AddHost({kA, FreePort(), {{kB, "Bolek"}, {kC, "Cezary"}}, ""});
  HostProcess& b = world.AddHost({kB, FreePort(), {{kA, "Alek"}}, ""});
  HostProcess& c = world.AddHost({kC, FreePort(), {{kA, "Alek"}}, ""});
  ASSERT_TRUE(WaitForIcon(a, kB, "green") && WaitForIcon(a, kC, "green")) << a.Command("contacts");
  const std::string toB = world.Scratch() + "large.bin", atB = world.Scratch() + "partial.bin";
  const std::string toC = world.Scratch() + "other.bin",
                    atC = world.Scratch() + "other-received.bin";
  MakeFile(toB, kHugeFile, 5);
  MakeFile(toC, 64u * 1024 * 1024, 8);
  // One at a time, so that each open dialog takes its own file.
  StartSending(a, b, toB, atB);
  ASSERT_GT(ArrivingSize(atB), 0u) << a.Command("dialogs") << b.Command("dialogs");
  StartSending(a, c, toC, atC);
  ASSERT_GT(ArrivingSize(atC), 0u) << a.Command("dialogs") << c.Command("dialogs");
  ASSERT_EQ(FileSize(atB), 0u) << "the transfer to B ended before B quit";
  b.Quit();
  // B's plug-in was unloaded mid-transfer: it kept what came, and listed it
  // in its data directory to find it after the restart.
  EXPECT_GT(ArrivingSize(atB), 0u);
  std::ifstream list(b.Profile() + "kvel\\kept-parts");
  const std::string listed{std::istreambuf_iterator<char>(list), {}};
  EXPECT_NE(listed.find(atB + "."), std::string::npos) << listed;
  ASSERT_TRUE(WaitForSize(atC, FileSize(toC)));
  EXPECT_EQ(FileSha256(atC), FileSha256(toC));
  EXPECT_TRUE(a.WaitFor("rows", "ok rows 0"));
  EXPECT_TRUE(c.WaitFor("rows", "ok rows 0"));
  // The file cut short never takes its name, and the sender's user learns
  // which transfer failed.
  EXPECT_EQ(FileSize(atB), 0u);
  EXPECT_TRUE(a.WaitFor("dialogs",
                        "Nie uda\xB3o si\xEA wys\xB3"
                        "a\xE6 pliku large.bin do Bolek."))
      << a.Command("dialogs");
  // A's host goes on: B is gone from its contacts' states, and it answers.
  EXPECT_TRUE(WaitForIcon(a, kB, "none")) << a.Command("contacts");
  EXPECT_EQ(IconOf(a, kC), "green");
  EXPECT_NE(a.Command("status").find("connected=1"), std::string::npos);
}

// The direct connection does not go through the server: losing it ends no
// transfer, and the hosts go on without it.
TEST_F(EndToEndFiles, LosingTheServerMidTransferLeavesTheTransferRunning) {
  struct Loss {
    const char* name;
    bool wholeServer;  // else only B's connection is dropped
  };
  for (const Loss& loss : {Loss{"server stops", true}, Loss{"B dropped", false}}) {
    SCOPED_TRACE(loss.name);
    ASSERT_NO_FATAL_FAILURE(StartHosts());
    HostProcess& a = *a_;
    HostProcess& b = *b_;
    ASSERT_TRUE(a.WaitFor("contacts", "icon=green")) << a.Command("contacts");
    const std::string source = Path("kept.bin"), target = Path("kept-received.bin");
    MakeFile(source, 64u * 1024 * 1024, 7);
    StartSending(a, b, source, target);
    ASSERT_GT(ArrivingSize(target), 0u) << a.Command("dialogs") << b.Command("dialogs");
    if (loss.wholeServer) {
      world_->Server().Stop();
    } else {
      world_->Server().Disconnect(kB);
    }
    ASSERT_TRUE(WaitForSize(target, FileSize(source)));
    EXPECT_TRUE(a.WaitFor("rows", "ok rows 0"));
    EXPECT_TRUE(b.WaitFor("rows", "ok rows 0"));
    EXPECT_EQ(FileSha256(target), FileSha256(source));
    EXPECT_TRUE(b.WaitFor("status", "connected=0"));
    EXPECT_TRUE(a.WaitFor("status", loss.wholeServer ? "connected=0" : "connected=1"));
    // A no longer sees B as reachable.
    EXPECT_TRUE(a.WaitFor("contacts", "icon=none")) << a.Command("contacts");
  }
}

// The offset the last finished receive went on from, as `host`'s log says
// ("transfer ended: receive ... offset=N outcome=done"); 0 when none did.
uint64_t ResumedFrom(HostProcess& host) {
  const std::string log = host.Command("log");
  const size_t done = log.rfind("outcome=done");
  const size_t line = log.rfind("transfer ended: receive", done);
  if (done == std::string::npos || line == std::string::npos) return 0;
  const size_t offset = log.find("offset=", line);
  if (offset == std::string::npos || offset > done) return 0;
  return std::stoull(log.substr(offset + 7));
}

// The sending user stops a large transfer once data has arrived: the
// receiver keeps what came beside the target, and the next send of the file
// goes on from there to the whole file.
TEST_F(EndToEndFiles, AStopOnTheSendingSideKeepsWhatCameAndTheNextSendGoesOn) {
  const std::string source = Path("stopped.bin"), target = Path("stopped-partial.bin");
  ASSERT_NO_FATAL_FAILURE(StartLargeTransfer(source, target, 6));
  EXPECT_EQ(a_->Command("stop 0"), "ok");
  EXPECT_TRUE(NoTransfers(*a_));
  EXPECT_TRUE(NoTransfers(*b_));
  const uint64_t kept = ArrivingSize(target);
  EXPECT_GT(kept, 0u) << Seen();
  EXPECT_LT(kept, kLargeFile);
  EXPECT_EQ(FileSize(target), 0u);
  // B's user learns that the part is kept.
  EXPECT_TRUE(b_->WaitFor("dialogs", "Odebran\xB9 cz\xEA\x9C\xE6 zachowano")) << Seen();

  // Sent again: B takes it to the same path and chooses to go on.
  b_->Command("answer yes");
  b_->Command("answer yes");
  b_->Command("save \"" + target + "\"");
  a_->Command("open \"" + source + "\"");
  a_->Command("click kvel/send 1002");
  ASSERT_TRUE(WaitForSize(target, kLargeFile, 300000)) << Seen();
  EXPECT_TRUE(NoTransfers(*b_));
  EXPECT_EQ(FileSha256(target), FileSha256(source));
  EXPECT_NE(b_->Command("dialogs").find("Plik stopped.bin zosta\xB3 ju\xBF cz\xEA\x9C"
                                        "ciowo odebrany"),
            std::string::npos)
      << Seen();
  const uint64_t offset = ResumedFrom(*b_);
  EXPECT_GT(offset, 0u) << Seen();
  EXPECT_LT(offset, kLargeFile);
  EXPECT_EQ(ArrivingSize(target), 0u);
}

}  // namespace
}  // namespace kvel::e2e

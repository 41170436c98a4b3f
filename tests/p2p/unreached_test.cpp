// What the log and the user are told of a send that never reached its
// contact, byte for byte.
#include "p2p/connection/unreached.h"

#include <gtest/gtest.h>

#include <string>

namespace kvel::p2p {
namespace {

using transfers::TransferOutcome;

const std::string kError =
    "B\xB3\xB9"
    "d";

TEST(Unreached, LogLineAndBoxForEachWay) {
  using Why = Unreached::Why;
  struct Case {
    Why why;
    transfers::TransferDirection direction;
    TransferOutcome outcome;
    const char* reason;
    const char* line;
    const char* text;  // empty: no box
    const char* file = "";
  };
  const Case cases[] = {
      {Why::NoConnection, transfers::Send, TransferOutcome::Failed,
       "connect failed (111), no call-back within 180 s",
       "not connected: send peer=1002 outcome=failed reason=connect failed (111), no call-back "
       "within 180 s",
       "Nie uda\xB3o si\xEA nawi\xB9za\xE6 po\xB3\xB9"
       "czenia z Bolek. Plik nie zosta\xB3 wys\xB3"
       "any."},
      {Why::NoPlace, transfers::Send, TransferOutcome::Failed, "too many connections",
       "not connected: send peer=1002 outcome=failed reason=too many connections",
       "Zbyt wiele po\xB3\xB9"
       "cze\xF1 naraz. Plik do Bolek nie zosta\xB3 wys\xB3"
       "any."},
      {Why::NoConnection, transfers::Send, TransferOutcome::Stopped, "",
       "not connected: send peer=1002 outcome=stopped", ""},
      {Why::NoConnection, transfers::Receive, TransferOutcome::Failed, "handshake failed",
       "not connected: receive peer=1002 outcome=failed reason=handshake failed", ""},
      // A file chosen before its connection is named, without its folder.
      {Why::NoConnection, transfers::Send, TransferOutcome::Failed, "no address",
       "not connected: send peer=1002 outcome=failed reason=no address",
       "Nie uda\xB3o si\xEA nawi\xB9za\xE6 po\xB3\xB9"
       "czenia z Bolek. Plik b.txt nie zosta\xB3 wys\xB3"
       "any.",
       "C:\\dane\\b.txt"},
      {Why::NoPlace, transfers::Send, TransferOutcome::Failed, "too many connections",
       "not connected: send peer=1002 outcome=failed reason=too many connections",
       "Zbyt wiele po\xB3\xB9"
       "cze\xF1 naraz. Plik c d.bin do Bolek nie zosta\xB3 wys\xB3"
       "any.",
       "/tmp/c d.bin"},
      {Why::NoConnection, transfers::Send, TransferOutcome::Stopped, "stopped waiting its turn",
       "not connected: send peer=1002 outcome=stopped reason=stopped waiting its turn", "",
       "C:\\b.txt"},
  };
  for (const Case& c : cases) {
    Unreached unreached;
    unreached.why = c.why;
    unreached.direction = c.direction;
    unreached.uin = 1002;
    unreached.outcome = c.outcome;
    unreached.reason = c.reason;
    unreached.file = c.file;
    EXPECT_EQ(UnreachedLogLine(unreached), c.line);
    const transfers::UserNotice notice = UnreachedNotice(unreached, "Bolek");
    EXPECT_EQ(notice.text, c.text) << c.line;
    EXPECT_EQ(notice.caption, *c.text == '\0' ? "" : kError) << c.line;
  }
}

TEST(Unreached, ReasonsSayWhatFailedAndForHowLong) {
  struct Case {
    std::string reason, expected;
  };
  const Case cases[] = {
      {ConnectFailure({"connect", 110}, 110, 10000), "connect timed out after 10 s"},
      {ConnectFailure({"connect", 110}, 110, 300), "connect timed out after 300 ms"},
      {ConnectFailure({"connect", 111}, 110, 10000), "connect failed (111)"},
      {ConnectFailure({"connect", 0}, 110, 10000), "connect called off"},
      {ConnectFailure({"socket", 24}, 110, 10000), "socket failed (24)"},
      {NoCallBack("", 180000), "no call-back within 180 s"},
      {NoCallBack("handshake failed", 180000), "handshake failed, no call-back within 180 s"},
      {PushedOut(""), "pushed out by newer call-backs"},
      {PushedOut("no address"), "no address, pushed out by newer call-backs"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.reason, c.expected);
}

TEST(Unreached, ALongContactNameIsCutInTheBox) {
  const Unreached unreached{Unreached::Why::NoConnection, transfers::Send, 1,
                            TransferOutcome::Failed, ""};
  const std::string text = UnreachedNotice(unreached, std::string(5000, 'x')).text;
  EXPECT_LT(text.size(), 200u);
  EXPECT_NE(text.find(std::string(64, 'x') + "."), std::string::npos);
}

}  // namespace
}  // namespace kvel::p2p

// What the log and the user are told of a send that never reached its
// contact, byte for byte.
#include "p2p/unreached.h"

#include <gtest/gtest.h>

#include <string>

namespace kvel::p2p {
namespace {

using transfers::TransferOutcome;

const std::string kError =
    "B\xB3\xB9"
    "d";

TEST(Unreached, LogLineAndBoxForEachWay) {
  struct Case {
    Unreached unreached;
    std::string line;
    std::string text;  // empty: no box
  };
  const Case cases[] = {
      {{Unreached::Why::NoConnection, transfers::Send, 1002, TransferOutcome::Failed,
        "connect failed (111), no call-back within 180 s"},
       "not connected: send peer=1002 outcome=failed reason=connect failed (111), no call-back "
       "within 180 s",
       "Nie uda\xB3o si\xEA nawi\xB9za\xE6 po\xB3\xB9"
       "czenia z Bolek. Plik nie zosta\xB3 wys\xB3"
       "any."},
      {{Unreached::Why::NoPlace, transfers::Send, 1002, TransferOutcome::Failed,
        "too many connections"},
       "not connected: send peer=1002 outcome=failed reason=too many connections",
       "Zbyt wiele po\xB3\xB9"
       "cze\xF1 naraz. Plik do Bolek nie zosta\xB3 wys\xB3"
       "any."},
      {{Unreached::Why::NoConnection, transfers::Send, 1002, TransferOutcome::Stopped, ""},
       "not connected: send peer=1002 outcome=stopped",
       ""},
      {{Unreached::Why::NoConnection, transfers::Receive, 7, TransferOutcome::Failed,
        "handshake failed"},
       "not connected: receive peer=7 outcome=failed reason=handshake failed",
       ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnreachedLogLine(c.unreached), c.line);
    const transfers::UserNotice notice = UnreachedNotice(c.unreached, "Bolek");
    EXPECT_EQ(notice.text, c.text) << c.line;
    EXPECT_EQ(notice.caption, c.text.empty() ? "" : kError) << c.line;
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
      {ConnectFailure({"connect", 0}, 110, 10000), "connect failed (0)"},
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

// Both sides of the handshake over a scripted connection: every split of the
// peer's bytes, every byte it may stop at, every code and answer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "p2p/connection/handshake_steps.h"
#include "support/fake_connection.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using p2p::Handshake;
using Result = Handshake::Result;

// The called side, with call-backs awaited from `asked`; counts the asks.
struct Called {
  std::vector<uint32_t> asked;
  int asks = 0;
  Handshake Run(FakeConnection& connection) {
    return p2p::AnswerPeer(connection, [this](uint32_t caller) {
      ++asks;
      for (uint32_t uin : asked)
        if (uin == caller) return true;
      return false;
    });
  }
};

TEST(AnswerPeer, ReadsTheCallerHoweverItSplitsItsBytes) {
  const std::vector<uint8_t> hello = Words({0x01020304, 0x0A0B0C0D, wire::kPushCode});
  for (size_t limit = 1; limit <= hello.size(); ++limit) {
    FakeConnection connection(hello);
    connection.SetReadLimit(limit);
    Called called;
    const Handshake handshake = called.Run(connection);
    EXPECT_EQ(handshake.result, Result::Agreed) << limit;
    EXPECT_EQ(handshake.uin, 0x01020304u) << limit;
    EXPECT_EQ(handshake.direction, transfers::Receive) << limit;
    EXPECT_EQ(connection.Written(), kAnswerBytes) << limit;
    EXPECT_EQ(called.asks, 0) << limit;  // a push needs no call-back
  }
}

TEST(AnswerPeer, EndsWhenTheCallerStopsAtAnyByte) {
  const std::vector<uint8_t> hello = Words({5, 6, wire::kPushCode});
  for (size_t cut = 0; cut < hello.size(); ++cut) {
    for (bool fail : {false, true}) {
      FakeConnection connection(hello);
      connection.CutAt(cut, fail);
      Called called;
      EXPECT_EQ(called.Run(connection).result, Result::Failed) << cut;
      // The answer goes out once both numbers have come, never before.
      EXPECT_EQ(connection.Written(), cut >= 8 ? kAnswerBytes : std::vector<uint8_t>{}) << cut;
    }
  }
}

TEST(AnswerPeer, CodesAndCallBacks) {
  const struct {
    const char* name;
    uint32_t code;
    std::vector<uint32_t> asked;
    Result result;
    transfers::TransferDirection direction;
  } cases[] = {
      {"push", wire::kPushCode, {}, Result::Agreed, transfers::Receive},
      {"pull, asked this contact", wire::kPullCode, {4321}, Result::Agreed, transfers::Send},
      {"pull, asked nobody", wire::kPullCode, {}, Result::UnaskedCallBack, transfers::Send},
      {"pull, asked another contact",
       wire::kPullCode,
       {1234},
       Result::UnaskedCallBack,
       transfers::Send},
      {"code 0", 0, {4321}, Result::Failed, transfers::Send},
      {"code 1", 1, {4321}, Result::Failed, transfers::Send},
      {"code 4", 4, {4321}, Result::Failed, transfers::Send},
      {"code 2 in the wrong byte order", 0x02000000, {4321}, Result::Failed, transfers::Send},
      {"code all bits set", 0xFFFFFFFF, {4321}, Result::Failed, transfers::Send},
  };
  for (const auto& c : cases) {
    FakeConnection connection(Words({4321, 9999, c.code}));
    Called called{c.asked};
    const Handshake handshake = called.Run(connection);
    EXPECT_EQ(handshake.result, c.result) << c.name;
    if (c.result == Result::Agreed) {
      EXPECT_EQ(handshake.direction, c.direction) << c.name;
    }
    if (c.result != Result::Failed) {
      EXPECT_EQ(handshake.uin, 4321u) << c.name;
    }
    EXPECT_EQ(called.asks, c.code == wire::kPullCode ? 1 : 0) << c.name;
    EXPECT_EQ(connection.Written(), kAnswerBytes) << c.name;
  }
}

TEST(CallPeer, SendsBothNumbersThenTheCodeAfterTheAnswer) {
  const struct {
    uint32_t ownUin;  // 0: the login packet has not passed yet
    uint32_t code;
    transfers::TransferDirection direction;
  } cases[] = {
      {1001, wire::kPushCode, transfers::Send},
      {1001, wire::kPullCode, transfers::Receive},
      {0, wire::kPushCode, transfers::Send},
  };
  for (const auto& c : cases) {
    for (size_t limit = 1; limit <= kAnswerBytes.size(); ++limit) {
      FakeConnection connection(kAnswerBytes);
      connection.SetReadLimit(limit);
      const Handshake handshake = p2p::CallPeer(connection, c.ownUin, 777, c.code);
      EXPECT_EQ(handshake.result, Result::Agreed);
      EXPECT_EQ(handshake.uin, 777u);  // the called peer, whatever the code
      EXPECT_EQ(handshake.direction, c.direction);
      EXPECT_EQ(connection.Written(), Words({c.ownUin, 777, c.code}));
      // Hello and code each go out whole, the code only after the answer.
      ASSERT_EQ(connection.Writes().size(), 2u);
      EXPECT_EQ(connection.Writes()[0].size(), 8u);
    }
  }
}

TEST(CallPeer, SendsNoCodeAfterAWrongOrMissingAnswer) {
  const struct {
    const char* name;
    std::vector<uint8_t> answer;
    uint32_t code;
  } cases[] = {
      {"UDAH", {'U', 'D', 'A', 'H'}, wire::kPushCode},
      {"lower case", {'u', 'd', 'a', 'g'}, wire::kPushCode},
      {"zeros", {0, 0, 0, 0}, wire::kPushCode},
      {"none", {}, wire::kPushCode},
      {"three bytes", {'U', 'D', 'A'}, wire::kPushCode},
      {"a code that is neither push nor pull", kAnswerBytes, 4},
  };
  for (const auto& c : cases) {
    FakeConnection connection(c.answer);
    EXPECT_EQ(p2p::CallPeer(connection, 1001, 777, c.code).result, Result::Failed) << c.name;
    EXPECT_EQ(connection.Written(), Words({1001, 777})) << c.name;
  }
}

}  // namespace
}  // namespace kvel::testing

// The hook's dispatch over recorded services: which packets it takes over, what
// it calls with which arguments, and what it leaves to the host.
#include <gtest/gtest.h>

#include <cstring>

#include "gg/hook_dispatch.h"
#include "gg/hook_recorder.h"
#include "gg/test_packets.h"

namespace kvel::gg {
namespace {
using namespace testing;
using Calls = std::vector<std::string>;

// A login without an address is replaced by a copy that differs only in the
// announced fields: the chosen local address (which one: LocalAddress), the
// listening port, then the router's mapping when there is one, else the
// configured external address (one that is no address: all bits set) and port.
TEST(HookLogin, LoginWithoutAddressIsReplacedByARewrittenCopy) {
  using Router = std::optional<LoginServices::RouterPort>;
  const struct {
    const char* name;
    const char* externIp;
    Router router;
    Bytes fields;
  } cases[] = {
      {"configured", "127.0.0.1", {}, {83, 1, 2, 3, 0x40, 0x9C, 127, 0, 0, 1, 0x0F, 0x06}},
      {"router's mapping",
       "127.0.0.1",
       LoginServices::RouterPort{Ip(185, 77, 0, 1), 1561},
       {83, 1, 2, 3, 0x40, 0x9C, 185, 77, 0, 1, 0x19, 0x06}},
      {"no address", "nowhere", {}, {83, 1, 2, 3, 0x40, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x06}},
  };
  const Bytes login = Login(0x40003039, 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HookRecorder recorder;
    recorder.settings.localPort = 40000;
    std::strcpy(recorder.settings.externIp, c.externIp);
    recorder.settings.externPort = 1551;
    recorder.addresses = {Ip(192, 168, 1, 5), Ip(83, 1, 2, 3), Ip(10, 0, 0, 1)};
    recorder.routerPort = c.router;
    EXPECT_EQ(HandleGGEvent(kEventSending, login, recorder), kTakenOver);
    EXPECT_EQ(recorder.calls,
              (Calls{"SetOwnUin(12345)", "LocalHostAddresses", "SendRawPacket(39)"}));
    ASSERT_EQ(recorder.sent.size(), 1u);
    const Bytes& copy = recorder.sent[0];
    ASSERT_EQ(copy.size(), login.size());
    for (size_t i = 0; i < copy.size(); ++i) {
      if (i < 8 + 17 || i > 8 + 28) {
        EXPECT_EQ(copy[i], login[i]) << "offset " << i;
      }
    }
    EXPECT_EQ(Bytes(copy.begin() + 25, copy.begin() + 37), c.fields);
  }
}

TEST(HookLogin, LoginWithAnAddressGoesOutAsTheHostBuiltIt) {
  HookRecorder recorder;
  EXPECT_EQ(HandleGGEvent(kEventSending, Login(0xFF000007, Ip(10, 0, 0, 9), 1550), recorder),
            kPassOn);
  // The number is learnt all the same; nothing is looked up or sent.
  EXPECT_EQ(recorder.calls, (Calls{"SetOwnUin(7)"}));
}
TEST(HookLogin, ShortLoginsPassUnchanged) {
  const Bytes login = Login(77, 0);
  for (size_t length = 0; length < 37; ++length) {
    HookRecorder recorder;
    Bytes prefix(login.begin(), login.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(HandleGGEvent(kEventSending, prefix, recorder), kPassOn) << length;
    EXPECT_TRUE(recorder.sent.empty()) << length;
    Calls expected;
    if (length >= 12) expected.push_back("SetOwnUin(77)");
    EXPECT_EQ(recorder.calls, expected) << length;
  }
}

TEST(HookLogin, LoginHeaderLengthDoesNotBoundTheCopy) {
  HookRecorder recorder;
  Bytes login = Login(5, 0);
  login[4] = 0xFF;  // claims a longer payload than came
  EXPECT_EQ(HandleGGEvent(kEventSending, login, recorder), kTakenOver);
  ASSERT_EQ(recorder.sent.size(), 1u);
  EXPECT_EQ(recorder.sent[0].size(), login.size());
}

struct MessageCase {
  const char* name;
  Bytes packet;
  int32_t result;
  Calls calls;
};

void RunMessageCases(const std::vector<MessageCase>& cases,
                     std::set<std::tuple<uint32_t, uint32_t, uint32_t>> cached = {},
                     bool complete = false) {
  for (const MessageCase& c : cases) {
    HookRecorder recorder;
    recorder.cached = cached;
    recorder.repliesComplete = complete;
    EXPECT_EQ(HandleGGEvent(kEventReceived, c.packet, recorder), c.result) << c.name;
    EXPECT_EQ(recorder.calls, c.calls) << c.name;
  }
}

// (Which texts are requests: DcRequest.TextIsARequestWhenItStartsWithTheByte2.)
TEST(HookMessages, CallBackRequestStartsOneOutgoingConnection) {
  RunMessageCases({
      {"byte 2", Message(4321, 16, "\x02"), kTakenOver, {"StartOutgoing(4321,3)"}},
      {"byte 2 without NUL",
       Message(4321, 16, "\x02", {}, false),
       kTakenOver,
       {"StartOutgoing(4321,3)"}},
      {"byte 1", Message(4321, 16, "\x01"), kPassOn, {}},
      {"empty text", Message(4321, 16, ""), kPassOn, {}},
      {"class 8 byte 2", Message(4321, 8, "\x02"), kPassOn, {}},
  });
}

TEST(HookMessages, ImageMarksAreShownOrRequested) {
  const Bytes marks =
      RichText(Concat({FormatEntry(0, 0x80, 2500, 0xCAFEBABE), FormatEntry(0, 0x88, 100, 7)}));
  const Calls calls = {"IsImageCached(55,2500,3405691582)", "RequestImage(55,2500,3405691582)",
                       "IsImageCached(55,100,7)", "ShowReceivedImage(55,100,7)"};
  RunMessageCases(
      {
          {"with text", Message(55, 8, "look", marks), kPassOn, calls},
          {"without text", Message(55, 8, "", marks), kTakenOver, calls},
          {"no rich text", Message(55, 8, "", Bytes{3, 0, 0}), kPassOn, {}},
          {"no attributes", Message(55, 8, ""), kPassOn, {}},
          {"formatting only", Message(55, 8, "", RichText(FormatEntry(0, 0x01))), kTakenOver, {}},
      },
      {{55, 100, 7}});
}

TEST(HookMessages, EachImageOfAMessageIsAskedForOnceAndTheirNumberIsCapped) {
  auto manyMarks = [](size_t count, auto checksumOf) {
    Bytes entries;
    for (size_t i = 0; i < count; ++i) PutBytes(entries, FormatEntry(0, 0x80, 10, checksumOf(i)));
    return RichText(entries);
  };
  auto requests = [](std::initializer_list<uint32_t> checksums) {
    Calls calls;
    for (uint32_t checksum : checksums) {
      calls.push_back("IsImageCached(55,10," + std::to_string(checksum) + ")");
      calls.push_back("RequestImage(55,10," + std::to_string(checksum) + ")");
    }
    return calls;
  };
  Calls cappedCalls;
  for (uint32_t i = 0; i < kMaxImagesPerMessage; ++i) {
    const Calls one = requests({i});
    cappedCalls.insert(cappedCalls.end(), one.begin(), one.end());
  }
  RunMessageCases({
      {"2500 marks of one image", Message(55, 8, "", manyMarks(2500, [](size_t) { return 7u; })),
       kTakenOver, requests({7})},
      {"2500 distinct images",
       Message(55, 8, "", manyMarks(2500, [](size_t i) { return static_cast<uint32_t>(i); })),
       kTakenOver, cappedCalls},
      {"two images alternating",
       Message(55, 8, "",
               manyMarks(2000, [](size_t i) { return 1u + static_cast<uint32_t>(i % 2); })),
       kTakenOver, requests({1, 2})},
  });
}

TEST(HookMessages, ImageRepliesAndRequests) {
  const Bytes first = ImageOptionBytes(5, 6, 0xF0000000, {'a', '.', 'p', 'n', 'g', 0, 1, 2, 3});
  RunMessageCases(
      {
          {"first reply",
           Message(9, 4, "", first),
           kTakenOver,
           {"ReceiveImagePart(9,18)", "ShowReceivedImage(9,6,4026531840)"}},
          {"later reply",
           Message(9, 4, "", ImageOptionBytes(6, 6, 1, {4, 5})),
           kTakenOver,
           {"ReceiveImagePart(9,11)", "ShowReceivedImage(9,6,1)"}},
          {"request",
           Message(9, 4, "", ImageOptionBytes(4, 2500, 77)),
           kTakenOver,
           {"AnswerImageRequest(9,2500,77)"}},
          {"other kind", Message(9, 4, "", ImageOptionBytes(7, 1, 1)), kPassOn, {}},
          {"text present", Message(9, 4, "x", ImageOptionBytes(4, 1, 1)), kPassOn, {}},
          {"option cut short", Message(9, 4, "", Bytes{4, 1, 0, 0, 0, 2, 0, 0}), kPassOn, {}},
          {"no option", Message(9, 4, ""), kPassOn, {}},
          {"other class", Message(9, 2, "", ImageOptionBytes(4, 1, 1)), kPassOn, {}},
      },
      {}, /*complete=*/true);
  RunMessageCases({{"incomplete reply",
                    Message(9, 4, "", ImageOptionBytes(6, 6, 1, {4})),
                    kTakenOver,
                    {"ReceiveImagePart(9,10)"}}});
}

TEST(HookMessages, ReplyPartEndsWithTheBytesThatCame) {
  HookRecorder recorder;
  Bytes packet = Message(9, 4, "", ImageOptionBytes(6, 6, 1, {0xD0, 0xD1}));
  packet[4] += 100;  // the header claims 100 bytes that never came
  EXPECT_EQ(HandleGGEvent(kEventReceived, packet, recorder), kTakenOver);
  ASSERT_EQ(recorder.replies.size(), 1u);
  EXPECT_EQ(recorder.replies[0], ImageOptionBytes(6, 6, 1, {0xD0, 0xD1}));

  HookRecorder shorter;
  packet[4] -= 101;  // ... or one byte fewer than came
  EXPECT_EQ(HandleGGEvent(kEventReceived, packet, shorter), kTakenOver);
  ASSERT_EQ(shorter.replies.size(), 1u);
  EXPECT_EQ(shorter.replies[0], ImageOptionBytes(6, 6, 1, {0xD0}));
}

TEST(HookStatuses, NotifyReplyRecordsAndRemovesPeers) {
  const Bytes payload = Concat({
      StatusEntryBytes(0x40000065, 4, Ip(10, 0, 0, 2), 1550, "0123456789"),
      StatusEntryBytes(102, 1, Ip(0, 0, 0, 0), 0),
      StatusEntryBytes(103, 21, Ip(10, 0, 0, 3), 1550, "bye"),
      StatusEntryBytes(104, 2, Ip(10, 0, 0, 4), 65535),
      StatusEntryBytes(105, 3, Ip(10, 0, 0, 5), 2),
      StatusEntryBytes(106, 22, Ip(10, 0, 0, 6), 1, ""),
      StatusEntryBytes(107, 0x14, Ip(10, 0, 0, 7), 0),
  });
  RunMessageCases({{"notify",
                    Packet(17, payload),
                    kPassOn,
                    {"SetUser(101,10.0.0.2,1550)", "RemoveUser(102)", "RemoveUser(103)",
                     "SetUser(104,10.0.0.4,65535)", "SetUser(105,10.0.0.5,2)",
                     "SetUser(106,10.0.0.6,1)", "SetUser(107,10.0.0.7,0)"}}});
}

// (Entries that reach past the end: StatusEntry.EntriesReachingPastTheEndAreNotRead.)
TEST(HookStatuses, StatusChangeHandlesOneEntry) {
  const Bytes two = Concat({StatusEntryBytes(0x01000200, 2, Ip(127, 0, 0, 1), 40000),
                            StatusEntryBytes(9, 2, Ip(1, 1, 1, 1), 1)});
  RunMessageCases({
      {"available", Packet(15, two), kPassOn, {"SetUser(512,127.0.0.1,40000)"}},
      {"offline", Packet(15, StatusEntryBytes(512, 1, 0, 0)), kPassOn, {"RemoveUser(512)"}},
      {"offline with description",
       Packet(15, StatusEntryBytes(512, 21, 0, 0, "x")),
       kPassOn,
       {"RemoveUser(512)"}},
  });
}

TEST(HookEvents, OtherEventsAndTypesAreLeftAlone) {
  const Bytes status = Packet(17, StatusEntryBytes(1, 2, 0, 0));
  const Bytes login = Login(1, 0);
  RunMessageCases({
      {"unknown type", Packet(99, Bytes(30, 2)), kPassOn, {}},
      {"login received", Concat({login}), kPassOn, {}},
      {"header only", Packet(10, {}), kPassOn, {}},
      {"no header", Bytes{10, 0, 0}, kPassOn, {}},
  });
  for (uint32_t code : {0u, 1u, 3u, 5u, 6u, 8u, 10u, 0xFFFFFFFFu}) {
    HookRecorder recorder;
    EXPECT_EQ(HandleGGEvent(code, status, recorder), kPassOn) << code;
    EXPECT_EQ(HandleGGEvent(code, login, recorder), kPassOn) << code;
    EXPECT_TRUE(recorder.calls.empty()) << code;
  }
  HookRecorder sending;
  EXPECT_EQ(HandleGGEvent(kEventSending, status, sending), kPassOn);
  EXPECT_EQ(HandleGGEvent(kEventSending, Message(1, 16, "\x02"), sending), kPassOn);
  EXPECT_TRUE(sending.calls.empty());
}

TEST(HookEvents, ForgetEventClearsThePeers) {
  for (const Bytes& packet : {Bytes{}, Packet(17, StatusEntryBytes(1, 2, 0, 0))}) {
    HookRecorder recorder;
    EXPECT_EQ(HandleGGEvent(kEventForget, packet, recorder), kPassOn);
    EXPECT_EQ(recorder.calls, (Calls{"ClearUsers"}));
  }
}

}  // namespace
}  // namespace kvel::gg

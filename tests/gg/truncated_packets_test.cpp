// Every prefix of every packet kind the hook reads, each in a heap block of
// exactly its size, so that a read past the end is caught (AddressSanitizer
// in the native build). The headers keep claiming the whole length.
#include <gtest/gtest.h>

#include <memory>

#include "gg/hook_dispatch.h"
#include "gg/hook_recorder.h"
#include "gg/test_packets.h"

namespace kvel::gg {
namespace {
using namespace testing;

struct Kind {
  const char* name;
  uint32_t event;
  Bytes packet;
};

std::vector<Kind> Kinds() {
  const Bytes marks =
      RichText(Concat({FormatEntry(0, 0x88, 100, 7), FormatEntry(2, 0x80, 5, 6), Bytes{0, 0, 8}}));
  return {
      {"login", kEventSending, Login(1234, 0)},
      {"call-back request", kEventReceived, Message(77, 16, "\x02")},
      {"image offer", kEventReceived, Message(77, 8, "", marks)},
      {"chat with images", kEventReceived, Message(77, 8, "hello", marks)},
      {"image request", kEventReceived, Message(77, 4, "", ImageOptionBytes(4, 2500, 9))},
      {"first image reply", kEventReceived,
       Message(77, 4, "", ImageOptionBytes(5, 4, 9, {'x', 0, 1, 2, 3, 4}))},
      {"later image reply", kEventReceived, Message(77, 4, "", ImageOptionBytes(6, 4, 9, {1, 2}))},
      {"notify reply", kEventReceived,
       Packet(17, Concat({StatusEntryBytes(1, 4, Ip(1, 2, 3, 4), 1550, "desc"),
                          StatusEntryBytes(2, 2, Ip(1, 2, 3, 5), 1),
                          StatusEntryBytes(3, 21, 0, 0, "gone")}))},
      {"status change", kEventReceived, Packet(15, StatusEntryBytes(1, 5, Ip(1, 2, 3, 4), 2, "d"))},
  };
}

int32_t DeliverExact(uint32_t event, const Bytes& bytes, size_t length, HookRecorder& recorder) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[length == 0 ? 1 : length]);
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length), block.get());
  return HandleGGEvent(event, std::span<const uint8_t>(block.get(), length), recorder);
}

TEST(TruncatedPackets, EveryPrefixIsHandledWithinItsBytes) {
  for (const Kind& kind : Kinds()) {
    HookRecorder whole;
    whole.repliesComplete = true;
    const int32_t wholeResult = DeliverExact(kind.event, kind.packet, kind.packet.size(), whole);
    EXPECT_FALSE(whole.calls.empty()) << kind.name;
    // The same bytes under a header that claims the largest length.
    Bytes huge = kind.packet;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    for (size_t length = 0; length <= kind.packet.size(); ++length) {
      HookRecorder claiming;
      DeliverExact(kind.event, huge, length, claiming);
      if (length == kind.packet.size()) break;
      HookRecorder recorder;
      recorder.repliesComplete = true;
      const int32_t result = DeliverExact(kind.event, kind.packet, length, recorder);
      EXPECT_TRUE(result == kPassOn || result == wholeResult) << kind.name << " " << length;
      // A prefix never does more than the whole packet does.
      EXPECT_LE(recorder.calls.size(), whole.calls.size()) << kind.name << " " << length;
      for (const auto& reply : recorder.replies) EXPECT_LE(reply.size(), length);
    }
  }
}

}  // namespace
}  // namespace kvel::gg

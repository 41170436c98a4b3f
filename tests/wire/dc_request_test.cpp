#include "wire/dc_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/gg_packet.h"

namespace kvel::wire {
namespace {

TEST(DcRequest, IsTheClass16MessageHoldingTheByte2) {
  const auto packet = EncodeDcRequest(12345);
  EXPECT_EQ(std::vector<uint8_t>(packet.begin(), packet.end()),
            (std::vector<uint8_t>{0x0B, 0, 0, 0, 0x0D, 0,    0, 0, 0x39, 0x30, 0,
                                  0,    0, 0, 0, 0,    0x10, 0, 0, 0,    0x02}));
  // The text the peer receives is the one its hook takes for a request.
  EXPECT_TRUE(IsDcRequestText(std::span(packet).subspan(kSendMessageText)));
}

TEST(DcRequest, TextIsARequestWhenItStartsWithTheByte2) {
  const struct {
    std::string text;
    bool request;
  } cases[] = {
      {"\x02", true},
      {"\x02xyz", true},
      {std::string("\x02\0", 2), true},
      {"", false},
      {"\x01", false},
      {"\x03", false},
      {"a\x02", false},
      {std::string("\0\x02", 2), false},
  };
  for (const auto& c : cases) {
    const std::span text(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size());
    EXPECT_EQ(IsDcRequestText(text), c.request) << c.text.size();
  }
}

}  // namespace
}  // namespace kvel::wire

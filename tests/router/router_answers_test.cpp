#include "router/router_answers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kvel::router {
namespace {

uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

TEST(RouterAnswers, AddressesAndPortsAreReadStrictly) {
  EXPECT_EQ(ParseAddress("185.77.0.1"), Ip(185, 77, 0, 1));
  EXPECT_EQ(ParseAddress("0.0.0.0"), 0u);
  EXPECT_EQ(ParseAddress("255.255.255.255"), 0xFFFFFFFFu);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.4 ", " 1.2.3.4",
                          "01234.1.1.1", "1.2.3.-4", "0x1.2.3.4", "1.2.3.4\n", "a.b.c.d"})
    EXPECT_FALSE(ParseAddress(bad)) << bad;
  EXPECT_EQ(ParsePort("1560"), 1560);
  EXPECT_EQ(ParsePort("65535"), 65535);
  for (const char* bad : {"", "0", "65536", "99999999", "-1", "15 60", "1560x"})
    EXPECT_FALSE(ParsePort(bad)) << bad;
}

TEST(RouterAnswers, OnlyKvelsOwnMappingToThisMachineCountsAsLeftBehind) {
  EXPECT_TRUE(IsOwnEntry({"10.77.0.2", "1560", "kvel"}, Ip(10, 77, 0, 2), 1560, "kvel"));
  EXPECT_FALSE(IsOwnEntry({"10.77.0.3", "1560", "kvel"}, Ip(10, 77, 0, 2), 1560, "kvel"));
  EXPECT_FALSE(IsOwnEntry({"10.77.0.2", "1561", "kvel"}, Ip(10, 77, 0, 2), 1560, "kvel"));
  EXPECT_FALSE(IsOwnEntry({"10.77.0.2", "1560", "game"}, Ip(10, 77, 0, 2), 1560, "kvel"));
}

TEST(RouterAnswers, TheRememberedRouterReadsBackAndDamageReadsAsNothing) {
  const Remembered cases[] = {
      {false, "http://10.77.0.1:5000/rootDesc.xml", 1561},
      {false, "http://10.77.0.1:5000/rootDesc.xml", 0},
      {true, "", 0},
  };
  for (const Remembered& r : cases) {
    const Remembered back = DecodeRemembered(EncodeRemembered(r));
    EXPECT_EQ(back.noRouter, r.noRouter);
    EXPECT_EQ(back.descriptionUrl, r.descriptionUrl);
    EXPECT_EQ(back.mappedPort, r.mappedPort);
  }
  const std::string damaged[] = {
      "",
      "router ftp://10.77.0.1/\n",
      "router http://10.77.0.1/ x\n",
      "router http://\n",
      "router http://10.77.0.1/\nport 0\n",
      "router http://10.77.0.1/\nport 1560\nmore\n",
      "port 1560\n",
      "router http://" + std::string(kMaxUrlLength, 'a') + "\n",
      "no-router\nrouter http://10.77.0.1/\n",
  };
  for (const std::string& text : damaged) {
    const Remembered back = DecodeRemembered(text);
    EXPECT_FALSE(back.noRouter || !back.descriptionUrl.empty() || back.mappedPort) << text;
  }
  // A url that cannot be asked is not written either.
  EXPECT_EQ(EncodeRemembered({false, "http://a b/", 1560}), "");
}

}  // namespace
}  // namespace kvel::router

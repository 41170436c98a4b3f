#include <gtest/gtest.h>

#include <string>

#include "platform/profile_grammar.h"

namespace kvel::platform::profile {
namespace {

struct IntCase {
  const char* text;
  uint32_t expected;
};

TEST(ParseInteger, FollowsThePlatformRules) {
  const IntCase cases[] = {
      {"1560", 1560},
      {"+12", 12},
      {"-1", 0xFFFFFFFFu},
      {"  7", 7},
      {"12abc", 12},
      {"abc", 0},
      {"0x1F", 31},
      {"0X1F", 0},
      {"0b101", 5},
      {"0o17", 15},
      {"-0x10", 0xFFFFFFF0u},
      {"4294967297", 1},
      {"", 0},
      {"--5", 0},
      {"\x01\x02"
       "9",
       9},
  };
  for (const IntCase& c : cases) EXPECT_EQ(ParseInteger(c.text), c.expected) << c.text;
}

TEST(FindValue, SectionsAndKeys) {
  const std::string text =
      "top=1\n"
      "[p2p]\n"
      "; comment=9\n"
      "  local-port  =  2000  \n"
      "novalue\n"
      "empty=\n"
      "local-port=3000\n"
      "[CL]\r\n"
      "icons=8\r\n"
      "[p2p]\n"
      "extern-port=5\n";
  EXPECT_EQ(FindValue(text, "p2p", "local-port"), "2000");
  EXPECT_EQ(FindValue(text, "P2P", "LOCAL-PORT"), "2000");
  EXPECT_EQ(FindValue(text, "cl", "icons"), "8");
  EXPECT_EQ(FindValue(text, "p2p", "empty"), "");
  EXPECT_EQ(FindValue(text, "p2p", "novalue"), std::nullopt);
  EXPECT_EQ(FindValue(text, "p2p", "; comment"), "9");
  EXPECT_EQ(FindValue(text, "p2p", "top"), std::nullopt);
  // Only the first section of a name is searched.
  EXPECT_EQ(FindValue(text, "p2p", "extern-port"), std::nullopt);
  EXPECT_EQ(FindValue(text, "other", "icons"), std::nullopt);
}

TEST(CopyValue, StripsMatchingQuotesAndCuts) {
  char out[16];
  EXPECT_EQ(CopyValue("\"abc\"", out, sizeof out), 3u);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(CopyValue("'abc\"", out, sizeof out), 5u);
  EXPECT_STREQ(out, "'abc\"");
  EXPECT_EQ(CopyValue("1234567890123456789", out, sizeof out), 15u);
  EXPECT_STREQ(out, "123456789012345");
  EXPECT_EQ(CopyValue("\"", out, sizeof out), 1u);
  EXPECT_STREQ(out, "\"");
}

TEST(ReadString, UsesTheFallbackForMissingKeys) {
  char out[16];
  EXPECT_EQ(ReadString("[p2p]\n", "p2p", "extern-ip", "0.0.0.0  ", out, sizeof out), 7u);
  EXPECT_STREQ(out, "0.0.0.0");
  EXPECT_EQ(ReadString("[p2p]\nextern-ip=1.2.3.4\n", "p2p", "extern-ip", "x", out, sizeof out), 7u);
  EXPECT_STREQ(out, "1.2.3.4");
}

TEST(ReadInt, EmptyValueGivesTheFallback) {
  EXPECT_EQ(ReadInt("[cl]\nicons=\n", "cl", "icons", 15), 15u);
  EXPECT_EQ(ReadInt("[cl]\nicons=x\n", "cl", "icons", 15), 0u);
  EXPECT_EQ(ReadInt("", "cl", "icons", -3), 0xFFFFFFFDu);
}

TEST(FindValue, SurvivesGarbage) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
  garbage += "\n[p2p]\nlocal-port=" + std::string(100000, '9') + "\n";
  char out[16];
  ReadString(garbage, "p2p", "extern-ip", "0.0.0.0", out, sizeof out);
  EXPECT_STREQ(out, "0.0.0.0");
  EXPECT_EQ(ReadInt(garbage, "p2p", "local-port", 1560), ParseInteger(std::string(29, '9')));
}

}  // namespace
}  // namespace kvel::platform::profile

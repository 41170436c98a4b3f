// ReadSettings over real files with the platform's reader: which keys give
// which setting, with its bounds (how values are read: profile_grammar_test).
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/settings_file.h"
#include "support/test_paths.h"

namespace kvel {
namespace {

struct SettingsCase {
  const char* name;
  const char* file;  // null: no file at all
  uint16_t localPort;
  const char* externIp;
  uint16_t externPort;
  uint16_t iconMask;
  uint32_t speedLimitKb = 0;
  bool upnp = true;
  friend void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }
};

class ReadSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(ReadSettingsTest, TakesOnlyTheKeysPresent) {
  const SettingsCase& c = GetParam();
  testing::ScratchDir dir;
  std::string path = dir.File("kvel.config");
  if (c.file != nullptr) testing::WriteFile(path, c.file);
  Settings s;
  ReadSettings(path.c_str(), s);
  EXPECT_EQ(s.localPort, c.localPort);
  EXPECT_STREQ(s.externIp, c.externIp);
  EXPECT_EQ(s.externPort, c.externPort);
  EXPECT_EQ(s.iconMask, c.iconMask);
  EXPECT_EQ(s.speedLimitKb, c.speedLimitKb);
  EXPECT_EQ(s.upnp, c.upnp);
}

const SettingsCase kCases[] = {
    {"NoFile", nullptr, 1560, "0.0.0.0", 0, 15},
    {"HighestSpeedLimit", "[p2p]\nspeed-limit=4194304\n", 1560, "0.0.0.0", 0, 15, 4194304},
    // Past the highest, or below 0: no limit.
    {"SpeedLimitTooHigh", "[p2p]\nspeed-limit=4194305\n", 1560, "0.0.0.0", 0, 15, 0},
    {"NegativeSpeedLimit", "[p2p]\nspeed-limit=-1\n", 1560, "0.0.0.0", 0, 15, 0},
    {"OnlyIcons", "[cl]\r\nicons=8\r\n", 1560, "0.0.0.0", 0, 8},
    {"HighPort", "[p2p]\nlocal-port=40000\nextern-port=65535\n", 40000, "0.0.0.0", 65535, 15},
    {"LongExternIp", "[p2p]\nextern-ip=123.123.123.1234567\n", 1560, "123.123.123.123", 0, 15},
    {"PortCutTo16Bits", "[p2p]\nlocal-port=70000\n", 70000 & 0xFFFF, "0.0.0.0", 0, 15},
    {"UpnpOff", "[p2p]\nupnp=0\n", 1560, "0.0.0.0", 0, 15, 0, false},
    {"UpnpOnByAnyOtherNumber", "[p2p]\nupnp=2\n", 1560, "0.0.0.0", 0, 15, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Files, ReadSettingsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// [autoaccept] as the platform's reader gives its values, and what the log
// says of it.
TEST(ReadAutoAcceptSettings, OffUnlessWellFormedAndTheLogSaysWhy) {
  const std::string longList = "[autoaccept]\nuins=" + std::string(5000, '1') + "\n";
  const struct Case {
    const char* name;
    std::string file;  // empty: no file
    std::vector<uint32_t> uins;
    uint32_t maxKb;
    const char* log;
  } cases[] = {
      {"NoFile", "", {}, 10240, ""},
      {"NoSection", "[p2p]\nlocal-port=1\n", {}, 10240, ""},
      // The example of the documentation, comments and all.
      {"Documented",
       "[autoaccept]\n"
       "uins=1001,1002     ; GG numbers whose files are taken without the question\n"
       "maxkb=10240        ; larger offers are asked as today\n"
       "dir=               ; folder for them; empty: the \"odebrane\" folder\n",
       {1001, 1002},
       10240,
       "autoaccept on: contacts=2 maxkb=10240 dir=D\\"},
      {"OtherCaseAndQuotes",
       "[AutoAccept]\r\nUINS = \"7\"\r\nMaxKB=1\r\n",
       {7},
       1,
       "autoaccept on: contacts=1 maxkb=1 dir=D\\"},
      {"Malformed",
       "[autoaccept]\nuins=1001,abc\n",
       {},
       10240,
       "autoaccept off: uins: not a GG number: abc"},
      {"MalformedMaxKb",
       "[autoaccept]\nuins=1001\nmaxkb=10MB\n",
       {},
       10240,
       "autoaccept off: maxkb: not a whole number from 1 to 4194304: 10MB"},
      {"TooLongToRead", longList, {}, 10240, "autoaccept off: uins: longer than kvel reads"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScratchDir dir;
    const std::string path = dir.File("kvel.config");
    if (!c.file.empty()) testing::WriteFile(path, c.file);
    const transfers::AutoAcceptParse parse = ReadAutoAcceptSettings(path.c_str());
    EXPECT_EQ(parse.settings.uins, c.uins);
    EXPECT_EQ(parse.settings.maxKb, c.maxKb);
    EXPECT_EQ(parse.settings.folder, "");
    EXPECT_EQ(AutoAcceptLogLine(parse, "D\\"), c.log);
  }
}

}  // namespace
}  // namespace kvel

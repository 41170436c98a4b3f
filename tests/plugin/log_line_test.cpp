#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "plugin/host.h"
#include "host/log_line.h"
#include "stand_in_host.h"
#include "support/test_paths.h"

namespace kvel {
namespace {

// The log as the plug-in writes it: through the process's host.
int32_t LogLine(const char* text, uint8_t flag1 = 1, uint8_t flag2 = 0) {
  return host::LogLine(ProcessHost(), text, flag1, flag2);
}

class LogLineTest : public ::testing::Test {
 protected:
  void SetUp() override { SetHostLink(host_.Link()); }
  void TearDown() override { SetHostLink(nullptr); }
  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
};

TEST_F(LogLineTest, ReturnsZeroWithoutHost) {
  SetHostLink(nullptr);
  EXPECT_EQ(LogLine("bind ok"), 0);
}

TEST_F(LogLineTest, ReturnsZeroAndCallsNothingWithoutTheService) {
  EXPECT_EQ(LogLine("bind ok"), 0);
  EXPECT_TRUE(host_.Calls().empty());
}

TEST_F(LogLineTest, SendsTextWithTagAndFlagBytes) {
  host_.OfferLogService(true);
  for (const char* line : {"socket created", "connection accepted: 1234", ""}) {
    host_.ClearCalls();
    EXPECT_EQ(LogLine(line), 1);
    std::vector<standin::ServiceCall> calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].service, "logplugin/add");
    EXPECT_EQ(calls[0].lparam, 0);
    const std::vector<uint8_t>& bytes = calls[0].record;
    ASSERT_EQ(bytes.size(), sizeof(host::LogRecord));
    host::LogRecord record;
    std::memcpy(&record, bytes.data(), sizeof record);
    EXPECT_EQ(record.flag1, 1);
    EXPECT_EQ(record.flag2, 0);
    for (uint8_t byte : record.reserved10) EXPECT_EQ(byte, 0);
    EXPECT_EQ(calls[0].decoded, std::string("text=") + line + " tag=vask flags=1,0");
  }
  EXPECT_EQ(host_.LogLines().back(), "");
}

TEST_F(LogLineTest, AsksForTheServiceBeforeEveryLine) {
  host_.OfferLogService(true);
  LogLine("one");
  host_.OfferLogService(false);
  EXPECT_EQ(LogLine("two"), 0);
  host_.OfferLogService(true);
  LogLine("three");
  EXPECT_EQ(host_.LogLines(), (std::vector<std::string>{"one", "three"}));
}

}  // namespace
}  // namespace kvel

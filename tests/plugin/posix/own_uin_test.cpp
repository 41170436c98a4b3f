// OwnUin is learnt from every outgoing login, rewritten or not (the linked
// build lets the test read it directly).
#include <gtest/gtest.h>

#include "gg/test_packets.h"
#include "plugin/plugin_context.h"
#include "support/plugin_fixture.h"

namespace kvel::gg {
namespace {
using namespace gg::testing;

TEST(OwnUin, IsLearntAtEveryLogin) {
  kvel::testing::LoadedPlugin plugin;
  Bytes login = Login(0x7F003039, Ip(10, 0, 0, 1));
  EXPECT_EQ(plugin.Host().DeliverGGEvent(7, login), 0);
  EXPECT_EQ(ThePlugin().ownUin.load(), 12345u);
  login = Login(0x00000457, 0);
  EXPECT_EQ(plugin.Host().DeliverGGEvent(7, login), -1);
  EXPECT_EQ(ThePlugin().ownUin.load(), 1111u);
  login = Login(0x00000999, 0);
  EXPECT_EQ(plugin.Host().DeliverGGEvent(4, login), 0);  // a received one teaches nothing
  EXPECT_EQ(ThePlugin().ownUin.load(), 1111u);
}

}  // namespace
}  // namespace kvel::gg

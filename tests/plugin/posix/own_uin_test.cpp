// OwnUin is learnt from every outgoing login, rewritten or not: the hook's
// bindings over parts of the test's own, on the stand-in host.
#include <gtest/gtest.h>

#include "gg/hook_dispatch.h"
#include "gg/test_packets.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "stand_in_host.h"
#include "support/test_paths.h"

namespace kvel::gg {
namespace {
using namespace gg::testing;

TEST(OwnUin, IsLearntAtEveryLogin) {
  kvel::testing::ScratchDir scratch;
  standin::Host standIn(scratch.Path());
  ModuleHost host;
  host.SetLink(standIn.Link());
  PluginParts parts(host, {});
  ProductionHook hook(parts);
  Bytes login = Login(0x7F003039, Ip(10, 0, 0, 1));
  EXPECT_EQ(HandleGGEvent(kEventSending, login, hook), 0);
  EXPECT_EQ(parts.ownUin.load(), 12345u);
  login = Login(0x00000457, 0);
  EXPECT_EQ(HandleGGEvent(kEventSending, login, hook), -1);
  EXPECT_EQ(parts.ownUin.load(), 1111u);
  login = Login(0x00000999, 0);
  EXPECT_EQ(HandleGGEvent(kEventReceived, login, hook), 0);  // a received one teaches nothing
  EXPECT_EQ(parts.ownUin.load(), 1111u);
}

}  // namespace
}  // namespace kvel::gg

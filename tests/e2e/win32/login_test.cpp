// Two hosts log in through the stand-in server: the plug-in's rewritten login
// reaches the server, and each host's contact gets the icon of its state.
#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "world.h"

namespace kvel::e2e {
namespace {

TEST(EndToEnd, LoginAnnouncesThePluginsAddressAndContactsGetIcons) {
  World world;
  const uint16_t portA = FreePort(), portB = FreePort();
  world.Server().SetReportedPort(1002, 1001, 1);  // B must ask A to connect
  HostProcess& a = world.AddHost({1001, portA, {{1002, "Bolek"}}, ""});
  HostProcess& b = world.AddHost({1002, portB, {{1001, "Alek"}}, ""});
  ASSERT_TRUE(a.Started() && b.Started());

  std::vector<standin::gg::Login> logins = world.Server().Logins();
  ASSERT_EQ(logins.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(logins[i].uin, i == 0 ? 1001u : 1002u);
    EXPECT_EQ(logins[i].localPort, i == 0 ? portA : portB);
    EXPECT_EQ(logins[i].externAddress, platform::InetAddr("127.0.0.1"));
    EXPECT_EQ(logins[i].externPort, i == 0 ? portA : portB);
    EXPECT_NE(logins[i].localAddress, 0u);
  }
  EXPECT_TRUE(a.WaitFor("contacts", "icon=green")) << a.Command("contacts");
  EXPECT_TRUE(b.WaitFor("contacts", "icon=orange")) << b.Command("contacts");
}

}  // namespace
}  // namespace kvel::e2e

// Two hosts log in through the stand-in server.
#include <gtest/gtest.h>

#include "world.h"

namespace kvel::e2e {
namespace {

TEST(EndToEnd, TwoHostsLogInAndSeeEachOther) {
  World world;
  HostProcess& a = world.AddHost({1001, FreePort(), {{1002, "Bolek"}}, ""});
  HostProcess& b = world.AddHost({1002, FreePort(), {{1001, "Alek"}}, ""});
  ASSERT_TRUE(a.Started() && b.Started());
  EXPECT_EQ(world.Server().Online().size(), 2u);
  EXPECT_NE(a.Command("contacts").find("Bolek"), std::string::npos);
}

}  // namespace
}  // namespace kvel::e2e

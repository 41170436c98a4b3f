// The mapping against a real router: Debian's miniupnpd in network
// namespaces that the test makes (harness/home_router/world.sh), the test's
// thread moved into the home for the time of a case.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads/threads.h"
#include "router/mapping_keeper.h"
#include "router/port_mapping.h"
#include "router/upnp_gateway.h"
#include "support/test_paths.h"
#include "wait_until.h"

namespace kvel::router {
namespace {

constexpr char kUrl[] = "http://10.77.0.1:5000/rootDesc.xml";

std::string Run(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    if (pclose(pipe) != 0 && out.empty()) out = "failed";
  }
  return out;
}

// One world from construction to destruction; `skipped` says why there is none.
class HomeRouter {
 public:
  explicit HomeRouter(const std::string& kind)
      : name_("k" + std::to_string(getpid()) + "x" + std::to_string(worlds_++)),
        dir_("/tmp/" + name_ + "-world") {
    if (!UpnpBuilt()) {
      skipped = "no UPnP in this build";
      return;
    }
    if (geteuid() != 0) {
      skipped = "network namespaces need root";
      return;
    }
    const std::string said = World("up " + name_ + " " + dir_ + " " + kind);
    const int home = open(("/run/netns/" + name_ + "-home").c_str(), O_RDONLY);
    own_ = open("/proc/thread-self/ns/net", O_RDONLY);
    if (home < 0 || own_ < 0 || setns(home, CLONE_NEWNET) != 0) skipped = said;
    if (home >= 0) close(home);
  }
  ~HomeRouter() {
    if (own_ >= 0) {
      setns(own_, CLONE_NEWNET);
      close(own_);
    }
    World("down " + name_ + " " + dir_);
  }
  std::string skipped;

  // The router's mappings, "external -> address:port" each.
  std::string Mappings() { return World("mappings " + name_); }

 private:
  std::string World(const std::string& arguments) {
    return Run(std::string("bash ") + KVEL_HOME_ROUTER_WORLD + " " + arguments + " 2>&1");
  }
  static inline int worlds_ = 0;
  std::string name_, dir_;
  int own_ = -1;
};

#define SKIP_WITHOUT(world) \
  if (!(world).skipped.empty()) GTEST_SKIP() << "home-router test skipped: " << (world).skipped

struct Keeping {
  explicit Keeping(Gateway& gateway)
      : keeper(
            gateway, MappingPlan{}, [this] { return now; },
            [this](const std::string& line) { log += line + "\n"; }) {}
  uint32_t now = 0;
  std::string log;
  MappingKeeper keeper;
};

long MsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}

// (What the keeper makes of a refused port, or of any other answer:
// MappingKeeper's tests over a scripted router.)
TEST(HomeRouter, FindsMapsRenewsAndRemoves) {
  HomeRouter world("plain");
  SKIP_WITHOUT(world);
  std::unique_ptr<Gateway> gateway = MakeUpnpGateway();
  const auto start = std::chrono::steady_clock::now();
  const Found found = gateway->Find("", MappingPlan{}.searchMs);
  const long searchMs = MsSince(start);
  ASSERT_EQ(found.kind, Found::Kind::Valid);
  EXPECT_EQ(found.descriptionUrl, kUrl);
  EXPECT_EQ(found.lanAddress, "10.77.0.2");
  EXPECT_EQ(found.externalAddress, "185.77.0.1");

  Keeping k(*gateway);
  const auto mapping = std::chrono::steady_clock::now();
  k.keeper.Begin({false, kUrl, 0});
  const long mapMs = MsSince(mapping);
  std::printf("measured: search %ld ms, the remembered router found and mapped in %ld ms\n",
              searchMs, mapMs);
  EXPECT_EQ(k.log, "upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s\n");
  EXPECT_EQ(world.Mappings(), "1560 -> 10.77.0.2:1560\n");
  k.now += 30 * 60 * 1000;
  k.keeper.Renew();  // renewed in place (the log lines: MappingKeeper)
  EXPECT_EQ(world.Mappings(), "1560 -> 10.77.0.2:1560\n");
  k.keeper.End();
  EXPECT_EQ(world.Mappings(), "");
}

TEST(HomeRouter, ARouterBehindAnotherIsNotAnnounced) {
  HomeRouter world("private");
  SKIP_WITHOUT(world);
  std::unique_ptr<Gateway> gateway = MakeUpnpGateway();
  Keeping k(*gateway);
  k.keeper.Begin({});
  // miniupnpd gives no address of a private range (a router that does is
  // named with it: MappingKeeper's own tests).
  EXPECT_EQ(k.log,
            "upnp: not announced: the router's external address is none: the router may sit "
            "behind another router\n");
  EXPECT_FALSE(k.keeper.Current());
  EXPECT_EQ(world.Mappings(), "");
}

// The plug-in's mapping over the real router, started twice as two loads of
// the plug-in would: the first login waits for it only as long as the router
// takes, the second start asks the remembered router (or, after none was
// found, does not hold the login at all), and the stop removes it.
TEST(HomeRouter, TheFirstLoginWaitsOnlyAsLongAsTheRouterTakes) {
  const struct {
    const char* kind;
    const char* firstLog;
  } cases[] = {
      {"plain",
       "upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s\n"
       "upnp: removed 185.77.0.1:1560\n"},
      {"no-upnp", "upnp: no router answered\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    HomeRouter world(c.kind);
    SKIP_WITHOUT(world);
    kvel::testing::ScratchDir scratch;
    for (int start = 0; start < 2; ++start) {
      std::mutex mutex;
      std::string log;
      MappingSetup setup;
      setup.rememberedPath = scratch.File("upnp-router");
      setup.makeGateway = [] { return std::shared_ptr<Gateway>(MakeUpnpGateway()); };
      setup.log = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        log += line + "\n";
      };
      setup.clock = [] { return 0u; };
      PortMapping mapping;
      const auto begun = std::chrono::steady_clock::now();
      ASSERT_TRUE(mapping.Start(std::move(setup)));
      const std::optional<Mapped> mapped = mapping.ForLogin();
      const long waitMs = MsSince(begun);
      EXPECT_EQ(mapped.has_value(), c.kind == std::string("plain"));
      const auto stopping = std::chrono::steady_clock::now();
      // A stop during a search gives up after its second; the search then
      // ends within about a second more.
      EXPECT_TRUE(e2e::WaitUntil([&] { return mapping.Stop(&platform::SleepMilliseconds); }, 5000));
      std::printf("measured: %s router, start %d: the first login waited %ld ms, the stop %ld ms\n",
                  c.kind, start + 1, waitMs, MsSince(stopping));
      EXPECT_EQ(world.Mappings(), "");
      std::lock_guard<std::mutex> lock(mutex);
      if (start == 0) {
        EXPECT_EQ(log, c.firstLog);
      }
    }
  }
}

}  // namespace
}  // namespace kvel::router

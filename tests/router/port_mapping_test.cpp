#include "router/port_mapping.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads/threads.h"
#include "router/remembered_file.h"
#include "router/scripted_gateway.h"
#include "support/test_paths.h"
#include "wait_until.h"

namespace kvel::router {
namespace {

using testing::ScriptedGateway;

// A search that waits until the test opens it (at most 10 s).
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex);
    if (!opened.wait_for(lock, std::chrono::seconds(10), [this] { return open; }))
      ADD_FAILURE() << "the test never let the router's search answer";
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex);
    open = true;
    opened.notify_all();
  }
};

struct Mapping {
  ScriptedGateway router;
  Gate gate;
  kvel::testing::ScratchDir scratch;
  std::mutex logMutex;
  std::vector<std::string> log;
  PortMapping mapping;

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(logMutex);
    return log;
  }
  void Start(uint32_t holdMs, bool slow) {
    if (slow) router.beforeFind = [this] { gate.Wait(); };
    MappingSetup setup;
    setup.rememberedPath = scratch.File("upnp-router");
    // Lent to the mapping's thread; the test reads it once the thread ended.
    setup.makeGateway = [this] { return std::shared_ptr<Gateway>(&router, [](Gateway*) {}); };
    setup.log = [this](const std::string& line) {
      std::lock_guard<std::mutex> lock(logMutex);
      log.push_back(line);
    };
    setup.clock = &platform::TickCount;
    setup.loginHoldMs = holdMs;
    ASSERT_TRUE(mapping.Start(std::move(setup)));
  }
};

constexpr uint32_t kNoEnd = 60 * 1000;  // a hold the test must never wait out

TEST(PortMapping, TheFirstLoginWaitsForTheMappingAndTheUnloadRemovesIt) {
  Mapping m;
  m.Start(kNoEnd, false);
  const std::optional<Mapped> mapped = m.mapping.ForLogin();
  ASSERT_TRUE(mapped);
  EXPECT_EQ(mapped->externalPort, 1560);
  EXPECT_TRUE(m.mapping.Stop(&platform::SleepMilliseconds));
  EXPECT_TRUE(m.router.table.empty());
  // The next start asks the router it found, and holds its first login.
  const Remembered remembered = LoadRemembered(m.scratch.File("upnp-router"));
  EXPECT_EQ(remembered.descriptionUrl, "http://10.77.0.1:5000/rootDesc.xml");
  EXPECT_FALSE(remembered.noRouter);
  EXPECT_EQ(remembered.mappedPort, 0);
}

TEST(PortMapping, AMappingAfterTheHoldIsAnnouncedFromTheNextLogin) {
  Mapping m;
  m.Start(20, true);
  EXPECT_FALSE(m.mapping.ForLogin());
  m.gate.Open();
  ASSERT_TRUE(kvel::e2e::WaitUntil([&] { return m.Log().size() == 2; }, 10000))
      << "no mapping came";
  EXPECT_EQ(m.Log()[1],
            "upnp: the mapping came after the first login; it is announced from "
            "the next login");
  EXPECT_TRUE(m.mapping.ForLogin());
  EXPECT_TRUE(m.mapping.Stop(&platform::SleepMilliseconds));
}

TEST(PortMapping, AfterAStartWithoutARouterTheFirstLoginIsNotHeld) {
  Mapping m;
  SaveRemembered(m.scratch.File("upnp-router"), {true, {}, 0});
  m.Start(kNoEnd, true);
  EXPECT_FALSE(m.mapping.ForLogin());
  // The router that answers at last is still mapped on, and remembered.
  m.gate.Open();
  ASSERT_TRUE(kvel::e2e::WaitUntil([&] { return m.mapping.ForLogin().has_value(); }, 10000))
      << "no mapping came";
  EXPECT_TRUE(m.mapping.Stop(&platform::SleepMilliseconds));
  EXPECT_FALSE(LoadRemembered(m.scratch.File("upnp-router")).noRouter);
}

TEST(PortMapping, AStopGivesUpOnASlowRouterWithinItsBound) {
  Mapping m;
  m.Start(20, true);
  EXPECT_FALSE(m.mapping.Stop(&platform::SleepMilliseconds));
  // The thread goes on alone; once the router answers it ends, mapping nothing.
  m.gate.Open();
  EXPECT_TRUE(
      kvel::e2e::WaitUntil([&] { return m.mapping.Stop(&platform::SleepMilliseconds); }, 10000));
  EXPECT_TRUE(m.router.table.empty());
}

}  // namespace
}  // namespace kvel::router

#include "router/mapping_keeper.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "router/scripted_gateway.h"

namespace kvel::router {
namespace {

using testing::ScriptedGateway;

constexpr uint32_t kMinute = 60 * 1000;

// A keeper over a scripted router on a scripted clock, its log kept.
struct Keeping {
  ScriptedGateway router;
  uint32_t now = 0u - 10 * kMinute;  // the tick wraps during the tests
  std::vector<std::string> log;
  MappingKeeper keeper{router, MappingPlan{}, [this] { return now; },
                       [this](const std::string& line) { log.push_back(line); }};
};

const Entry kOwnLeft{"10.77.0.2", "1560", "kvel"};
const Entry kOtherMachine{"10.77.0.9", "1560", "game"};
const char kUrl[] = "http://10.77.0.1:5000/rootDesc.xml";
using Script = std::function<void(ScriptedGateway&)>;

void TakenFrom(ScriptedGateway& r, uint16_t first, uint16_t last) {
  for (uint16_t p = first; p <= last; ++p) r.table[p] = kOtherMachine;
}

// Routers that map: what the log says, the port mapped (0: none).
TEST(MappingKeeper, MapsThePortTheRouterTakes) {
  const struct {
    const char* name;
    Script script;
    uint16_t rememberedPort;  // of the router at kUrl; 0: nothing remembered
    std::vector<std::string> log;
    uint16_t port;
  } cases[] = {
      // clang-format off
      {"the listening port itself", [](ScriptedGateway&) {}, 0,
       {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"}, 1560},
      {"a conflict tries the next", [](ScriptedGateway& r) { TakenFrom(r, 1560, 1560); }, 0,
       {"upnp: refused 185.77.0.1:1560 (error 718)",
        "upnp: mapped 185.77.0.1:1561 -> 10.77.0.2:1560, lease 3600 s"}, 1561},
      {"four refusals give up", [](ScriptedGateway& r) { TakenFrom(r, 1560, 1563); }, 0,
       {"upnp: refused 185.77.0.1:1560 (error 718)", "upnp: refused 185.77.0.1:1561 (error 718)",
        "upnp: refused 185.77.0.1:1562 (error 718)", "upnp: refused 185.77.0.1:1563 (error 718)"},
       0},
      {"only permanent mappings", [](ScriptedGateway& r) { r.onlyPermanent = true; }, 0,
       {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, permanent"}, 1560},
      {"no answer, no more asking", [](ScriptedGateway& r) { r.silent = true; }, 0,
       {"upnp: refused 185.77.0.1:1560 (no answer)"}, 0},
      {"a crash's mapping on another port", [](ScriptedGateway& r) { r.table[1561] = kOwnLeft; },
       1561, {"upnp: replaced a mapping left behind at 185.77.0.1:1561",
              "upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"}, 1560},
      {"another machine's on the remembered port",
       [](ScriptedGateway& r) { r.table[1561] = kOtherMachine; }, 1561,
       {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"}, 1560},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Keeping k;
    c.script(k.router);
    k.keeper.Begin(c.rememberedPort ? Remembered{false, kUrl, c.rememberedPort} : Remembered{});
    EXPECT_EQ(k.log, c.log);
    EXPECT_EQ(k.router.askedUrl, c.rememberedPort ? kUrl : "");
    const std::optional<Mapped> mapped = k.keeper.Current();
    EXPECT_EQ(mapped ? mapped->externalPort : 0, c.port);
    EXPECT_EQ(k.keeper.ToRemember().mappedPort, c.port);
    EXPECT_FALSE(k.keeper.ToRemember().noRouter);
    if (!mapped) continue;
    EXPECT_EQ(k.router.table[c.port].internalClient, "10.77.0.2");
    EXPECT_EQ(k.router.leases[c.port], k.router.onlyPermanent ? 0u : 3600u);
    EXPECT_EQ(mapped->permanent, k.router.onlyPermanent);
  }
}

// Routers that are not mapped on: none, or one that lies about its address
// (each kind of address: Ipv4Address.KindsAtTheEdgesOfTheirBlocks).
TEST(MappingKeeper, AnnouncesNoRouterThatCannotBeReachedFromOutside) {
  const char* const kWhy = "upnp: not announced: the router's external address ";
  const struct {
    Found::Kind kind;
    const char *lan, *external, *log;
  } cases[] = {
      // clang-format off
      {Found::Kind::None, "", "", "upnp: no router answered"},
      {Found::Kind::Unfit, "10.77.0.2", "10.99.0.1", "10.99.0.1 is private"},
      {Found::Kind::Valid, "10.77.0.2", "100.64.0.9", "100.64.0.9 is the provider's shared space"},
      {Found::Kind::Unfit, "10.77.0.2", "185.77.0.1",
       "185.77.0.1 is given by a router that is not connected"},
      {Found::Kind::Unfit, "10.77.0.2", "", "is none: the router may sit behind another router"},
      {Found::Kind::Valid, "10.77.0.2", "1.2.3.4\n<x>", "\"1.2.3.4?<x>\" is no address"},
      {Found::Kind::Valid, "0.0.0.0", "185.77.0.1",
       "185.77.0.1 leads to no address of this machine (\"0.0.0.0\")"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    Keeping k;
    k.router.found = {c.kind, kUrl, c.lan, c.external};
    k.keeper.Begin({});
    const std::string line = c.kind == Found::Kind::None ? c.log : kWhy + std::string(c.log);
    EXPECT_EQ(k.log, std::vector<std::string>{line});
    EXPECT_FALSE(k.keeper.Current());
    EXPECT_EQ(k.router.maps, 0);
    EXPECT_TRUE(k.keeper.ToRemember().noRouter);  // the next login is not held
    EXPECT_FALSE(k.keeper.DueInMs());
  }
}

TEST(MappingKeeper, RenewsEveryHalfHourAndRemovesAtTheEnd) {
  Keeping k;
  k.keeper.Begin({});
  EXPECT_EQ(k.keeper.DueInMs(), 30 * kMinute);
  k.now += 30 * kMinute - 1;
  k.keeper.Renew();  // not yet due: nothing asked
  EXPECT_EQ(k.router.maps, 1);
  EXPECT_EQ(k.keeper.DueInMs(), 1u);
  k.now += 1;
  k.keeper.Renew();
  EXPECT_EQ(k.router.maps, 2);
  EXPECT_EQ(k.keeper.DueInMs(), 30 * kMinute);
  k.now += 30 * kMinute;
  k.keeper.Renew();
  EXPECT_EQ(k.router.maps, 3);
  k.keeper.End();
  EXPECT_TRUE(k.router.table.empty());
  EXPECT_EQ(k.log.back(), "upnp: removed 185.77.0.1:1560");
  k.keeper.End();  // once
  EXPECT_EQ(k.log.size(), 4u);
  EXPECT_EQ(k.log[1], "upnp: renewed 185.77.0.1:1560, lease 3600 s");
  EXPECT_EQ(k.keeper.ToRemember().mappedPort, 0);
  EXPECT_EQ(k.keeper.DueInMs(), 30 * kMinute);  // nothing mapped, the router still there
}

TEST(MappingKeeper, ARenewalRefusedMapsAnewAndAnUnansweredOneWaitsForTheNext) {
  Keeping k;
  k.keeper.Begin({});
  // The router restarted and gave the port to another machine meanwhile.
  k.router.table[1560] = kOtherMachine;
  k.now += 30 * kMinute;
  k.keeper.Renew();
  EXPECT_EQ(k.keeper.Current()->externalPort, 1561);
  EXPECT_EQ(k.log[1], "upnp: refused 185.77.0.1:1560 (renewal, error 718)");
  k.router.silent = true;
  k.now += 30 * kMinute;
  k.keeper.Renew();
  EXPECT_FALSE(k.keeper.Current());
  k.router.silent = false;
  k.now += 30 * kMinute;
  k.keeper.Renew();
  ASSERT_TRUE(k.keeper.Current());
  EXPECT_EQ(k.keeper.Current()->externalPort, 1561);
  // An end the router does not answer leaves the port remembered, to be
  // replaced at the next start.
  k.router.silent = true;
  k.keeper.End();
  EXPECT_EQ(k.log.back(), "upnp: not removed 185.77.0.1:1561");
  EXPECT_EQ(k.keeper.ToRemember().mappedPort, 1561);
}

}  // namespace
}  // namespace kvel::router

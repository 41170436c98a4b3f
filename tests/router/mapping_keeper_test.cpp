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

struct BeginCase {
  const char* name;
  std::function<void(ScriptedGateway&)> script;
  Remembered remembered;
  std::vector<std::string> log;
  uint16_t mappedPort;  // 0: none
  bool permanent;
  bool remembersNoRouter;
};

const Entry kOwnLeft{"10.77.0.2", "1560", "kvel"};
const Entry kOtherMachine{"10.77.0.9", "1560", "game"};

const BeginCase kBeginCases[] = {
    {"maps the listening port to itself",
     [](ScriptedGateway&) {},
     {},
     {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"},
     1560,
     false,
     false},
    {"a conflict tries the next port",
     [](ScriptedGateway& r) { r.table[1560] = kOtherMachine; },
     {},
     {"upnp: refused 185.77.0.1:1560 (error 718)",
      "upnp: mapped 185.77.0.1:1561 -> 10.77.0.2:1560, lease 3600 s"},
     1561,
     false,
     false},
    {"four refusals give up",
     [](ScriptedGateway& r) {
       for (uint16_t p = 1560; p < 1564; ++p) r.table[p] = kOtherMachine;
     },
     {},
     {"upnp: refused 185.77.0.1:1560 (error 718)", "upnp: refused 185.77.0.1:1561 (error 718)",
      "upnp: refused 185.77.0.1:1562 (error 718)", "upnp: refused 185.77.0.1:1563 (error 718)"},
     0,
     false,
     false},
    {"a router of permanent mappings only gets one",
     [](ScriptedGateway& r) { r.onlyPermanent = true; },
     {},
     {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, permanent"},
     1560,
     true,
     false},
    {"a router that stops answering is not asked on",
     [](ScriptedGateway& r) { r.silent = true; },
     {},
     {"upnp: refused 185.77.0.1:1560 (no answer)"},
     0,
     false,
     false},
    {"a mapping left behind on another port is replaced",
     [](ScriptedGateway& r) { r.table[1561] = kOwnLeft; },
     {false, "http://10.77.0.1:5000/rootDesc.xml", 1561},
     {"upnp: replaced a mapping left behind at 185.77.0.1:1561",
      "upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"},
     1560,
     false,
     false},
    {"another machine's mapping on the remembered port stays",
     [](ScriptedGateway& r) { r.table[1561] = kOtherMachine; },
     {false, "http://10.77.0.1:5000/rootDesc.xml", 1561},
     {"upnp: mapped 185.77.0.1:1560 -> 10.77.0.2:1560, lease 3600 s"},
     1560,
     false,
     false},
    {"no router",
     [](ScriptedGateway& r) { r.found = {}; },
     {},
     {"upnp: no router answered"},
     0,
     false,
     true},
    {"a private external address is not announced",
     [](ScriptedGateway& r) {
       r.found.kind = Found::Kind::Unfit;
       r.found.externalAddress = "10.99.0.1";
     },
     {},
     {"upnp: not announced: the router's external address 10.99.0.1 is private"},
     0,
     false,
     true},
    {"a router's reserved address found at the remembered place is not announced",
     [](ScriptedGateway& r) { r.found.externalAddress = "198.51.100.7"; },
     {},
     {"upnp: not announced: the router's external address 198.51.100.7 is reserved"},
     0,
     false,
     true},
    {"a disconnected router is not announced",
     [](ScriptedGateway& r) { r.found.kind = Found::Kind::Unfit; },
     {},
     {"upnp: not announced: the router's external address 185.77.0.1 is given by a router that "
      "is not connected"},
     0,
     false,
     true},
    {"garbage for an address is shown bounded and printable",
     [](ScriptedGateway& r) { r.found.externalAddress = std::string("1.2.3.4\n<x>", 11); },
     {},
     {"upnp: not announced: the router's external address \"1.2.3.4?<x>\" is no address"},
     0,
     false,
     true},
    {"no address of this machine to map to",
     [](ScriptedGateway& r) { r.found.lanAddress = "0.0.0.0"; },
     {},
     {"upnp: not announced: the router's external address 185.77.0.1 leads to no address of "
      "this machine (\"0.0.0.0\")"},
     0,
     false,
     true},
};

TEST(MappingKeeper, BeginsAsTheRouterAnswers) {
  for (const BeginCase& c : kBeginCases) {
    SCOPED_TRACE(c.name);
    Keeping k;
    c.script(k.router);
    k.keeper.Begin(c.remembered);
    EXPECT_EQ(k.log, c.log);
    const std::optional<Mapped> mapped = k.keeper.Current();
    EXPECT_EQ(mapped ? mapped->externalPort : 0, c.mappedPort);
    if (mapped) {
      EXPECT_EQ(mapped->permanent, c.permanent);
      EXPECT_EQ(k.router.table[c.mappedPort].internalClient, "10.77.0.2");
      EXPECT_EQ(k.router.leases[c.mappedPort], c.permanent ? 0u : 3600u);
    }
    const Remembered remembered = k.keeper.ToRemember();
    EXPECT_EQ(remembered.noRouter, c.remembersNoRouter);
    EXPECT_EQ(remembered.mappedPort, c.mappedPort);
    EXPECT_EQ(k.router.askedUrl, c.remembered.descriptionUrl);
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

TEST(MappingKeeper, APermanentMappingOrNoRouterNeedsNoRenewal) {
  Keeping permanent;
  permanent.router.onlyPermanent = true;
  permanent.keeper.Begin({});
  EXPECT_FALSE(permanent.keeper.DueInMs());
  Keeping none;
  none.router.found = {};
  none.keeper.Begin({});
  EXPECT_FALSE(none.keeper.DueInMs());
  none.keeper.End();
  EXPECT_EQ(none.router.maps, 0);
}

}  // namespace
}  // namespace kvel::router

// MappingKeeper: maps kvel's listening port on the home router and keeps the
// mapping: found and made once (Begin), renewed on its clock before the
// lease runs out (Renew), removed at the end (End). Every step is one call,
// so that a test drives it on a scripted clock over scripted answers; the
// mapping's thread (PortMapping) makes the calls in the product.
//
// Thread safety: one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "router/gateway.h"
#include "router/router_answers.h"

namespace kvel::router {

struct MappingPlan {
  uint16_t localPort = 1560;  // the listener's; preferred as the external port too
  uint32_t searchMs = 1000;   // a search waits about this, at most twice
  uint32_t leaseSeconds = 3600;
  uint32_t renewMs = 30 * 60 * 1000;
  // External ports tried, from localPort on, when the router refuses one.
  int portTries = 4;
};

// What the login announces: the router's public address and the mapped port.
struct Mapped {
  uint32_t externalAddress = 0;  // network byte order
  uint16_t externalPort = 0;
  uint32_t lanAddress = 0;  // this machine's, which the mapping leads to
  bool permanent = false;   // the router takes no lease: nothing to renew
};

class MappingKeeper {
 public:
  using Log = std::function<void(const std::string& line)>;
  // `gateway` outlives the keeper.
  MappingKeeper(Gateway& gateway, const MappingPlan& plan, platform::Clock clock, Log log);

  // Finds the router (at the remembered address first) and maps the port;
  // a mapping of kvel's left behind by an earlier run is replaced.
  void Begin(const Remembered& remembered);
  // Milliseconds until Renew is due; nullopt when nothing is to be renewed.
  std::optional<uint32_t> DueInMs() const;
  // Renews the lease when due (early calls do nothing); a router that lost
  // the mapping gets it anew.
  void Renew();
  // Removes the mapping, if any.
  void End();

  const std::optional<Mapped>& Current() const { return mapped_; }
  // What the next start begins from.
  Remembered ToRemember() const { return remember_; }

 private:
  bool Unfit(const Found& found);
  // Removes kvel's own mapping of `port` left by an earlier run; true when it went.
  bool ReplaceLeftBehind(uint16_t port);
  // Maps the first port the router takes, from localPort on.
  void MapFirstFree();
  int MapPort(uint16_t port, bool* permanent);
  std::string External(uint16_t port) const;

  Gateway& gateway_;
  MappingPlan plan_;
  platform::Clock clock_;
  Log log_;
  uint32_t lanAddress_ = 0;
  uint32_t externalAddress_ = 0;
  std::optional<Mapped> mapped_;
  uint32_t mappedAt_ = 0;  // clock reading of the last map or renewal
  Remembered remember_;
};

}  // namespace kvel::router

// MappingRun: the body of the mapping's thread, as one callable. It makes a
// gateway, begins the mapping, renews it when due and removes it once asked
// to stop; what it found is published in the shared MappingShared, which the
// login reads and the stop waits on.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "router/gateway.h"
#include "router/mapping_keeper.h"

namespace kvel::router {

// What the plug-in gives the mapping at its start.
struct MappingSetup {
  MappingPlan plan;
  // The remembered router's file; empty: nothing is remembered.
  std::string rememberedPath;
  // Makes the gateway on the mapping's thread.
  std::function<std::shared_ptr<Gateway>()> makeGateway;
  MappingKeeper::Log log;
  platform::Clock clock;
  // How long after the start the first login may wait for the mapping.
  uint32_t loginHoldMs = 1500;
};

// Shared by the thread, the login and the stop.
struct MappingShared {
  MappingSetup setup;
  Remembered remembered;  // as the start read it

  std::mutex mutex;
  std::condition_variable changed;
  bool stopping = false;
  bool settled = false;  // the first mapping is made, or will not be
  bool ended = false;    // the thread has removed the mapping and returns
  std::optional<Mapped> mapped;
  bool loginMissed = false;  // a login went out before the mapping was settled
};

class MappingRun {
 public:
  explicit MappingRun(std::shared_ptr<MappingShared> shared) : shared_(std::move(shared)) {}
  void operator()();

 private:
  // Publishes the keeper's mapping; false once the stop was asked.
  bool Publish(const MappingKeeper& keeper, bool settled);

  std::shared_ptr<MappingShared> shared_;
};

}  // namespace kvel::router

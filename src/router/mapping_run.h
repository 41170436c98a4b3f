// MappingRun: the body of the mapping's worker, as one callable. It makes a
// gateway, begins the mapping, renews it when due and removes it once the
// worker is stopped; what it found is published in the shared
// MappingShared, which the login reads.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "router/gateway.h"
#include "platform/threads/worker.h"
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

// Shared by the thread and the login.
struct MappingShared {
  MappingSetup setup;
  Remembered remembered;  // as the start read it

  std::mutex mutex;
  std::condition_variable changed;
  bool settled = false;  // the first mapping is made, or will not be
  std::optional<Mapped> mapped;
  bool loginMissed = false;  // a login went out before the mapping was settled
};

class MappingRun {
 public:
  explicit MappingRun(std::shared_ptr<MappingShared> shared) : shared_(std::move(shared)) {}
  void operator()(platform::WorkerStop& stop);

 private:
  // Publishes the keeper's mapping, settled; false once the stop was asked.
  bool Publish(const MappingKeeper& keeper, const platform::WorkerStop& stop);

  std::shared_ptr<MappingShared> shared_;
};

}  // namespace kvel::router

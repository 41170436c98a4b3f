// PortMapping: the router's mapping of kvel's port from the plug-in's start
// to its stop, made and kept on a worker of its own (MappingRun), so that
// the host's thread never waits on the router, but for the first login,
// which it holds for a bounded time.
//
// Thread safety: Start and Stop from one thread; ForLogin from any.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/threads/worker.h"
#include "router/mapping_run.h"

namespace kvel::router {

// The stop waits this long for the mapping's removal.
inline constexpr uint32_t kRemovalWaitMs = 1000;
// A first login held for the mapping reads the clock again at least this often.
inline constexpr uint32_t kLoginLookMs = 100;

class PortMapping {
 public:
  PortMapping() = default;
  PortMapping(const PortMapping&) = delete;
  PortMapping& operator=(const PortMapping&) = delete;
  ~PortMapping();  // Stop

  // Starts the mapping's thread; false when it cannot start (or a start
  // came already).
  bool Start(MappingSetup setup);
  // Asks the thread to remove the mapping and end, and waits for that at
  // most kRemovalWaitMs, spending the waits with `wait`. True when it ended;
  // a later call waits again for a thread that did not.
  bool Stop(void (*wait)(uint32_t milliseconds));
  // What the login announces; nullopt when there is no mapping (yet). The
  // first call waits for a mapping under way, until loginHoldMs after
  // Start, unless the last start found no router; later calls never wait.
  std::optional<Mapped> ForLogin();

 private:
  std::shared_ptr<MappingShared> shared_;
  uint32_t startedMs_ = 0;       // on the setup's clock
  bool firstLoginSeen_ = false;  // under shared_->mutex
  platform::Worker worker_;
};

}  // namespace kvel::router

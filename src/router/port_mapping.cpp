#include "router/port_mapping.h"

#include "platform/threads/threads.h"
#include "router/remembered_file.h"

namespace kvel::router {

PortMapping::~PortMapping() {
  Stop(&platform::SleepMilliseconds);
}

bool PortMapping::Start(MappingSetup setup) {
  if (shared_ != nullptr) return false;
  auto shared = std::make_shared<MappingShared>();
  if (!setup.rememberedPath.empty()) shared->remembered = LoadRemembered(setup.rememberedPath);
  shared->setup = std::move(setup);
  startedMs_ = shared->setup.clock();
  // The body holds its own share of the state: it may outlive a stop that
  // gave up waiting for a slow router.
  if (!worker_.Start([run = MappingRun(shared)](platform::WorkerStop& stop) mutable { run(stop); }))
    return false;
  shared_ = std::move(shared);
  return true;
}

bool PortMapping::Stop(void (*wait)(uint32_t milliseconds)) {
  return worker_.Stop(kRemovalWaitMs, wait);
}

std::optional<Mapped> PortMapping::ForLogin() {
  if (shared_ == nullptr) return std::nullopt;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  if (!firstLoginSeen_) {
    firstLoginSeen_ = true;
    if (!shared_->remembered.noRouter) {
      const platform::Deadline hold(shared_->setup.clock, startedMs_, shared_->setup.loginHoldMs);
      while (!shared_->settled && !hold.Passed())
        shared_->changed.wait_for(lock, hold.Slice(kLoginLookMs));
    }
  }
  if (!shared_->mapped && !shared_->settled) shared_->loginMissed = true;
  return shared_->mapped;
}

}  // namespace kvel::router

#include "router/port_mapping.h"

#include "platform/threads.h"
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
  holdMs_ = shared->setup.loginHoldMs;
  holdFirstLogin_ = !shared->remembered.noRouter;
  // The thread holds the module while it runs, and its own share of the
  // state: it may outlive a stop that gave up waiting for a slow router.
  auto* run = new MappingRun(shared);
  const bool spawned = platform::SpawnDetachedThread(
      [](void* argument) {
        std::unique_ptr<MappingRun> owned(static_cast<MappingRun*>(argument));
        (*owned)();
      },
      run);
  if (!spawned) {
    delete run;
    return false;
  }
  shared_ = std::move(shared);
  return true;
}

bool PortMapping::Stop(void (*wait)(uint32_t milliseconds)) {
  if (shared_ == nullptr) return true;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
  }
  shared_->changed.notify_all();
  constexpr uint32_t kSliceMs = 5;
  for (uint32_t waited = 0;; waited += kSliceMs) {
    {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      if (shared_->ended) return true;
    }
    if (waited >= kRemovalWaitMs) return false;
    wait(kSliceMs);
  }
}

std::optional<Mapped> PortMapping::ForLogin() {
  if (shared_ == nullptr) return std::nullopt;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  if (!firstLoginSeen_) {
    firstLoginSeen_ = true;
    if (holdFirstLogin_) {
      const platform::Deadline hold(shared_->setup.clock, startedMs_, holdMs_);
      while (!shared_->settled && !hold.Passed())
        shared_->changed.wait_for(lock, hold.Slice(kLoginLookMs));
    }
  }
  if (!shared_->mapped && !shared_->settled) shared_->loginMissed = true;
  return shared_->mapped;
}

}  // namespace kvel::router

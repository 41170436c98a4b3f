#include "router/mapping_run.h"

#include <chrono>

#include "router/remembered_file.h"
#include "router/router_texts.h"

namespace kvel::router {

void MappingRun::operator()() {
  MappingSetup& setup = shared_->setup;
  std::shared_ptr<Gateway> gateway = setup.makeGateway();
  if (gateway != nullptr) {
    MappingKeeper keeper(*gateway, setup.plan, setup.clock, setup.log);
    keeper.Begin(shared_->remembered);
    if (Publish(keeper, true)) {
      std::unique_lock<std::mutex> lock(shared_->mutex);
      for (;;) {
        const std::optional<uint32_t> due = keeper.DueInMs();
        const auto done = [this] { return shared_->stopping; };
        if (!due) {
          shared_->changed.wait(lock, done);
        } else if (!shared_->changed.wait_for(lock, std::chrono::milliseconds(*due), done)) {
          lock.unlock();
          keeper.Renew();
          if (!Publish(keeper, true)) break;
          lock.lock();
          continue;
        }
        break;
      }
    }
    keeper.End();
    if (!setup.rememberedPath.empty()) SaveRemembered(setup.rememberedPath, keeper.ToRemember());
  }
  // Before the stop hears of the end: the gateway may borrow what its
  // maker owns.
  gateway.reset();
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->mapped.reset();
  shared_->settled = true;
  shared_->ended = true;
  shared_->changed.notify_all();
}

bool MappingRun::Publish(const MappingKeeper& keeper, bool settled) {
  if (!shared_->setup.rememberedPath.empty())
    SaveRemembered(shared_->setup.rememberedPath, keeper.ToRemember());
  bool late = false;
  bool stopping = false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    late = shared_->loginMissed && keeper.Current() && !shared_->mapped;
    shared_->mapped = keeper.Current();
    shared_->settled = settled;
    stopping = shared_->stopping;
  }
  shared_->changed.notify_all();
  if (late) shared_->setup.log(text::kLogUpnpLate);
  return !stopping;
}

}  // namespace kvel::router

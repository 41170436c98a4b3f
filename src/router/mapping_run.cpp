#include "router/mapping_run.h"

#include "router/remembered_file.h"
#include "router/router_texts.h"

namespace kvel::router {

void MappingRun::operator()(platform::WorkerStop& stop) {
  MappingSetup& setup = shared_->setup;
  std::shared_ptr<Gateway> gateway = setup.makeGateway();
  if (gateway != nullptr) {
    MappingKeeper keeper(*gateway, setup.plan, setup.clock, setup.log);
    keeper.Begin(shared_->remembered);
    if (Publish(keeper, stop)) {
      // Renewed when due, until the stop.
      for (;;) {
        const std::optional<uint32_t> due = keeper.DueInMs();
        if (stop.WaitFor(due ? *due : platform::kNoDeadline)) break;
        if (!due) continue;
        keeper.Renew();
        if (!Publish(keeper, stop)) break;
      }
    }
    keeper.End();
    if (!setup.rememberedPath.empty()) SaveRemembered(setup.rememberedPath, keeper.ToRemember());
  }
  // Before the worker's stop hears of the end: the gateway may borrow what
  // its maker owns.
  gateway.reset();
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->mapped.reset();
  shared_->settled = true;
  shared_->changed.notify_all();
}

bool MappingRun::Publish(const MappingKeeper& keeper, const platform::WorkerStop& stop) {
  if (!shared_->setup.rememberedPath.empty())
    SaveRemembered(shared_->setup.rememberedPath, keeper.ToRemember());
  bool late = false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    late = shared_->loginMissed && keeper.Current() && !shared_->mapped;
    shared_->mapped = keeper.Current();
    shared_->settled = true;
  }
  shared_->changed.notify_all();
  if (late) shared_->setup.log(text::kLogUpnpLate);
  return !stop.Requested();
}

}  // namespace kvel::router

#include "images/part_sweeper.h"

#include <utility>

namespace kvel::images {

PartSweeper::PartSweeper(std::function<void()> sweep, uint32_t intervalMs)
    : sweep_(std::move(sweep)), intervalMs_(intervalMs) {}

PartSweeper::~PartSweeper() {
  Stop();
}

bool PartSweeper::Start() {
  if (stopped_) return false;
  if (worker_.Running()) return true;
  // The body holds its own copy of the sweep: it may outlive a Stop that
  // gave up waiting for it.
  return worker_.Start([sweep = sweep_, intervalMs = intervalMs_](platform::WorkerStop& stop) {
    while (!stop.WaitFor(intervalMs)) sweep();
  });
}

bool PartSweeper::Stop() {
  stopped_ = true;
  return worker_.Stop();
}

}  // namespace kvel::images

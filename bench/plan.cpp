#include "plan.h"

#include "loopback_copy.h"

namespace kvel::bench {

std::vector<Point> Plan(const Options& options, uint64_t freeBytes,
                        std::vector<std::string>* notes) {
  std::vector<Point> asked;
  for (uint64_t megabytes : options.megabytes) asked.push_back({1, megabytes});
  for (uint64_t count : options.concurrent) {
    if (count > static_cast<uint64_t>(kMostPairs)) {
      notes->push_back(std::to_string(count) + " at once: more pairs than loopback addresses");
      continue;
    }
    asked.push_back({count, options.totalMegabytes / count});
  }
  std::vector<Point> points;
  for (Point point : asked) {
    // A source and a target per transfer, in half the free space.
    const uint64_t fits = freeBytes / 2 / (2 * point.count) >> 20;
    if (point.megabytes > fits) {
      notes->push_back(std::to_string(point.count) + " x " + std::to_string(point.megabytes) +
                       " MiB do not fit the disk: " + std::to_string(fits) + " MiB each");
      point.megabytes = fits;
    }
    if (point.megabytes > 0) points.push_back(point);
  }
  return points;
}

}  // namespace kvel::bench

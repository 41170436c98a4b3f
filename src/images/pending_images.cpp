#include "images/pending_images.h"

#include <map>
#include <mutex>

namespace kvel::images {
namespace {

struct Table {
  std::mutex mutex;
  std::map<ImageId, std::string> paths;
};

Table& PendingTable() {
  static Table table;
  return table;
}

}  // namespace

void AddPendingImage(const ImageId& id, std::string path) {
  Table& table = PendingTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.paths[id] = std::move(path);
}

std::optional<std::string> TakePendingImage(const ImageId& id) {
  Table& table = PendingTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto found = table.paths.find(id);
  if (found == table.paths.end()) return std::nullopt;
  std::string path = std::move(found->second);
  table.paths.erase(found);
  return path;
}

void ClearPendingImages() {
  Table& table = PendingTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.paths.clear();
}

}  // namespace kvel::images

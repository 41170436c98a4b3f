#include "plugin/data_path.h"

namespace kvel {
namespace {
std::string g_dataPath = "c:\\";
}

const std::string& DataPath() {
  return g_dataPath;
}
void SetDataPath(std::string path) {
  g_dataPath = std::move(path);
}

}  // namespace kvel

// DataPath: the host's data directory followed by "kvel\"; "c:\" until
// LoadPlugin sets it, empty when the host named no data directory.
#pragma once

#include <string>

namespace kvel {

// Written only by LoadPlugin before any thread of the plug-in starts.
const std::string& DataPath();
void SetDataPath(std::string path);

}  // namespace kvel

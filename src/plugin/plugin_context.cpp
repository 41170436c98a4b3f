#include "plugin/plugin_context.h"

#include <memory>

#include "plugin/host.h"
#include "plugin/production_edges.h"

namespace kvel {
namespace {
// Made at module load, ended at detach (after UnloadPlugin).
std::unique_ptr<Plugin> g_plugin = std::make_unique<Plugin>();
}  // namespace

Plugin::Plugin() : users(moduleHost, settings), listener(moduleHost, ProductionEdges()) {}

Plugin& ThePlugin() {
  return *g_plugin;
}

void RenewPlugin() {
  g_plugin.reset();
  g_plugin = std::make_unique<Plugin>();
}

}  // namespace kvel

#include "plugin/plugin_context.h"

#include <memory>
#include <vector>

#include "images/image_cache.h"
#include "p2p/connection_limits.h"
#include "platform/threads.h"
#include "plugin/host.h"
#include "plugin/production_bindings.h"

namespace kvel {
namespace {

// The one owner of the context: makes one at module load and anew at each
// LoadPlugin, and ends the last at detach, each time after UnloadPlugin has
// stopped the connections and waited for them.
class PluginOwner {
 public:
  ~PluginOwner() { End(); }
  Plugin& Get() { return *plugin_; }
  ModuleHost& Host() { return host_; }
  void Renew() {
    End();
    plugin_ = std::make_unique<Plugin>(host_);
  }

 private:
  // A connection thread still running (one held by a question box past
  // UnloadPlugin's wait) reaches the context until it ends: such a context
  // is left to the process rather than freed under the thread.
  void End() {
    if (plugin_ == nullptr) return;
    plugin_->connections.Stop();
    if (!plugin_->connections.WaitEmpty(p2p::kUnloadWaitMs, &platform::SleepMilliseconds)) {
      abandoned_.push_back(plugin_.release());
      return;
    }
    plugin_.reset();
  }

  // Declared first: every context calls the host until it is ended.
  ModuleHost host_;
  std::unique_ptr<Plugin> plugin_ = std::make_unique<Plugin>(host_);
  std::vector<Plugin*> abandoned_;
};

PluginOwner g_owner;

}  // namespace

Plugin::Plugin(ModuleHost& host)
    : host(host),
      users(host, settings),
      connections(p2p::kConnectionLimits.maxConnections),
      callBacks(p2p::kMaxAwaitedCallBacks, p2p::kCallBackWaitMs, &platform::TickCount),
      connectionServices(MakeConnectionServices(*this)),
      requestedImages(&platform::TickCount,
                      [this](const wire::ImageId& id) { images::RemoveImagePart(dataPath, id); }),
      listener(host, connectionServices) {}

Plugin& ThePlugin() {
  return g_owner.Get();
}

ModuleHost& TheModuleHost() {
  return g_owner.Host();
}

Plugin& StartPlugin() {
  g_owner.Renew();
  return g_owner.Get();
}

void RenewPlugin() {
  g_owner.Renew();
}

}  // namespace kvel

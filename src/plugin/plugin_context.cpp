#include "plugin/plugin_context.h"

#include <memory>
#include <string>
#include <vector>

#include "images/image_cache.h"
#include "p2p/admission/connection_limits.h"
#include "plugin/settings_file.h"
#include "transfers/side/platform_side.h"

namespace kvel {
namespace {

// The one owner of the context: makes one at module load and anew at each
// LoadPlugin, and ends the last at detach.
class PluginOwner {
 public:
  ~PluginOwner() { End(); }
  Plugin& Get() { return *plugin_; }
  ModuleHost& Host() { return host_; }
  void Renew(const PluginSetup& setup) {
    End();
    plugin_ = std::make_unique<Plugin>(host_, setup);
  }

 private:
  // Stops the context (UnloadPlugin usually did already). A thread still
  // running (a connection held by a question box past the wait) reaches the
  // context until it ends: such a context is left to the process rather
  // than freed under the thread.
  void End() {
    if (plugin_ == nullptr) return;
    if (!plugin_->Stop(&platform::SleepMilliseconds)) {
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

// A stopped transfer may wait under a speed limit or for a call-back: the
// waits look again.
class StopWaker final : public transfers::TransfersObserver {
 public:
  explicit StopWaker(PluginParts& parts) : parts_(parts) {}
  void TransferListed(const transfers::Transfer&) override {}
  void TransferEnded(const transfers::Transfer&) override {}
  void TransferStopped(const transfers::Transfer&) override {
    parts_.sendLimit.Wake();
    parts_.receiveLimit.Wake();
    parts_.callBacks.Look();
  }

 private:
  PluginParts& parts_;
};

}  // namespace

Plugin::Plugin(ModuleHost& host, const PluginSetup& setup)
    : parts_(host, setup),
      autoAcceptRead_(setup.autoAccept),
      listener_(host, parts_.connectionServices),
      partSweeper_([this] { parts_.requestedImages.Sweep(); }),
      registrations_(host) {}

void Plugin::Start() {
  ModuleHost& host = parts_.host;
  const std::string& dataPath = parts_.dataPath;
  if (parts_.settings.speedLimitKb != 0) {
    host.Log((text::kLogSpeedLimit + std::to_string(parts_.settings.speedLimitKb) +
              text::kLogSpeedLimitUnit)
                 .c_str());
  }
  if (!dataPath.empty()) {
    const std::string line = AutoAcceptLogLine(autoAcceptRead_, parts_.autoAccept.Folder());
    if (!line.empty()) host.Log(line.c_str());
    // Before the hook: no part of this run exists yet. The cache's files
    // are verified off this thread, where needed.
    images::RemoveStaleParts(dataPath);
    parts_.cacheTrust.Start(dataPath);
    // The parts cut transfers kept: those grown old or changed go now.
    transfers::PlatformTransferSide side(host, nullptr);
    parts_.keptParts.Open(dataPath + text::kKeptPartsList, side);
  }
  registrations_.Hook();
  listener_.Start(parts_.settings.localPort);
  StartPortMapping(parts_);
  parts_.callBacks.Start();
  partSweeper_.Start();
  stopWaker_ = std::make_shared<StopWaker>(parts_);
  parts_.transfers.AddObserver(stopWaker_);
  window_ = std::make_unique<ui::TransferWindow>(parts_.transfers, host.Module());
  registrations_.AddMenus();
}

bool Plugin::Stop(void (*wait)(uint32_t milliseconds)) {
  registrations_.RemoveMenus();
  // The router stops sending peers here before the socket closes.
  parts_.portMapping.Stop(wait);
  const bool listenerEnded = listener_.Stop();
  parts_.connections.Stop();
  parts_.transfers.StopAll();
  parts_.sendLimit.Stop();
  parts_.receiveLimit.Stop();
  // Before the waits end: a send whose turn comes starts nothing now.
  parts_.sends.Stop();
  // A call-back waiting for the user's answer about another's gives up.
  parts_.foreignCallBacks.Stop();
  parts_.notices.Stop();
  const bool connectionsEnded = parts_.connections.WaitEmpty(p2p::kUnloadWaitMs, wait);
  // A thread past the wait says nothing more to the host once the reports
  // under way are done.
  parts_.connections.WaitReportsDone(wait);
  const bool sweeperEnded = partSweeper_.Stop();
  // After the reports: the call-backs' thread, which reports too, then ends
  // at once instead of waiting for this thread to serve a host call.
  const bool watchEnded = parts_.callBacks.Stop();
  parts_.requestedImages.Clear();
  // Only now: the window shows the transfers ending until the connections
  // are gone.
  window_.reset();
  if (stopWaker_) parts_.transfers.RemoveObserver(stopWaker_.get());
  registrations_.Unhook();
  // Its thread touches nothing of the context but its own state.
  parts_.cacheTrust.Stop();
  return listenerEnded && connectionsEnded && sweeperEnded && watchEnded;
}

Plugin& ThePlugin() {
  return g_owner.Get();
}

ModuleHost& TheModuleHost() {
  return g_owner.Host();
}

Plugin& StartPlugin(const PluginSetup& setup) {
  g_owner.Renew(setup);
  return g_owner.Get();
}

}  // namespace kvel

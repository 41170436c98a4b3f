// What the plug-in keeps while the host has it loaded: its parts (see
// PluginParts), the listener, the sweeper of image parts, the transfer
// window and its registrations with the host. LoadPlugin makes a fresh one
// from the setup it reads and starts it; UnloadPlugin stops it. Its memory
// stays until the next LoadPlugin or the detach, so that a host call still
// under way as the plug-in is unloaded finds a stopped context, never a
// freed one.
#pragma once

#include <cstdint>
#include <memory>

#include "gg/command_services.h"
#include "gg/hook_services.h"
#include "images/part_sweeper.h"
#include "p2p/connection/listener.h"
#include "platform/threads/threads.h"
#include "plugin/host.h"
#include "plugin/host_registrations.h"
#include "plugin/plugin_parts.h"
#include "plugin/plugin_setup.h"
#include "plugin/bindings/production_bindings.h"
#include "transfers/auto_accept/auto_accept_settings.h"
#include "transfers/registry/transfer_registry.h"
#include "ui/transfer_window.h"

namespace kvel {

class Plugin {
 public:
  // Built from `setup` over the module's host services, which outlive it.
  explicit Plugin(ModuleHost& host, const PluginSetup& setup = {});
  // After Stop: the peer table then takes each contact's icon away through
  // the host and releases its bitmaps.
  ~Plugin() = default;
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // The one start: logs the speed limit and the files taken without
  // asking; with a data directory removes the image parts of an earlier
  // run, verifies the image cache (off this thread) and lists the kept
  // parts; hooks the GG protocol; listens on the settings' port, maps it on
  // the router (off this thread), watches the awaited call-backs, sweeps the
  // image parts, makes the transfer window (hidden) on the calling thread,
  // which serves its messages from then on; and adds the menu commands.
  void Start();
  // The one stop, for UnloadPlugin and for the end of a context that was
  // never unloaded, in the start's reverse order where it can be: removes
  // the menus' callback, the router's mapping (waiting for that at most a
  // second) and the listener, stops every transfer as the stop button stops
  // one, ends every send waiting its turn and every wait for a call-back at
  // once and drops the boxes not yet shown, gives the connections' threads a
  // bounded time to end, forgets the images asked for, destroys the window,
  // unhooks and stops verifying the image cache. `wait` spends the waits:
  // the host's thread serves the messages other threads send it meanwhile
  // (a host call of a connection thread may wait for them); the module's
  // detach only sleeps. True when every thread that reaches the context
  // ended; otherwise the context must not be freed. A second call stops
  // nothing more.
  bool Stop(void (*wait)(uint32_t milliseconds) = &platform::ServeSentMessages);

  // The host, over the module handle and the host's record as they are at
  // each call.
  ModuleHost& Host() { return parts_.host; }
  // What the protocol hook and the menu commands reach of this context.
  gg::HookServices Hook() { return gg::HookServices(hook_); }
  gg::CommandServices& Commands() { return commands_; }

 private:
  PluginParts parts_;
  // The section of files taken without asking as read, for the log.
  const transfers::AutoAcceptParse autoAcceptRead_;
  ProductionHook hook_{parts_};
  ProductionCommands commands_{parts_};
  p2p::Listener listener_;
  // Forgets the requests for images that ran out every few seconds.
  images::PartSweeper partSweeper_;
  // Wakes what waits on a transfer when one is stopped; observes the
  // registry from Start to Stop.
  std::shared_ptr<transfers::TransfersObserver> stopWaker_;
  // The transfer window, observing the registry; exists from Start to Stop.
  std::unique_ptr<ui::TransferWindow> window_;
  HostRegistrations registrations_;
};

// The plug-in's context: the one LoadPlugin made, or the one made at module
// load before the first LoadPlugin. For the entry points and the host's
// callbacks only.
Plugin& ThePlugin();
// Ends the context (stopped by UnloadPlugin, or never started) and makes a
// fresh one from `setup`: LoadPlugin's first step, and natively a reload.
Plugin& StartPlugin(const PluginSetup& setup);

}  // namespace kvel

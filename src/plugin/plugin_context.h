// What the plug-in keeps from module load to detach: the module handle and
// host record, the settings, the data directory, the protocol hook's handle,
// the user's own number, the peer table, the images offered and asked for,
// and the listener.
// LoadPlugin fills it in and starts the listener; UnloadPlugin leaves it for
// the detach, which ends it after the host has let the plug-in go.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "common/settings.h"
#include "gg/user_db.h"
#include "host/host_api.h"
#include "images/pending_images.h"
#include "images/requested_images.h"
#include "p2p/listener.h"
#include "plugin/host.h"

namespace kvel {

class Plugin {
 public:
  // Over its own host services and the production connection edges.
  Plugin();
  // The listener stops first; the peer table then takes each contact's icon
  // away through the host and releases its bitmaps.
  ~Plugin() = default;
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // The module handle (from the attach routine) and the host's record (from
  // LoadPlugin), read at each call. Declared first: the members below call
  // the host until their destructors have run.
  ModuleHost moduleHost;
  // Written only by LoadPlugin before any thread of the plug-in starts;
  // read-only afterwards.
  Settings settings;
  // The host's data directory followed by "kvel\"; "c:\" until LoadPlugin
  // sets it, empty when the host named no data directory.
  std::string dataPath = "c:\\";
  host::Param hookHandle = 0;
  // The user's own GG number, learnt from the outgoing login packet; 0 until
  // the first login has passed. Written by the protocol hook only.
  std::atomic<uint32_t> ownUin{0};
  gg::UserDB users;
  // Images offered to peers and not yet asked for; they live until detach.
  images::PendingImages pendingImages;
  // Images asked of their senders; UnloadPlugin forgets them.
  images::RequestedImages requestedImages;
  p2p::Listener listener;
};

// The module's one context, made at module load.
Plugin& ThePlugin();
// Ends the context and makes a fresh one, as detaching and loading the module
// again would; for the linked build, where the module is never unmapped.
void RenewPlugin();

}  // namespace kvel

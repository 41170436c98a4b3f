// What the plug-in keeps while the host has it loaded: the settings, the data
// directory, the protocol hook's handle, the user's own number, the peer
// table, the transfers registry, the kept parts of cut transfers, the direct
// connections, the awaited call-backs, the sends waiting their turn, the
// turns of the offer questions, the files taken without the question, the
// boxes told, the images offered and asked for, the transfer window, the
// listener and the router's mapping of its port. LoadPlugin makes a fresh one, fills it in and
// starts it; UnloadPlugin stops it. Its memory stays until the next LoadPlugin or the detach, so
// that a host call still under way as the plug-in is unloaded finds a stopped context, never a
// freed one.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/settings.h"
#include "common/texts.h"
#include "gg/user_db.h"
#include "host/host_api.h"
#include "images/cache_trust.h"
#include "images/part_sweeper.h"
#include "images/pending_images.h"
#include "images/requested_images.h"
#include "p2p/admission/awaited_call_backs.h"
#include "p2p/connection/connection_services.h"
#include "p2p/admission/connection_set.h"
#include "p2p/admission/foreign_call_backs.h"
#include "p2p/connection/listener.h"
#include "p2p/reach/send_queue.h"
#include "platform/threads.h"
#include "plugin/host.h"
#include "router/port_mapping.h"
#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/telling/notice_batches.h"
#include "transfers/telling/question_turns.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/pace/speed_limit.h"
#include "ui/transfer_window.h"

namespace kvel {

class Plugin {
 public:
  // Over the module's host services, which outlive it.
  explicit Plugin(ModuleHost& host);
  // After Stop: the peer table then takes each contact's icon away through
  // the host and releases its bitmaps.
  ~Plugin() = default;
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // The one start, once the settings are read: listens on their port,
  // maps it on the router (off this thread), watches the awaited
  // call-backs, and makes the transfer window (hidden)
  // on the calling thread, which serves its messages from then on.
  void Start();
  // The one stop, for UnloadPlugin and for the end of a context that was
  // never unloaded: removes the router's mapping (waiting for that at most
  // a second), takes no new peer, stops every transfer as the stop
  // button stops one, ends every send waiting its turn and every wait for a
  // call-back at once and drops the boxes not yet shown, gives the
  // connections' threads a bounded time to end, forgets the images asked
  // for, stops verifying the image cache, and destroys the window.
  // `wait` spends the waits: the host's thread serves the messages other
  // threads send it meanwhile (a host call of a connection thread may wait
  // for them); the module's detach only sleeps. True when every connection
  // ended. A second call stops nothing more.
  bool Stop(void (*wait)(uint32_t milliseconds) = &platform::ServeSentMessages);

  // The host, over the module handle (from the attach routine) and the
  // host's record (from LoadPlugin) as they are at each call. It outlives
  // the context: the members below call the host until their destructors
  // have run.
  ModuleHost& host;
  // Written only by LoadPlugin before any thread of the plug-in starts;
  // read-only afterwards.
  Settings settings;
  // The host's data directory followed by "kvel\"; "c:\" until LoadPlugin
  // sets it, empty when the host named no data directory.
  std::string dataPath = text::kDataPathBeforeLoad;
  host::Param hookHandle = 0;
  // The user's own GG number, learnt from the outgoing login packet; 0 until
  // the first login has passed. Written by the protocol hook only.
  std::atomic<uint32_t> ownUin{0};
  gg::UserDB users;
  // Every file transfer from its beginning to its end.
  transfers::TransferRegistry transfers;
  // The parts cut transfers left, to be resumed; listed in the data
  // directory once LoadPlugin opens it there.
  transfers::KeptParts keptParts;
  // `keptParts` once it is listed; null without a data directory, where no
  // part is kept.
  transfers::KeptParts* KeptPartsIfAny() { return keptParts.Listing() ? &keptParts : nullptr; }
  // The direct connections running at once, capped.
  p2p::ConnectionSet connections;
  // The contacts this user asked to call back, each with the send that
  // waits for it; each served once.
  p2p::AwaitedCallBacks callBacks;
  // What the user said of call-backs from other addresses than announced.
  p2p::ForeignCallBacks foreignCallBacks;
  // This user's sends to each contact, a few at once, the rest waiting
  // their turn.
  p2p::SendQueue sends;
  // One question box per peer at a time.
  transfers::QuestionTurns questionTurns;
  // Whose files are taken without the question, and where; configured by
  // LoadPlugin from the settings.
  transfers::AutoAcceptor autoAccept;
  // The boxes of transfers that ended badly, those that come together in one.
  transfers::NoticeBatches notices;
  // The speed limits of all sends together and of all receives together;
  // configured by LoadPlugin from the settings (off by default).
  transfers::SpeedLimit sendLimit;
  transfers::SpeedLimit receiveLimit;
  // The transfer window, observing `transfers`; exists from Start to Stop.
  std::unique_ptr<ui::TransferWindow> window;
  // Has the speed limits' waits look again when a transfer is stopped;
  // observes `transfers` from Start to Stop.
  std::shared_ptr<transfers::TransfersObserver> limitWaker;
  // What connection threads reach: the members above and the host.
  std::shared_ptr<p2p::ConnectionServices> connectionServices;
  // Images offered to peers and not yet asked for.
  images::PendingImages pendingImages;
  // Images asked of their senders; UnloadPlugin forgets them, and what was
  // assembled of a forgotten one goes from the data directory.
  images::RequestedImages requestedImages;
  // Forgets the requests that ran out every few seconds; Start to Stop.
  images::PartSweeper partSweeper;
  // Which cache files are trusted without being read; LoadPlugin starts it.
  images::CacheTrust cacheTrust;
  p2p::Listener listener;
  // The router's mapping of the listening port, Start to Stop.
  router::PortMapping portMapping;
};

// The plug-in's context: the one LoadPlugin made, or the one made at module
// load before the first LoadPlugin.
Plugin& ThePlugin();
// The module's handle and the host's record: set at attach and by LoadPlugin,
// kept from module load to detach, across contexts.
ModuleHost& TheModuleHost();
// LoadPlugin's first step: ends the context (stopped by UnloadPlugin, or
// never started) and makes a fresh one.
Plugin& StartPlugin();
// Ends the context and makes a fresh one, as detaching and loading the module
// again would; for the linked build, where the module is never unmapped.
void RenewPlugin();

}  // namespace kvel

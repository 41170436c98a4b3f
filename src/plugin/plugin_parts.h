// The parts of one Plugin context that the product's bindings are handed.
// Built in one place, from the module's host and the setup; what starts and
// stops them is the Plugin's. A test or the fuzzer builds its own over its
// own ModuleHost.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/settings.h"
#include "gg/user_db.h"
#include "images/cache_trust.h"
#include "images/pending_images.h"
#include "images/requested_images.h"
#include "p2p/admission/awaited_call_backs.h"
#include "p2p/admission/connection_set.h"
#include "p2p/admission/foreign_call_backs.h"
#include "p2p/connection/connection_services.h"
#include "p2p/reach/send_queue.h"
#include "plugin/host.h"
#include "plugin/plugin_setup.h"
#include "router/port_mapping.h"
#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/pace/speed_limit.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/telling/notice_batches.h"
#include "transfers/telling/question_turns.h"

namespace kvel {

struct PluginParts {
  // Over the module's host services, which outlive the parts: they call the
  // host until their destructors have run.
  PluginParts(ModuleHost& host, const PluginSetup& setup);
  PluginParts(const PluginParts&) = delete;
  PluginParts& operator=(const PluginParts&) = delete;

  // `keptParts` once it is listed; null without a data directory, where no
  // part is kept.
  transfers::KeptParts* KeptPartsIfAny() { return keptParts.Listing() ? &keptParts : nullptr; }

  ModuleHost& host;
  const Settings settings;
  // See PluginSetup::dataPath.
  const std::string dataPath;
  // The user's own GG number, learnt from the outgoing login packet; 0 until
  // the first login has passed. Written by the protocol hook only.
  std::atomic<uint32_t> ownUin{0};
  gg::UserDB users;
  // Every file transfer from its beginning to its end.
  transfers::TransferRegistry transfers;
  // The parts cut transfers left, to be resumed; listed in the data
  // directory once the Plugin starts.
  transfers::KeptParts keptParts;
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
  // Whose files are taken without asking, and where.
  transfers::AutoAcceptor autoAccept;
  // The boxes of transfers that ended badly, those that come together in one.
  transfers::NoticeBatches notices;
  // The speed limits of all sends together and of all receives together
  // (off by default).
  transfers::SpeedLimit sendLimit;
  transfers::SpeedLimit receiveLimit;
  // What connection threads reach: the parts above and the host.
  std::shared_ptr<p2p::ConnectionServices> connectionServices;
  // Images offered to peers and not yet asked for.
  images::PendingImages pendingImages;
  // Images asked of their senders; the stop forgets them, and what was
  // assembled of a forgotten one goes from the data directory.
  images::RequestedImages requestedImages;
  // Which cache files are trusted without being read.
  images::CacheTrust cacheTrust;
  // The router's mapping of the listening port.
  router::PortMapping portMapping;
};

}  // namespace kvel

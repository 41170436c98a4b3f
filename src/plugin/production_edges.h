// The product's bindings of what the logic reaches outside itself: the
// process's host, peer table, settings, connections, dialogs and images.
#pragma once

#include <memory>

#include "gg/command_edges.h"
#include "gg/hook_edges.h"
#include "p2p/connection.h"

namespace kvel {

// The peer table, the user's own number, the awaited call-backs, the log, the transfer
// window and the two file procedures.
std::shared_ptr<const p2p::ConnectionEdges> ProductionEdges();
// The process UserDB, the user's own number, the settings, the platform's addresses, the
// host's raw send, connections and the image exchange.
const gg::HookEdges& ProductionHookEdges();
// LookupPeerAddressIn, p2p::StartOutgoing, p2p::AwaitedCallBacks, the host's
// raw send, platform::ShowError, platform::ChooseOpenFile and images::SendImage.
const gg::CommandEdges& ProductionCommandEdges();

}  // namespace kvel

// The other way round: a send of this user's that could not reach its
// contact directly asks the contact to call back, and waits for that.
#pragma once

#include <string>

#include "p2p/connection.h"

namespace kvel::p2p {

// Hands the request's send, no longer connected, to the awaited call-backs
// and asks its contact, by GG message, to call back; `failure` says why the
// direct connection failed. A send the user stopped meanwhile ends instead.
void FallBack(ConnectionRequest& request, const std::string& failure);

}  // namespace kvel::p2p

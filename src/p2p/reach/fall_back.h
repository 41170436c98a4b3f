// The other way round: a send of this user's that could not reach its
// contact directly asks the contact to call back, and waits for that; and
// what becomes of a wait no call-back answered.
#pragma once

#include <string>

#include "p2p/admission/awaited_call_backs.h"
#include "p2p/connection/connection_services.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/reach/send_queue.h"

namespace kvel::p2p {

// Hands the request's send, no longer connected, to the awaited call-backs
// and asks its contact, by GG message, to call back; `failure` says why the
// direct connection failed. A send the user stopped meanwhile ends instead.
void FallBack(ConnectionRequest& request, const std::string& failure);
// Ends a wait for a call-back that never came: its send, a log line and,
// unless the user stopped it, a box. One that ran out takes the contact's
// sends that wait their turn with it: the contact cannot be reached, and
// their boxes come together. What the call-backs' thread is given.
void EndUnanswered(ConnectionServices& services, SendQueue& sends,
                   AwaitedCallBacks::Unanswered unanswered);

}  // namespace kvel::p2p

// A send of this user's that never reached its contact: no direct
// connection and no call-back, or no place for it among the connections.
// What the log says of it and what the user is told. Pure: values in,
// values out.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "transfers/telling/transfer_outcome.h"

namespace kvel::p2p {

struct Unreached {
  enum class Why {
    NoConnection,  // neither a direct connection nor the call-back came
    NoPlace,       // too many connections at once
  };
  Why why = Why::NoConnection;
  // Send: this user's send. Receive: a call-back a peer asked for, which
  // this side could not make (only logged).
  transfers::TransferDirection direction = transfers::Send;
  uint32_t uin = 0;
  transfers::TransferOutcome outcome = transfers::TransferOutcome::Failed;
  // What went wrong, for the log: "connect failed (111), no call-back
  // within 180 s".
  std::string reason;
  // The file, when it was chosen before the connection (with others).
  std::string file{};
};

// Why a direct connection could not be made, from the connect's error:
// "connect timed out after 10 s", "connect failed (111)", "connect called
// off" (the send was stopped while it connected).
std::string ConnectFailure(const platform::Error& error, int timedOutCode, uint32_t limitMs);
// Why a wait for a call-back ended: `direct` (why the contact was asked;
// empty when it was asked from the start) and what became of the wait.
std::string NoCallBack(const std::string& direct, uint32_t waitMs);
std::string PushedOut(const std::string& direct);

// "not connected: send peer=1002 outcome=failed reason=..."; "receive" for
// a call-back this side could not make.
std::string UnreachedLogLine(const Unreached& unreached);
// The box's text (Windows-1250), naming the contact and the file if known,
// and its caption; both empty for a send that was stopped and for a
// call-back this side could not make (only logged).
transfers::UserNotice UnreachedNotice(const Unreached& unreached, const std::string& contact);

}  // namespace kvel::p2p

// The handshake that opens every direct connection, played over a stream:
// the caller sends its number and the called one's, the called side answers
// "UDAG", the caller sends the direction code. Each step reads exactly what
// it needs, however the peer splits it.
#pragma once

#include <cstdint>
#include <functional>

#include "transfers/stream/stream_connection.h"
#include "transfers/registry/transfer.h"

namespace kvel::p2p {

struct Handshake {
  enum class Result {
    Agreed,           // the transfer goes ahead
    Failed,           // the peer ended, failed or sent what the handshake has no place for
    UnaskedCallBack,  // a code-3 caller this user never asked to call back
  };
  Result result = Result::Failed;
  uint32_t uin = 0;  // the called peer, or the caller's number once read
  transfers::TransferDirection direction = transfers::Send;
};

// The calling side: `ownUin` calls `peerUin` with direction `code`. A code
// other than 2 and 3 is never sent.
Handshake CallPeer(transfers::StreamConnection& connection, uint32_t ownUin, uint32_t peerUin,
                   uint32_t code);
// The called side. Code 3 makes this side offer a file: only to a caller for
// which `takeCallBack` (given the caller's number) says this user asked.
Handshake AnswerPeer(transfers::StreamConnection& connection,
                     const std::function<bool(uint32_t caller)>& takeCallBack);

}  // namespace kvel::p2p

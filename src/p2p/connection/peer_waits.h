// How long a connection waits for its peer, phase by phase (limits in
// connection_limits.h): the whole handshake, then the whole offer (receiving
// side) or the whole answer to it (sending side), then each read as the file
// flows. Every read of the connection's PeerConnection goes by it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "p2p/admission/connection_limits.h"
#include "platform/clock.h"
#include "platform/sockets.h"
#include "transfers/registry/transfer.h"

namespace kvel::p2p {

class PeerWaits {
 public:
  // Starts the handshake's time for the connection on `socket`.
  PeerWaits(platform::Socket socket, const ConnectionLimits& limits, platform::Clock clock);
  PeerWaits(const PeerWaits&) = delete;
  PeerWaits& operator=(const PeerWaits&) = delete;

  // The handshake is over and this side goes `direction`.
  void HandshakeDone(transfers::TransferDirection direction);
  // Before a read: sets the socket's receive time-out to what is left of the
  // phase; false when nothing is left (the read must not be made).
  bool BeforeRead();
  // After a read that returned `got` bytes into `data`.
  void AfterRead(const void* data, int got);
  // What is left of the phase's time now (the handshake's, until it is
  // done); 0 when it has run out.
  uint32_t PhaseLeftMs() const;
  // True once a read ran out of time.
  bool TimedOut() const { return timedOut_; }
  // Sending side: the code of the peer's answer to the offer, once its
  // first word has come; nothing before.
  std::optional<uint32_t> AnswerCode() const;
  // Sending side: the offset an acceptance asked for the file from, once
  // its second word has come; nothing before, and nothing for a refusal.
  std::optional<uint32_t> AnswerOffset() const;

 private:
  void StartPhase(uint32_t perReadMs, bool whole, uint64_t bytes);

  platform::Socket socket_;
  ConnectionLimits limits_;
  platform::Clock clock_;
  bool whole_ = false;       // the phase's time is for the phase, not per read
  uint32_t phaseStart_ = 0;  // tick at which the phase began
  uint32_t perReadMs_ = 0;   // the phase's time
  uint64_t bytesLeft_ = 0;   // bytes until the idle phase; UINT64_MAX: none
  uint32_t readStart_ = 0;   // tick at which the last read began
  uint32_t timeoutSet_ = 0;  // the socket's receive time-out, 0 while unset
  bool timedOut_ = false;
  bool startAtRead_ = false;  // the phase's time starts with its first read
  bool answerPhase_ = false;  // reading the answer to this side's offer
  uint8_t answer_[8] = {};    // its code and offset, as far as they came
  size_t answerBytes_ = 0;
};

}  // namespace kvel::p2p

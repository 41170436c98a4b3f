// The listening side of direct connections: one socket on localPort and one
// thread that accepts peers and hands each to a connection thread.
#pragma once

#include <cstdint>
#include <memory>

#include "host/host_services.h"
#include "p2p/connection/connection_services.h"
#include "platform/sockets.h"
#include "platform/threads/worker.h"

namespace kvel::p2p {

// Calls the system may hold ready while the thread hands one on: several
// contacts calling at the same moment, or one contact's several files, must
// neither be refused nor wait for a retry. The connection cap closes what is
// too many once accepted, so the backlog need not be tight.
inline constexpr int kListenBacklog = 64;
// How long the thread rests after the system failed to wait on the socket
// or to accept, so that a lasting failure is never a busy loop.
inline constexpr uint32_t kAcceptRetryMs = 100;
// How long Stop waits for the thread.
inline constexpr uint32_t kListenerStopWaitMs = 1000;

class Listener {
 public:
  // Accepted peers go to connection threads over `connections`; each step
  // is logged through `host`, which outlives the listener.
  Listener(host::HostServices& host, std::shared_ptr<ConnectionServices> connections);
  ~Listener();  // Stop()
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Listens on `port` with a backlog of kListenBacklog and starts the
  // thread, which waits on the socket and accepts every peer waiting; true
  // when both work. Logs how far it came. A listener that is already
  // running stays as it is; one that was stopped starts anew.
  bool Start(uint16_t port);
  // Wakes the thread from its wait on the socket, waits at most
  // kListenerStopWaitMs for it, closes the socket. False when the thread
  // outlived the wait (it ends alone, touching nothing of the listener).
  bool Stop();

  // The port the socket is bound to while listening, else 0.
  uint16_t Port() const;

 private:
  host::HostServices& host_;
  std::shared_ptr<ConnectionServices> connections_;
  platform::Socket socket_ = platform::kInvalidSocket;  // while listening
  platform::Worker worker_;
};

}  // namespace kvel::p2p

// The listening side of direct connections: one socket on localPort and one
// thread that accepts peers and hands each to a connection thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "host/host_services.h"
#include "p2p/connection/connection_services.h"
#include "platform/sockets.h"
#include "platform/threads.h"

namespace kvel::p2p {

// Calls the system may hold ready while the thread hands one on: several
// contacts calling at the same moment, or one contact's several files, must
// neither be refused nor wait for a retry. The connection cap closes what is
// too many once accepted, so the backlog need not be tight.
inline constexpr int kListenBacklog = 64;
// The longest the thread waits on the socket before it looks at the stop
// flag again: a tenth of the second that stopping waits for it.
inline constexpr uint32_t kStopCheckMs = 100;
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
  // Sets the stop flag, waits at most kListenerStopWaitMs for the thread,
  // closes the socket.
  void Stop();

  // The port the socket is bound to while listening, else 0.
  uint16_t Port() const;

 private:
  // What one run of the thread uses: its own socket and stop flag, so that a
  // thread that outlived the wait in Stop never touches a later run.
  struct Run {
    platform::Socket socket = platform::kInvalidSocket;
    std::atomic<bool> stopRequested{false};
    std::shared_ptr<ConnectionServices> connections;
    host::HostServices* host = nullptr;
  };
  static void ListenerThread(void* run);

  host::HostServices& host_;
  std::shared_ptr<ConnectionServices> connections_;
  platform::ThreadHandle thread_;
  std::shared_ptr<Run> run_;  // null when not listening
};

}  // namespace kvel::p2p

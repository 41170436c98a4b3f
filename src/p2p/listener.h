// The listening side of direct connections: one socket on localPort and one
// thread that accepts peers and hands each to a connection thread.
#pragma once

#include <atomic>

#include "platform/sockets.h"
#include "platform/threads.h"

namespace kvel::p2p {

class Listener {
 public:
  Listener() = default;
  ~Listener();  // Stop()
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // True when the socket listens and the thread runs.
  bool Start();
  // Sets the stop flag, waits at most 1000 ms for the thread, closes the socket.
  void Stop();

 private:
  platform::ThreadHandle thread_;
  platform::Socket listenSocket_ = platform::kInvalidSocket;
  std::atomic<bool> stopRequested_{false};
};

// The process-wide listener, constructed at module load, stopped at unload.
Listener& ProcessListener();

}  // namespace kvel::p2p

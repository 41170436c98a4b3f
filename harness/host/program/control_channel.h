// The control connection of the host program: a TCP listener on 127.0.0.1
// whose clients send command lines; each answer is followed by a line ".".
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "commands.h"
#include "platform/sockets.h"

namespace standin {

class ControlChannel {
 public:
  explicit ControlChannel(Commands& commands) : commands_(commands) {}
  ~ControlChannel();
  // Listens on 127.0.0.1:`port`; false when the port cannot be had.
  bool Start(uint16_t port);
  void Stop();

 private:
  void Serve();
  void ServeClient(kvel::platform::Socket client);

  Commands& commands_;
  kvel::platform::Socket listen_ = kvel::platform::kInvalidSocket;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace standin

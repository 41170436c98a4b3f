// Loopback sockets for tests of direct connections: a listening socket on a
// free port of 127.0.0.1, connecting to it, and whole reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace kvel::testing {

// 127.0.0.1 in network byte order.
uint32_t LoopbackAddress();

// A listening socket on a free port of 127.0.0.1 (blocking accepts).
class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t Port() const { return port_; }
  // Waits for the next peer; kInvalidSocket on failure.
  platform::Socket Accept();
  // True once a peer is waiting to be accepted; false after `ms`.
  bool WaitForPeer(uint32_t ms);

 private:
  platform::Socket socket_ = platform::kInvalidSocket;
  uint16_t port_ = 0;
};

// A port on 127.0.0.1 that was free a moment ago.
uint16_t FreePort();
// A blocking socket connected to 127.0.0.1:port, or kInvalidSocket.
platform::Socket ConnectLoopback(uint16_t port);
// The same from the loopback address `source` ("127.0.0.2", ...), so that
// one machine plays callers at several addresses.
platform::Socket ConnectLoopbackFrom(uint16_t port, const char* source);

// Sends every byte (looping over short sends); false on failure.
bool SendAll(platform::Socket socket, const std::vector<uint8_t>& bytes);
bool SendWord(platform::Socket socket, uint32_t value);
// Reads exactly `count` bytes; fewer when the peer closes or fails first.
std::vector<uint8_t> ReadExactly(platform::Socket socket, size_t count);
// Reads until the peer closes (or fails); everything that arrived.
std::vector<uint8_t> ReadUntilClosed(platform::Socket socket);

// The socket layer started once for the test program (WSAStartup on win32).
void StartSockets();

}  // namespace kvel::testing

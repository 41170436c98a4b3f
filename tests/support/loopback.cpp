#include "support/loopback.h"

#include <mutex>

#include "platform/tcp_connect.h"

namespace kvel::testing {

uint32_t LoopbackAddress() {
  return platform::InetAddr("127.0.0.1");
}

void StartSockets() {
  static std::once_flag once;
  std::call_once(once, [] { platform::StartSocketLibrary(nullptr); });
}

LoopbackServer::LoopbackServer() {
  StartSockets();
  socket_ = platform::CreateTcpSocket();
  if (!platform::BindSocket(socket_, LoopbackAddress(), 0) || !platform::ListenSocket(socket_, 16))
    return;
  port_ = platform::LocalPort(socket_);
}

LoopbackServer::~LoopbackServer() {
  if (socket_ != platform::kInvalidSocket) platform::CloseSocket(socket_);
}

platform::Socket LoopbackServer::Accept() {
  return platform::AcceptSocket(socket_);
}

bool LoopbackServer::WaitForPeer(uint32_t ms) {
  return platform::WaitReadable(socket_, ms) == 1;
}

uint16_t FreePort() {
  LoopbackServer probe;
  return probe.Port();
}

platform::Socket ConnectLoopback(uint16_t port) {
  StartSockets();
  return platform::ConnectTcpWithin(LoopbackAddress(), port, 10000, nullptr).Release();
}

platform::Socket ConnectLoopbackFrom(uint16_t port, const char* source) {
  StartSockets();
  platform::SocketHandle socket(platform::CreateTcpSocket());
  if (!socket.Valid() || !platform::BindSocket(socket.Get(), platform::InetAddr(source), 0) ||
      !platform::ConnectSocket(socket.Get(), LoopbackAddress(), port))
    return platform::kInvalidSocket;
  return socket.Release();
}

bool SendAll(platform::Socket socket, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int sent =
        platform::SendSome(socket, bytes.data() + done, static_cast<int>(bytes.size() - done));
    if (sent <= 0) return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

bool SendWord(platform::Socket socket, uint32_t value) {
  return SendAll(socket, {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

std::vector<uint8_t> ReadExactly(platform::Socket socket, size_t count) {
  std::vector<uint8_t> bytes(count);
  size_t done = 0;
  while (done < count) {
    int got = platform::ReceiveSome(socket, bytes.data() + done, static_cast<int>(count - done));
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

std::vector<uint8_t> ReadUntilClosed(platform::Socket socket) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[4096];
  for (;;) {
    int got = platform::ReceiveSome(socket, buffer, sizeof buffer);
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

}  // namespace kvel::testing

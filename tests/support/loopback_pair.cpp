#include "support/loopback_pair.h"

#include "platform/socket_handle.h"

namespace kvel::testing {

LoopbackPair MakeLoopbackPair() {
  static const bool started = platform::StartSocketLibrary(nullptr);
  LoopbackPair pair;
  if (!started) return pair;
  const uint32_t loopback = platform::InetAddr("127.0.0.1");
  platform::SocketHandle listener(platform::CreateTcpSocket());
  if (!listener.Valid()) return pair;
  if (platform::BindSocket(listener.Get(), loopback, 0) &&
      platform::ListenSocket(listener.Get(), 1)) {
    pair.a = platform::CreateTcpSocket();
    if (pair.a != platform::kInvalidSocket &&
        platform::ConnectSocket(pair.a, loopback, platform::LocalPort(listener.Get()))) {
      pair.b = platform::AcceptSocket(listener.Get());
    }
  }
  listener.Reset();
  if (pair.b == platform::kInvalidSocket) CloseLoopbackPair(pair);
  return pair;
}

void CloseLoopbackPair(LoopbackPair& pair) {
  if (pair.a != platform::kInvalidSocket) platform::CloseSocket(pair.a);
  if (pair.b != platform::kInvalidSocket) platform::CloseSocket(pair.b);
  pair = {};
}

}  // namespace kvel::testing

#include "support/loopback_pair.h"

namespace kvel::testing {

LoopbackPair MakeLoopbackPair() {
  static const bool started = platform::StartSocketLibrary(nullptr);
  LoopbackPair pair;
  if (!started) return pair;
  const uint32_t loopback = platform::InetAddr("127.0.0.1");
  platform::Socket listener = platform::CreateTcpSocket();
  if (listener == platform::kInvalidSocket) return pair;
  if (platform::BindSocket(listener, loopback, 0) && platform::ListenSocket(listener, 1)) {
    pair.a = platform::CreateTcpSocket();
    if (pair.a != platform::kInvalidSocket &&
        platform::ConnectSocket(pair.a, loopback, platform::LocalPort(listener))) {
      pair.b = platform::AcceptSocket(listener);
    }
  }
  platform::CloseSocket(listener);
  if (pair.b == platform::kInvalidSocket) CloseLoopbackPair(pair);
  return pair;
}

void CloseLoopbackPair(LoopbackPair& pair) {
  if (pair.a != platform::kInvalidSocket) platform::CloseSocket(pair.a);
  if (pair.b != platform::kInvalidSocket) platform::CloseSocket(pair.b);
  pair = {};
}

}  // namespace kvel::testing

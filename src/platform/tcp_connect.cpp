#include "platform/tcp_connect.h"

#include <algorithm>

#include "platform/threads/threads.h"

namespace kvel::platform {

SocketHandle ConnectTcpWithin(uint32_t address, uint16_t port, uint32_t limitMs,
                              const std::function<bool()>& givenUp, Error* error) {
  SocketHandle socket(CreateTcpSocket());
  if (!socket.Valid()) {
    Fail(error, "socket", LastSocketError());
    return socket;
  }
  auto fail = [&](int code) {
    Fail(error, "connect", code);
    socket.Reset();
    return std::move(socket);
  };
  if (!SetNonBlocking(socket.Get(), true)) return fail(LastSocketError());
  if (!BeginConnect(socket.Get(), address, port)) return fail(LastSocketError());
  const uint32_t start = TickCount();
  for (;;) {
    const uint32_t spent = TickCount() - start;
    if (spent >= limitMs) return fail(TimedOutCode());
    if (givenUp && givenUp()) return fail(0);
    const int stood = WaitConnected(socket.Get(), std::min(limitMs - spent, kConnectCheckMs));
    if (stood < 0) return fail(LastSocketError());
    if (stood > 0) break;
  }
  if (!SetNonBlocking(socket.Get(), false)) return fail(LastSocketError());
  return socket;
}

}  // namespace kvel::platform

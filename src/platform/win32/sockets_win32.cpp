#include <winsock2.h>
#include <windows.h>

#include "platform/socket_handle.h"
#include "platform/sockets.h"

namespace kvel::platform {
// A failed call's INVALID_SOCKET is kInvalidSocket as it is.
static_assert(static_cast<Socket>(INVALID_SOCKET) == kInvalidSocket);

namespace {
sockaddr_in Address(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}
SOCKET Handle(Socket s) {
  return static_cast<SOCKET>(s);
}
timeval SelectLimit(uint32_t milliseconds) {
  return {static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000};
}
}  // namespace

bool StartSocketLibrary(std::string* description) {
  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return false;
  if (description != nullptr) *description = data.szDescription;
  return true;
}

void StopSocketLibrary() {
  WSACleanup();
}

uint32_t InetAddr(const char* text) {
  return inet_addr(text);
}

Socket CreateTcpSocket() {
  return static_cast<Socket>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

bool BindSocket(Socket s, uint32_t address, uint16_t port) {
  sockaddr_in sa = Address(address, port);
  return bind(Handle(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ListenSocket(Socket s, int backlog) {
  return listen(Handle(s), backlog) == 0;
}

Socket AcceptSocket(Socket s) {
  return static_cast<Socket>(accept(Handle(s), nullptr, nullptr));
}

bool ConnectSocket(Socket s, uint32_t address, uint16_t port) {
  sockaddr_in sa = Address(address, port);
  return connect(Handle(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool BeginConnect(Socket s, uint32_t address, uint16_t port) {
  return ConnectSocket(s, address, port) || WSAGetLastError() == WSAEWOULDBLOCK;
}

int WaitConnected(Socket s, uint32_t milliseconds) {
  // A connection that stands makes the socket writable; one that failed
  // marks it in the exceptions.
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(Handle(s), &writable);
  FD_SET(Handle(s), &failed);
  timeval limit = SelectLimit(milliseconds);
  const int ready = select(0, nullptr, &writable, &failed, &limit);
  if (ready <= 0) return ready;  // SOCKET_ERROR is -1
  int failure = 0;
  int length = sizeof failure;
  if (getsockopt(Handle(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length) != 0)
    return -1;
  if (failure != 0 || FD_ISSET(Handle(s), &failed)) {
    WSASetLastError(failure != 0 ? failure : WSAECONNREFUSED);
    return -1;
  }
  return 1;
}

int TimedOutCode() {
  return WSAETIMEDOUT;
}

uint32_t RemoteAddress(Socket s) {
  sockaddr_in sa;
  int length = sizeof sa;
  if (getpeername(Handle(s), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return sa.sin_family == AF_INET ? sa.sin_addr.s_addr : 0;
}

bool SetNonBlocking(Socket s, bool on) {
  u_long mode = on ? 1 : 0;
  return ioctlsocket(Handle(s), FIONBIO, &mode) == 0;
}

void SetKeepAlive(Socket s) {
  char on = 1;
  setsockopt(Handle(s), SOL_SOCKET, SO_KEEPALIVE, &on, 1);
}

void SetLinger(Socket s, int seconds) {
  const linger value{1, static_cast<u_short>(seconds)};
  setsockopt(Handle(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value);
}

bool SetTimeout(Socket s, Timeout which, uint32_t milliseconds) {
  const int option = which == Timeout::Receive ? SO_RCVTIMEO : SO_SNDTIMEO;
  DWORD value = milliseconds;
  return setsockopt(Handle(s), SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                    sizeof value) == 0;
}

int ReceiveSome(Socket s, void* buffer, int count) {
  return recv(Handle(s), static_cast<char*>(buffer), count, 0);
}

int SendSome(Socket s, const void* data, int count) {
  return send(Handle(s), static_cast<const char*>(data), count, 0);
}

void ShutdownReceive(Socket s) {
  shutdown(Handle(s), SD_RECEIVE);
}

void ShutdownSend(Socket s) {
  shutdown(Handle(s), SD_SEND);
}

int WaitReadable(Socket s, uint32_t milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Handle(s), &readable);
  timeval limit = SelectLimit(milliseconds);
  // One socket: 1 when readable, 0 at the time-out, SOCKET_ERROR (-1) on error.
  return select(0, &readable, nullptr, nullptr, &limit);
}

bool PeerClosed(Socket s) {
  if (WaitReadable(s, 0) == 0) return false;
  // Readable: the peek returns at once, with a byte, the end or an error.
  char byte = 0;
  const int got = recv(Handle(s), &byte, 1, MSG_PEEK);
  return got == 0 || (got == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK);
}

void ShutdownBoth(Socket s) {
  shutdown(Handle(s), SD_BOTH);
  // A shutdown does not end a receive or send that is already blocked on
  // the socket; cancelling its I/O does, and leaves the handle open. Older
  // systems lack the call: there the peer's reaction to the shutdown ends it.
  using CancelIoExFn = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
  static const auto cancel = reinterpret_cast<CancelIoExFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
  if (cancel != nullptr) cancel(reinterpret_cast<HANDLE>(Handle(s)), nullptr);
}

void CloseSocket(Socket s) {
  closesocket(Handle(s));
}

uint16_t LocalPort(Socket s) {
  sockaddr_in sa;
  int length = sizeof sa;
  if (getsockname(Handle(s), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

int LastSocketError() {
  // The socket library keeps its codes in the thread's last-error value;
  // reading that directly adds no import to the module.
  return static_cast<int>(GetLastError());
}

bool HasRouteTo(uint32_t address, uint16_t port) {
  const SocketHandle probe(static_cast<Socket>(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)));
  return probe.Valid() && ConnectSocket(probe.Get(), address, port);
}

}  // namespace kvel::platform

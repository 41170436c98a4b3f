#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/socket_handle.h"
#include "platform/sockets.h"

namespace kvel::platform {
namespace {
sockaddr_in Address(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}
int Fd(Socket s) {
  return static_cast<int>(s);
}
}  // namespace

bool StartSocketLibrary(std::string* description) {
  if (description != nullptr) *description = "BSD sockets";
  return true;
}

void StopSocketLibrary() {}

uint32_t InetAddr(const char* text) {
  return ::inet_addr(text);
}

Socket CreateTcpSocket() {
  return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}

bool BindSocket(Socket s, uint32_t address, uint16_t port) {
  // As on Windows, connections of an earlier listener that linger in
  // TIME_WAIT do not keep a new one off the port; a listening socket still
  // does.
  int on = 1;
  ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in sa = Address(address, port);
  return ::bind(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool ListenSocket(Socket s, int backlog) {
  return ::listen(Fd(s), backlog) == 0;
}

Socket AcceptSocket(Socket s) {
  return ::accept4(Fd(s), nullptr, nullptr, SOCK_CLOEXEC);
}

bool ConnectSocket(Socket s, uint32_t address, uint16_t port) {
  sockaddr_in sa = Address(address, port);
  return ::connect(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

bool BeginConnect(Socket s, uint32_t address, uint16_t port) {
  return ConnectSocket(s, address, port) || errno == EINPROGRESS;
}

int WaitConnected(Socket s, uint32_t milliseconds) {
  pollfd entry{Fd(s), POLLOUT, 0};
  const int timeout = static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX));
  const int ready = ::poll(&entry, 1, timeout);
  if (ready <= 0) return ready;
  int failure = 0;
  socklen_t length = sizeof failure;
  if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &failure, &length) != 0) return -1;
  if (failure != 0) {
    errno = failure;
    return -1;
  }
  return 1;
}

int TimedOutCode() {
  return ETIMEDOUT;
}

uint32_t RemoteAddress(Socket s) {
  sockaddr_in sa;
  socklen_t length = sizeof sa;
  if (::getpeername(Fd(s), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return sa.sin_family == AF_INET ? sa.sin_addr.s_addr : 0;
}

bool SetNonBlocking(Socket s, bool on) {
  int flags = ::fcntl(Fd(s), F_GETFL, 0);
  if (flags < 0) return false;
  flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(Fd(s), F_SETFL, flags) == 0;
}

void SetKeepAlive(Socket s) {
  int on = 1;
  ::setsockopt(Fd(s), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

void SetLinger(Socket s, int seconds) {
  linger value{1, seconds};
  ::setsockopt(Fd(s), SOL_SOCKET, SO_LINGER, &value, sizeof value);
}

bool SetTimeout(Socket s, Timeout which, uint32_t milliseconds) {
  const int option = which == Timeout::Receive ? SO_RCVTIMEO : SO_SNDTIMEO;
  timeval value{static_cast<time_t>(milliseconds / 1000),
                static_cast<suseconds_t>(milliseconds % 1000 * 1000)};
  return ::setsockopt(Fd(s), SOL_SOCKET, option, &value, sizeof value) == 0;
}

int ReceiveSome(Socket s, void* buffer, int count) {
  return static_cast<int>(::recv(Fd(s), buffer, static_cast<size_t>(count), 0));
}

int SendSome(Socket s, const void* data, int count) {
  return static_cast<int>(::send(Fd(s), data, static_cast<size_t>(count), MSG_NOSIGNAL));
}

void ShutdownReceive(Socket s) {
  ::shutdown(Fd(s), SHUT_RD);
}

void ShutdownSend(Socket s) {
  ::shutdown(Fd(s), SHUT_WR);
}

int WaitReadable(Socket s, uint32_t milliseconds) {
  pollfd entry{Fd(s), POLLIN, 0};
  const int timeout = static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX));
  return ::poll(&entry, 1, timeout);
}

bool PeerClosed(Socket s) {
  if (WaitReadable(s, 0) == 0) return false;
  char byte = 0;
  const ssize_t got = ::recv(Fd(s), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void ShutdownBoth(Socket s) {
  ::shutdown(Fd(s), SHUT_RDWR);
}

void CloseSocket(Socket s) {
  ::close(Fd(s));
}

uint16_t LocalPort(Socket s) {
  sockaddr_in sa;
  socklen_t length = sizeof sa;
  if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

int LastSocketError() {
  return errno;
}

bool HasRouteTo(uint32_t address, uint16_t port) {
  const SocketHandle probe(static_cast<Socket>(socket(AF_INET, SOCK_DGRAM, 0)));
  return probe.Valid() && ConnectSocket(probe.Get(), address, port);
}

}  // namespace kvel::platform

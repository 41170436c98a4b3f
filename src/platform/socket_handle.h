// An owned socket: closed exactly once, when its owner ends, unless it was
// released to another owner first.
#pragma once

#include <utility>

#include "platform/sockets.h"

namespace kvel::platform {

class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(Socket socket) : socket_(socket) {}
  ~SocketHandle() { Reset(); }
  SocketHandle(SocketHandle&& other) noexcept : socket_(other.Release()) {}
  SocketHandle& operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      socket_ = other.Release();
    }
    return *this;
  }
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;

  Socket Get() const { return socket_; }
  bool Valid() const { return socket_ != kInvalidSocket; }
  // Hands the socket over without closing it; the handle is empty after.
  Socket Release() { return std::exchange(socket_, kInvalidSocket); }
  // Closes the socket now, if there is one.
  void Reset() {
    if (socket_ != kInvalidSocket) CloseSocket(Release());
  }

 private:
  Socket socket_ = kInvalidSocket;
};

}  // namespace kvel::platform

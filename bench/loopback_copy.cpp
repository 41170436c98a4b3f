#include "loopback_copy.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

namespace kvel::bench {
namespace {

constexpr size_t kBlock = 65536;

bool WriteAll(platform::Socket s, const char* data, size_t size) {
  while (size > 0) {
    int n = platform::SendSome(s, data, static_cast<int>(size));
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

struct Ends {
  platform::Socket sender = platform::kInvalidSocket;
  platform::Socket receiver = platform::kInvalidSocket;
};

// One connection per pair, each over its own address; false when one
// cannot be made (then none is left open).
bool ConnectAll(size_t count, std::vector<Ends>* ends) {
  ends->resize(count);
  for (size_t i = 0; i < count; ++i) {
    Ends& e = (*ends)[i];
    if (ConnectedPair(&e.sender, &e.receiver, PairAddress(static_cast<int>(i)))) continue;
    for (size_t j = 0; j < i; ++j) {
      platform::CloseSocket((*ends)[j].sender);
      platform::CloseSocket((*ends)[j].receiver);
    }
    return false;
  }
  return true;
}

}  // namespace

std::string PairAddress(int index) {
  return "127.0.0." + std::to_string(10 + index % kMostPairs);
}

bool ConnectedPair(platform::Socket* a, platform::Socket* b, const std::string& address) {
  const uint32_t host = platform::InetAddr(address.c_str());
  platform::Socket listener = platform::CreateTcpSocket();
  if (listener == platform::kInvalidSocket) return false;
  const bool listening =
      platform::BindSocket(listener, host, 0) && platform::ListenSocket(listener, 1);
  const uint16_t port = listening ? platform::LocalPort(listener) : 0;
  *a = platform::CreateTcpSocket();
  *b = platform::kInvalidSocket;
  if (listening && platform::ConnectSocket(*a, host, port)) *b = platform::AcceptSocket(listener);
  platform::CloseSocket(listener);
  if (*b != platform::kInvalidSocket) return true;
  platform::CloseSocket(*a);
  *a = platform::kInvalidSocket;
  return false;
}

Result LoopbackCopies(const std::vector<FilePair>& pairs) {
  Result result;
  result.name = "loopback copy, 64 KiB writes";
  std::vector<Ends> ends;
  if (!ConnectAll(pairs.size(), &ends)) return result;
  std::atomic<uint64_t> received{0};
  Stopwatch watch;
  std::vector<std::thread> threads;
  for (size_t i = 0; i < pairs.size(); ++i) {
    threads.emplace_back([&, i] {
      std::ifstream in(pairs[i].source, std::ios::binary);
      std::vector<char> buffer(kBlock);
      for (;;) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const size_t n = static_cast<size_t>(in.gcount());
        if (n == 0 || !WriteAll(ends[i].sender, buffer.data(), n)) break;
      }
      platform::CloseSocket(ends[i].sender);
    });
    threads.emplace_back([&, i] {
      std::ofstream out(pairs[i].target, std::ios::binary | std::ios::trunc);
      std::vector<char> buffer(kBlock);
      uint64_t bytes = 0;
      for (;;) {
        int n =
            platform::ReceiveSome(ends[i].receiver, buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) break;
        out.write(buffer.data(), n);
        bytes += static_cast<uint64_t>(n);
      }
      out.close();
      platform::CloseSocket(ends[i].receiver);
      received += bytes;
    });
  }
  for (std::thread& thread : threads) thread.join();
  watch.Finish(result);
  result.bytes = received;
  return result;
}

Result SocketOnlyCopies(int count, uint64_t bytes) {
  Result result;
  result.name = "socket-only copy, no files (ceiling)";
  std::vector<Ends> ends;
  if (!ConnectAll(static_cast<size_t>(count), &ends)) return result;
  std::atomic<uint64_t> received{0};
  std::atomic<bool> whole{true};
  Stopwatch watch;
  std::vector<std::thread> threads;
  for (const Ends& e : ends) {
    threads.emplace_back([&whole, e, bytes] {
      std::vector<char> buffer(kBlock, 'k');
      for (uint64_t left = bytes; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        if (!WriteAll(e.sender, buffer.data(), n)) {
          whole = false;
          break;
        }
        left -= n;
      }
      platform::CloseSocket(e.sender);
    });
    threads.emplace_back([&received, &whole, e, bytes] {
      std::vector<char> buffer(kBlock);
      uint64_t got = 0;
      for (;;) {
        int n = platform::ReceiveSome(e.receiver, buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) break;
        got += static_cast<uint64_t>(n);
      }
      platform::CloseSocket(e.receiver);
      if (got != bytes) whole = false;
      received += got;
    });
  }
  for (std::thread& thread : threads) thread.join();
  watch.Finish(result);
  result.bytes = received;
  result.identical = whole;
  return result;
}

bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  if (!x || !y) return false;
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

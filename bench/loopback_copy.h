// The baselines: the same files copied over plain loopback TCP connections
// with 64 KiB writes, and the ceiling, the same bytes sent from memory to
// memory with no file at either end. Each pair of ends talks over its own
// loopback address, and the pairs run at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure.h"
#include "platform/sockets.h"

namespace kvel::bench {

// A file to send and where the other end writes it.
struct FilePair {
  std::string source;
  std::string target;
};

// The loopback address of pair `index`: 127.0.0.10, 127.0.0.11, ..., so
// that no limit per address of the product or the machine joins two pairs.
inline constexpr int kMostPairs = 200;
std::string PairAddress(int index);

// A connected pair of sockets over `address` (a 127.0.0.x).
bool ConnectedPair(platform::Socket* a, platform::Socket* b,
                   const std::string& address = "127.0.0.1");

// Copies every pair's file at once, each over its own connection.
Result LoopbackCopies(const std::vector<FilePair>& pairs);
// Sends `bytes` from memory to memory over `count` connections at once.
Result SocketOnlyCopies(int count, uint64_t bytes);

// True when the two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b);

}  // namespace kvel::bench

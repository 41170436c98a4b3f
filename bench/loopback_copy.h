// The baseline: the same file copied over a plain loopback TCP connection,
// with 64 KiB writes or with the transfer protocol's pattern of a 12-byte
// write then a 4096-byte write, received into a file.
#pragma once

#include <string>

#include "measure.h"
#include "platform/sockets.h"

namespace kvel::bench {

// A connected pair of sockets on 127.0.0.1.
bool ConnectedPair(platform::Socket* a, platform::Socket* b);

enum class WritePattern { Large64K, Header12Chunk4096 };

Result LoopbackCopy(const std::string& source, const std::string& target, WritePattern pattern);

// True when the two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b);

}  // namespace kvel::bench

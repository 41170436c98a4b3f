// The baseline: the same file copied over a plain loopback TCP connection,
// with 64 KiB writes or with the transfer protocol's pattern of a 12-byte
// write then a 4096-byte write, received into a file.
#pragma once

#include <string>

#include "measure.h"

namespace kvel::bench {

enum class WritePattern { Large64K, Header12Chunk4096 };

Result LoopbackCopy(const std::string& source, const std::string& target, WritePattern pattern);

// True when the two files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b);

}  // namespace kvel::bench

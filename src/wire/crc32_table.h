// The reflected CRC-32 table (polynomial 0xEDB88320) behind image checksums.
#pragma once

#include <cstdint>

namespace kvel {

// Fills the table; LoadPlugin runs it once, right after starting the listener.
void BuildCrc32Table();
// The 256 entries; all zero until BuildCrc32Table has run.
const uint32_t* Crc32Table();

}  // namespace kvel

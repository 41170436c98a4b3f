#include "wire/crc32_table.h"

namespace kvel {
namespace {
uint32_t g_table[256];
}

void BuildCrc32Table() {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    g_table[i] = value;
  }
}

const uint32_t* Crc32Table() {
  return g_table;
}

}  // namespace kvel

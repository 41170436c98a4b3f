#include "support/golden_stream.h"

#include <algorithm>
#include <cstddef>

namespace kvel::testing {

void AppendWord(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> GoldenOffer(const std::string& name, uint64_t size) {
  std::vector<uint8_t> out;
  for (uint32_t word : {1u, 3u, 0u, 0u}) AppendWord(out, word);
  std::vector<uint8_t> record(320, 0);
  for (int i = 0; i < 4; ++i) {
    record[28 + i] = static_cast<uint8_t>(size >> (32 + 8 * i));
    record[32 + i] = static_cast<uint8_t>(size >> (8 * i));
  }
  std::copy(name.begin(), name.end(), record.begin() + 44);
  out.insert(out.end(), record.begin(), record.end());
  return out;
}

std::vector<uint8_t> GoldenChunks(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> out;
  size_t at = 0;
  for (;;) {
    const size_t left = file.size() - at;
    const size_t length = std::min<size_t>(left, 4096);
    AppendWord(out, length == 4096 ? 3 : 2);
    AppendWord(out, static_cast<uint32_t>(length));
    AppendWord(out, 0);
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
               file.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
    if (length < 4096) return out;
  }
}

std::vector<uint8_t> GoldenStream(const std::string& name, const std::vector<uint8_t>& file,
                                  size_t from) {
  std::vector<uint8_t> out = GoldenOffer(name, file.size());
  const std::vector<uint8_t> chunks = GoldenChunks(
      std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(from), file.end()));
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

}  // namespace kvel::testing

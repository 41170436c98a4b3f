// The file-transfer stream written out by hand from its definition, not
// with the product's codecs: to compare with what the sender writes and to
// feed the receiver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvel::testing {

// Little-endian 32-bit words.
void AppendWord(std::vector<uint8_t>& out, uint32_t value);
// OfferStart, OfferInfo, two zero words and the 320-byte description with
// `size` at offsets 28 (high) and 32 (low) and `name` at 44; all else zero.
std::vector<uint8_t> GoldenOffer(const std::string& name, uint64_t size);
// The chunks of `file`: {3, 4096, 0} and 4096 bytes while that many are
// left, then {2, n, 0} and the last 0 to 4095 bytes.
std::vector<uint8_t> GoldenChunks(const std::vector<uint8_t>& file);
// The offer of `file` as `name` and its chunks from byte `from` on: what a
// sender asked for the file from there writes.
std::vector<uint8_t> GoldenStream(const std::string& name, const std::vector<uint8_t>& file,
                                  size_t from = 0);

}  // namespace kvel::testing

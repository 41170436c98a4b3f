// Contact status entries of the notify reply (type 17, a list) and the
// status change (type 15, one entry):
//   0  4  number (low 24 bits; the top 8 bits are flags)
//   4  1  status
//   5  4  IPv4 address, network byte order
//   9  2  port or a special value
//   11 3  not read
//   14 1  description length D, statuses 4, 5, 21 and 22 only
//   15 D  description, not read
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kvel::wire {

struct StatusEntry {
  uint32_t uin = 0;
  uint8_t status = 0;
  uint32_t address = 0;
  uint16_t port = 0;
  size_t length = 0;  // bytes the entry takes: 14, or 15 + D
  bool operator==(const StatusEntry&) const = default;
};

// True for the statuses that mean the contact went away (1 and 21).
bool IsUnavailable(uint8_t status);

// The entry at the start of `bytes`; nullopt when it would reach past them.
std::optional<StatusEntry> DecodeStatusEntry(std::span<const uint8_t> bytes);
// The entries of a notify reply payload, in order; the walk ends at the first
// entry that would reach past the payload's end.
std::vector<StatusEntry> DecodeStatusEntries(std::span<const uint8_t> payload);

}  // namespace kvel::wire

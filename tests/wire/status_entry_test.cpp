#include <gtest/gtest.h>

#include "gg/test_packets.h"
#include "wire/status_entry.h"

namespace kvel::wire {
namespace {
using namespace gg::testing;

TEST(StatusEntry, DescriptionStatusesTakeFifteenPlusD) {
  // Status 4 with a 10-byte description: the next entry starts 25 bytes on.
  const Bytes payload =
      Concat({StatusEntryBytes(0x40000101, 4, Ip(10, 0, 0, 2), 1550, "0123456789"),
              StatusEntryBytes(202, 2, Ip(10, 0, 0, 3), 1)});
  ASSERT_EQ(payload.size(), 25u + 14u);
  std::vector<StatusEntry> entries = DecodeStatusEntries(payload);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (StatusEntry{0x101, 4, Ip(10, 0, 0, 2), 1550, 25}));
  EXPECT_EQ(entries[1], (StatusEntry{202, 2, Ip(10, 0, 0, 3), 1, 14}));
}

TEST(StatusEntry, DescriptionLengthIsUnsigned) {
  const Bytes entry = StatusEntryBytes(5, 22, Ip(1, 2, 3, 4), 3, std::string(200, 'x'));
  std::optional<StatusEntry> unpacked = DecodeStatusEntry(entry);
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(unpacked->length, 215u);
}

TEST(StatusEntry, EntriesReachingPastTheEndAreNotRead) {
  const Bytes first = StatusEntryBytes(1, 2, Ip(1, 1, 1, 1), 1550);
  const Bytes described = StatusEntryBytes(2, 5, Ip(2, 2, 2, 2), 1550, "abc");
  struct Case {
    const char* name;
    Bytes payload;
    size_t entries;
  };
  const Case cases[] = {
      {"plain entry one byte short", Bytes(first.begin(), first.end() - 1), 0},
      {"no description length", Bytes(described.begin(), described.begin() + 14), 0},
      {"description past the end", Bytes(described.begin(), described.end() - 1), 0},
      {"whole then partial", Concat({first, Bytes(first.begin(), first.begin() + 5)}), 1},
      {"whole then described", Concat({first, described}), 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeStatusEntries(c.payload).size(), c.entries) << c.name;
  }
}

}  // namespace
}  // namespace kvel::wire

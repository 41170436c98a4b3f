#include "transfers/stream/chunk_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/fake_connection.h"

namespace kvel::transfers {
namespace {

using Bytes = std::vector<uint8_t>;
using State = ChunkReader::State;
using Failure = ChunkReader::Failure;

struct Outcome {
  State state;
  Failure failure;
  Bytes data;
  size_t used;  // of the input
};

// Feeds `stream` in pieces of `piece` bytes, each piece until used up or
// the reader stops.
Outcome Feed(int64_t size, const Bytes& stream, size_t piece) {
  ChunkReader reader(size);
  Outcome out{State::Reading, Failure::None, {}, 0};
  for (size_t at = 0; at < stream.size() && reader.state() == State::Reading; at += piece) {
    std::span<const uint8_t> input(stream.data() + at, std::min(piece, stream.size() - at));
    while (!input.empty() && reader.state() == State::Reading) {
      const ChunkReader::Step step = reader.Next(input);
      EXPECT_GT(step.used, 0u);
      EXPECT_LE(step.data.size(), step.used);
      out.data.insert(out.data.end(), step.data.begin(), step.data.end());
      out.used += step.used;
      input = input.subspan(step.used);
    }
  }
  out.state = reader.state();
  out.failure = reader.failure();
  return out;
}

TEST(ChunkReader, CountsTheDataAgainstTheAnnouncedSizeInAnySplit) {
  using testing::StreamBuilder;
  const Bytes a = testing::PatternBytes(4096), c = testing::PatternBytes(10, 1);
  const Bytes trailer = {9, 9, 9};
  struct Case {
    const char* name;
    int64_t size;
    Bytes stream;
    State state;
    Failure failure;
    size_t data;         // bytes handed out
    size_t untaken = 0;  // bytes after the last chunk
  };
  const Case cases[] = {
      {"empty", 0, StreamBuilder().Chunk(wire::kChunkLast, 0).Take(), State::Done, Failure::None,
       0},
      {"whole", 4106,
       StreamBuilder().Chunk(wire::kChunkMore, 4096, a).Chunk(wire::kChunkLast, 10, c).Take(),
       State::Done, Failure::None, 4106},
      {"bytes after the last chunk are not taken", 10,
       StreamBuilder().Chunk(wire::kChunkLast, 10, c).Bytes(trailer).Take(), State::Done,
       Failure::None, 10, trailer.size()},
      {"past the announced size at the header", 10,
       StreamBuilder().Chunk(wire::kChunkMore, 4096, a).Take(), State::Failed,
       Failure::PastAnnounced, 0},
      {"past it by one byte", 4095, StreamBuilder().Chunk(wire::kChunkLast, 4096, a).Take(),
       State::Failed, Failure::PastAnnounced, 0},
      {"last chunk short of it", 4097, StreamBuilder().Chunk(wire::kChunkLast, 4096, a).Take(),
       State::Failed, Failure::ShortOfAnnounced, 4096},
      {"5 GiB announced, 4 KiB sent", int64_t{5} << 30,
       StreamBuilder().Chunk(wire::kChunkLast, 4096, a).Take(), State::Failed,
       Failure::ShortOfAnnounced, 4096},
      {"length 2^31-1 against a 4 GiB offer", int64_t{4} << 30,
       StreamBuilder().Chunk(wire::kChunkMore, INT32_MAX).Take(), State::Reading, Failure::None, 0},
      {"a negative size counts as none", -1, StreamBuilder().Chunk(wire::kChunkLast, 10, c).Take(),
       State::Failed, Failure::PastAnnounced, 0},
      {"type 1", 10, StreamBuilder().Chunk(1, 10, c).Take(), State::Failed, Failure::BadType, 0},
      {"endless empty chunks", 1,
       [] {
         StreamBuilder stream;
         for (uint32_t i = 0; i <= kEmptyChunksMax; ++i) stream.Chunk(wire::kChunkMore, 0);
         return stream.Take();
       }(),
       State::Failed, Failure::TooManyEmptyChunks, 0},
  };
  for (const Case& test : cases) {
    for (size_t piece : {1u, 5u, 12u, 13u, 4108u, 100000u}) {
      SCOPED_TRACE(::testing::Message() << test.name << ", pieces of " << piece);
      const Outcome out = Feed(test.size, test.stream, piece);
      EXPECT_EQ(out.state, test.state);
      EXPECT_EQ(out.failure, test.failure);
      EXPECT_EQ(out.data.size(), test.data);
      EXPECT_LE(static_cast<int64_t>(out.data.size()), std::max<int64_t>(test.size, 0));
      if (test.state == State::Done) {
        EXPECT_EQ(out.used, test.stream.size() - test.untaken);
      }
    }
  }
}

}  // namespace
}  // namespace kvel::transfers

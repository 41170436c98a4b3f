// Both halves of the transfer on the two ends of a TCP connection on
// 127.0.0.1, with the platform's files and scripted dialogs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/peer_connection.h"
#include "platform/threads/threads.h"
#include "stand_in_host.h"
#include "support/bounded_wait.h"
#include "support/fake_connection.h"
#include "support/lone_transfer.h"
#include "support/loopback_pair.h"
#include "support/scripted_dialogs.h"
#include "host/linked_host.h"
#include "support/test_paths.h"
#include "transfers/side/platform_streams.h"
#include "transfers/side/platform_side.h"
#include "transfers/telling/question_turns.h"
#include "transfers/stream/receive_stream.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

using Bytes = std::vector<uint8_t>;
using p2p::PeerConnection;
using testing::LoneTransfer;
using testing::ScriptedDialogs;

// Passes everything through and keeps a copy of what came in.
class TapConnection final : public StreamConnection {
 public:
  explicit TapConnection(StreamConnection& inner) : inner_(inner) {}
  int Read(void* buffer, int count) override {
    const int got = inner_.Read(buffer, count);
    if (got > 0) {
      const auto* bytes = static_cast<const uint8_t*>(buffer);
      incoming_.insert(incoming_.end(), bytes, bytes + got);
    }
    return got;
  }
  int Write(const void* data, int count) override { return inner_.Write(data, count); }
  void ShutdownSend() override { inner_.ShutdownSend(); }
  bool WaitForPeerClose(uint32_t milliseconds) override {
    return inner_.WaitForPeerClose(milliseconds);
  }
  const Bytes& Incoming() const { return incoming_; }

 private:
  StreamConnection& inner_;
  Bytes incoming_;
};

// The chunk headers of a sender's stream, after its offer.
std::vector<std::pair<uint32_t, int32_t>> Chunks(const Bytes& stream) {
  std::vector<std::pair<uint32_t, int32_t>> chunks;
  size_t at = 16 + wire::kFileInfoSize;
  while (at + wire::kChunkHeaderSize <= stream.size()) {
    const wire::ChunkHeader header = *wire::DecodeChunkHeader(std::span(stream).subspan(at));
    chunks.emplace_back(header.type, header.length);
    at += wire::kChunkHeaderSize + static_cast<size_t>(std::max(header.length, 0));
  }
  EXPECT_EQ(at, stream.size());
  return chunks;
}

class FileLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pair_ = testing::MakeLoopbackPair();
    ASSERT_NE(pair_.a, platform::kInvalidSocket);
    host_.AddContact({21, "Ala", "4321", 3});
  }
  void TearDown() override { testing::CloseLoopbackPair(pair_); }
  std::string Source(size_t size) {
    content_ = testing::PatternBytes(size, static_cast<uint32_t>(size));
    const std::string path = scratch_.File("source " + std::to_string(size) + ".bin");
    testing::WriteFile(path, std::string(content_.begin(), content_.end()));
    return path;
  }
  Bytes Received(const std::string& path) {
    std::string content;
    EXPECT_TRUE(testing::ReadFile(path, &content));
    return Bytes(content.begin(), content.end());
  }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  testing::LoopbackPair pair_;
  testing::ScriptedDialogsScope dialogs_;
  Bytes content_;
};

class FileLoopbackSizeTest : public FileLoopbackTest,
                             public ::testing::WithParamInterface<size_t> {};

TEST_P(FileLoopbackSizeTest, ArrivesByteForByteInChunksOf4096) {
  const size_t size = GetParam();
  ScriptedDialogs::QueueOpenChoice(Source(size));
  const std::string target = scratch_.File("received.bin");
  ScriptedDialogs::QueueSaveChoice(target);

  bool sent = false;
  LoneTransfer sending(4321, Send);
  testing::BoundedThread sender("the sender", [&] {
    PeerConnection connection(pair_.a, nullptr, &platform::TickCount);
    sent = SendFile(services_, connection, sending.handle);
  });
  PeerConnection socket(pair_.b, nullptr, &platform::TickCount);
  TapConnection tap(socket);
  PlatformTransferSide side(services_, nullptr);
  LoneTransfer receiving(4321, Receive);
  const bool received = ReceiveStream(tap, side, receiving.handle);
  // The connection thread closes here; the sender waits for that.
  platform::ShutdownBoth(pair_.b);
  sender.Join();

  EXPECT_TRUE(sent);
  EXPECT_TRUE(received);
  EXPECT_TRUE(Received(target) == content_);
  std::vector<std::pair<uint32_t, int32_t>> expected(size / 4096, {wire::kChunkMore, 4096});
  expected.emplace_back(wire::kChunkLast, static_cast<int32_t>(size % 4096));
  EXPECT_EQ(Chunks(tap.Incoming()), expected);
  const wire::FileInfo offer = *wire::DecodeFileInfo(std::span(tap.Incoming()).subspan(16));
  EXPECT_EQ(offer.Size(), size);
  EXPECT_EQ(offer.name, "source " + std::to_string(size) + ".bin");
  // Both records count the whole file against its size.
  for (const LoneTransfer* end : {&sending, &receiving}) {
    EXPECT_EQ(end->Read().size, static_cast<int64_t>(size));
    EXPECT_EQ(end->Read().moved, static_cast<int64_t>(size));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileLoopbackSizeTest,
                         ::testing::Values(0, 1, 4095, 4096, 4097, 65535, 65536, 65537,
                                           5 * 1024 * 1024));

TEST_F(FileLoopbackTest, ReceiverNamesTheContactAndSavesWhereChosen) {
  ScriptedDialogs::QueueOpenChoice(Source(70000));
  const std::string target = scratch_.File("zapisany.bin");
  ScriptedDialogs::QueueSaveChoice(target);
  bool sent = false;
  LoneTransfer sending(4321, Send);
  testing::BoundedThread sender("the sender", [&] {
    PeerConnection connection(pair_.a, nullptr, &platform::TickCount);
    sent = SendFile(services_, connection, sending.handle);
  });
  PeerConnection connection(pair_.b, nullptr, &platform::TickCount);
  LoneTransfer receiving(4321, Receive);
  EXPECT_TRUE(ReceiveFile(services_, nullptr, connection, receiving.handle, {}));
  EXPECT_EQ(receiving.Read().path, target);
  platform::ShutdownBoth(pair_.b);
  sender.Join();
  EXPECT_TRUE(sent);
  EXPECT_TRUE(Received(target) == content_);

  const std::vector<testing::DialogCall> calls = ScriptedDialogs::Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, testing::DialogCall::kOpen);
  EXPECT_EQ(calls[1].kind, testing::DialogCall::kQuestion);
  EXPECT_EQ(calls[1].text,
            "Ala chce wys\xB3"
            "a\xE6 do Ciebie plik source 70000.bin (68KB). Czy chcesz go "
            "odebra\xE6?");
  EXPECT_EQ(calls[1].caption, "Pytanie");
  EXPECT_EQ(calls[2].kind, testing::DialogCall::kSave);
  EXPECT_EQ(calls[2].text, "source 70000.bin");
}

// An offer that waits for its peer's turn at the question, while another of
// the peer's questions is open, is given up unasked once the peer leaves.
TEST_F(FileLoopbackTest, AnOfferWhosePeerLeftWhileItWaitedIsNotAsked) {
  QuestionTurns turns(60000, &platform::TickCount);
  QuestionTurns::Turn open = turns.Take(4321, 0, [] { return false; });
  ASSERT_TRUE(open);
  ScriptedDialogs::QueueOpenChoice(Source(5000));
  LoneTransfer sending(4321, Send);
  testing::BoundedThread sender("the sender", [&] {
    PeerConnection connection(pair_.a, nullptr, &platform::TickCount);
    SendFile(services_, connection, sending.handle);
  });
  PeerConnection connection(pair_.b, nullptr, &platform::TickCount);
  LoneTransfer receiving(4321, Receive);
  bool received = true;
  std::atomic<bool> over{false};
  testing::BoundedThread receiver("the receiver", [&] {
    received = ReceiveFile(services_, nullptr, connection, receiving.handle, {}, &turns);
    over = true;
  });
  // The file was chosen and offered; the offer has come and waits. Then the
  // sender gives up.
  for (int i = 0; i < 500 && ScriptedDialogs::Calls().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  platform::ShutdownBoth(pair_.a);
  sender.Join();
  // The offer ends while the other question is still open; only then (or
  // after five seconds, when it would have waited on) that question closes.
  for (int i = 0; i < 500 && !over; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(over.load());
  open = {};
  receiver.Join();
  EXPECT_FALSE(received);
  for (const testing::DialogCall& call : ScriptedDialogs::Calls())
    EXPECT_NE(call.kind, testing::DialogCall::kQuestion);
}

}  // namespace
}  // namespace kvel::transfers

// Both halves of the transfer on the two ends of a TCP connection on
// 127.0.0.1, with the platform's files and scripted dialogs.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "p2p/file_transfer.h"
#include "transfers/socket_transfer.h"
#include "transfers/transfer_stream.h"
#include "plugin/host.h"
#include "stand_in_host.h"
#include "support/fake_connection.h"
#include "support/loopback_pair.h"
#include "support/no_transfer_window.h"
#include "support/scripted_dialogs.h"
#include "support/test_paths.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
using p2p::PeerConnection;
using p2p::ReceiveFile;
using p2p::SendFile;
namespace {

using Bytes = std::vector<uint8_t>;
using testing::NoTransferWindow;
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
    SetHostLink(host_.Link());
    host_.AddContact({21, "Ala", "4321", 3});
  }
  void TearDown() override {
    SetHostLink(nullptr);
    testing::CloseLoopbackPair(pair_);
  }
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
  NoTransferWindow window;
  std::thread sender([&] {
    PeerConnection connection(pair_.a, nullptr);
    sent = SendFile(ProcessHost(), window, connection, 4321);
  });
  PeerConnection socket(pair_.b, nullptr);
  TapConnection tap(socket);
  SocketTransferSide side(pair_.b, ProcessHost(), window);
  const bool received = ReceiveStream(tap, 4321, side);
  // The connection thread closes here; the sender waits for that.
  platform::ShutdownBoth(pair_.b);
  sender.join();

  EXPECT_TRUE(sent);
  EXPECT_TRUE(received);
  EXPECT_TRUE(Received(target) == content_);
  std::vector<std::pair<uint32_t, int32_t>> expected(size / 4096, {wire::kChunkMore, 4096});
  expected.emplace_back(wire::kChunkLast, static_cast<int32_t>(size % 4096));
  EXPECT_EQ(Chunks(tap.Incoming()), expected);
  const wire::FileInfo offer = *wire::DecodeFileInfo(std::span(tap.Incoming()).subspan(16));
  EXPECT_EQ(offer.Size(), size);
  EXPECT_EQ(offer.name, "source " + std::to_string(size) + ".bin");
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileLoopbackSizeTest,
                         ::testing::Values(0, 1, 4095, 4096, 4097, 65535, 65536, 65537,
                                           5 * 1024 * 1024));

TEST_F(FileLoopbackTest, ReceiverNamesTheContactAndSavesWhereChosen) {
  ScriptedDialogs::QueueOpenChoice(Source(70000));
  const std::string target = scratch_.File("zapisany.bin");
  ScriptedDialogs::QueueSaveChoice(target);
  bool sent = false;
  NoTransferWindow window;
  std::thread sender([&] {
    PeerConnection connection(pair_.a, nullptr);
    sent = SendFile(ProcessHost(), window, connection, 4321);
  });
  PeerConnection connection(pair_.b, nullptr);
  EXPECT_TRUE(ReceiveFile(ProcessHost(), window, connection, 4321));
  platform::ShutdownBoth(pair_.b);
  sender.join();
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

}  // namespace
}  // namespace kvel::transfers

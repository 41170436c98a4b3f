// Both halves of the transfer on the two ends of a TCP connection on
// 127.0.0.1, with the platform's files and scripted dialogs. (A whole file
// so, with the real dialogs: RealDialogsTest.FileGoesThroughOpenQuestionAndSaveDialogs;
// natively, the platform's side under whole connections: OutcomeOfSending
// and OutcomeTest.)
#include <gtest/gtest.h>

#include <atomic>
#include <string>
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
#include "wait_until.h"
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

// Passes everything through, counting what came in for another thread.
class CountingConnection final : public StreamConnection {
 public:
  explicit CountingConnection(StreamConnection& inner) : inner_(inner) {}
  int Read(void* buffer, int count) override {
    const int got = inner_.Read(buffer, count);
    if (got > 0) count_ += static_cast<size_t>(got);
    return got;
  }
  int Write(const void* data, int count) override { return inner_.Write(data, count); }
  void ShutdownSend() override { inner_.ShutdownSend(); }
  bool WaitForPeerClose(uint32_t milliseconds) override {
    return inner_.WaitForPeerClose(milliseconds);
  }
  bool PeerGone() override { return inner_.PeerGone(); }
  size_t Count() const { return count_; }

 private:
  StreamConnection& inner_;
  std::atomic<size_t> count_{0};
};

class FileLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pair_ = testing::MakeLoopbackPair();
    ASSERT_NE(pair_.a, platform::kInvalidSocket);
    host_.AddContact({21, "Ala", "4321", 3});
  }
  void TearDown() override { testing::CloseLoopbackPair(pair_); }
  std::string Source(size_t size) {
    const std::string path = scratch_.File("source " + std::to_string(size) + ".bin");
    testing::WriteFile(path, std::string(size, 'k'));
    return path;
  }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  testing::LoopbackPair pair_;
  testing::ScriptedDialogsScope dialogs_;
};

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
  PeerConnection socket(pair_.b, nullptr, &platform::TickCount);
  CountingConnection connection(socket);
  LoneTransfer receiving(4321, Receive);
  bool received = true;
  std::atomic<bool> over{false};
  testing::BoundedThread receiver("the receiver", [&] {
    received = ReceiveFile(services_, nullptr, connection, receiving.handle, {}, &turns);
    over = true;
  });
  // The file was chosen and offered; the offer has come and waits. Then the
  // sender gives up.
  ASSERT_TRUE(e2e::WaitUntil([&] { return connection.Count() >= 16 + wire::kFileInfoSize; }, 5000));
  platform::ShutdownBoth(pair_.a);
  sender.Join();
  // The offer ends while the other question is still open; only then (or
  // after five seconds, when it would have waited on) that question closes.
  EXPECT_TRUE(e2e::WaitUntil([&] { return over.load(); }, 5000));
  open = {};
  receiver.Join();
  EXPECT_FALSE(received);
  for (const testing::DialogCall& call : ScriptedDialogs::Calls())
    EXPECT_NE(call.kind, testing::DialogCall::kQuestion);
}

}  // namespace
}  // namespace kvel::transfers

// Several files picked at once, through the connection threads: the first
// goes over the connection that is open, each further one over a
// connection of its own, a few at once per contact, and every one ends with
// an outcome. The contact is played by the test over loopback; every limit
// is short.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/reach/own_sends.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/loopback.h"
#include "support/loopback_pair.h"
#include "support/test_paths.h"
#include "strict_peer.h"
#include "transfers/stream/send_stream.h"
#include "wait_until.h"
#include "wire/handshake.h"
#include "wire/transfer_records.h"

namespace kvel::testing {
namespace {

using e2e::WaitUntil;
using platform::Socket;
using transfers::Transfer;
using transfers::TransferOutcome;

constexpr uint32_t kOwn = 1001;
constexpr uint32_t kContact = 777;

p2p::ConnectionLimits Limits() {
  p2p::ConnectionLimits limits = ShortLimits(2000, 400);
  limits.maxConnections = 6;
  limits.reservedForOwn = 2;
  return limits;
}

// The files' names in the order the user picked them: "f0.bin", ...
std::string Name(int i) {
  return "f" + std::to_string(i) + ".bin";
}

// The open dialog's answer for `count` files of `folder` (which ends in a
// separator).
std::string Picked(const std::string& folder, int count) {
  std::string answer = folder.substr(0, folder.size() - 1) + '\0';
  for (int i = 0; i < count; ++i) answer += Name(i) + '\0';
  return answer + '\0';
}

// The contact's end: takes each connection on a loopback port and, as a
// strict peer, answers its offer as `answer` says for the offered name,
// reading a taken file to its last chunk. Counts the connections it holds
// at once.
class ReceivingPeer {
 public:
  enum class Answer { Take, Refuse, Close };

  explicit ReceivingPeer(std::function<Answer(const std::string& name)> answer)
      : answer_(std::move(answer)),
        accepting_("the contact accepting connections", [this] { Accept(); }) {}
  ~ReceivingPeer() {
    stop_ = true;
    accepting_.Join();
    std::vector<testing::BoundedThread> serving;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      serving.swap(serving_);
    }
    for (testing::BoundedThread& thread : serving) thread.Join();
  }
  uint16_t Port() const { return server_.Port(); }
  int MostAtOnce() const { return most_; }
  // The names of the files that came whole, each with its count of bytes.
  std::map<std::string, size_t> Taken() {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
  }

 private:
  void Accept() {
    while (!stop_) {
      if (!server_.WaitForPeer(20)) continue;
      const Socket socket = server_.Accept();
      if (socket == platform::kInvalidSocket) continue;
      const int now = ++open_;
      for (int most = most_; now > most && !most_.compare_exchange_weak(most, now);) {
      }
      std::lock_guard<std::mutex> lock(mutex_);
      serving_.emplace_back("the contact serving a connection", [this, socket] {
        Serve(socket);
        --open_;
        platform::CloseSocket(socket);
      });
    }
  }
  void Serve(Socket socket) {
    strict::StrictPeer peer(socket);
    uint32_t caller = 0, code = 0;
    if (!peer.Answer(&caller, &code) || !peer.ReadOffer()) return;
    const Answer answer = answer_(peer.OfferedName());
    std::vector<uint8_t> file;
    if (answer == Answer::Refuse) peer.RefuseOffer();
    if (answer != Answer::Take || !peer.AcceptOffer(&file)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    taken_[peer.OfferedName()] = file.size();
  }

  std::function<Answer(const std::string& name)> answer_;
  LoopbackServer server_;
  std::atomic<bool> stop_{false};
  std::atomic<int> open_{0};
  std::atomic<int> most_{0};
  std::mutex mutex_;
  std::vector<testing::BoundedThread> serving_;
  std::map<std::string, size_t> taken_;
  testing::BoundedThread accepting_;  // last: starts once the rest is made
};

// Every transfer that ends, with its file and outcome.
class Ends final : public transfers::TransfersObserver {
 public:
  void TransferListed(const Transfer&) override {}
  void TransferEnded(const Transfer& transfer) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_.push_back(transfer);
  }
  std::vector<Transfer> Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
  }
  bool WaitFor(size_t count, int milliseconds = 60000) {
    return WaitUntil([&] { return Ended().size() >= count; }, milliseconds);
  }

 private:
  std::mutex mutex_;
  std::vector<Transfer> ended_;
};

std::string BaseName(const std::string& path) {
  return path.substr(path.find_last_of("\\/") + 1);
}

class SeveralFiles : public ::testing::Test {
 protected:
  SeveralFiles() : probe_(Limits()) {
    StartSockets();
    probe_.SetOwnUin(kOwn);
    probe_.NameContact(kContact, "Bolek");
    probe_.Transfers().AddObserver(ends_);
  }
  // Sends run the real stream; the one that asks picks `count` files.
  void PickFiles(int count) {
    for (int i = 0; i < count; ++i)
      WriteFile(scratch_.File(Name(i)), std::string(1000 + static_cast<size_t>(i), 'k'));
    const std::string answer = Picked(scratch_.File(""), count);
    probe_.SetSendProcedure([this, answer](p2p::PeerConnection& connection,
                                           transfers::TransferHandle& transfer,
                                           const transfers::FurtherFiles& further) {
      const int now = ++sending_;
      for (int most = mostSending_; now > most && !mostSending_.compare_exchange_weak(most, now);) {
      }
      mostPlaces_ = std::max(mostPlaces_.load(), probe_.Connections().Count());
      FakeTransferSide side;
      side.keeps = false;
      side.openChoice = answer;
      const bool sent = transfers::SendStream(connection, side, transfer, further);
      --sending_;
      return sent;
    });
  }
  void CallBack() { callers_.push_back(CallIn(probe_, kContact, kOwn, wire::kPullCode)); }
  // The connections end before the fixture their procedure reaches.
  ~SeveralFiles() override {
    probe_.Sends().Stop();
    for (Socket socket : callers_) platform::ShutdownBoth(socket);
    EXPECT_TRUE(probe_.Connections().WaitEmpty(
        10000, [](uint32_t milliseconds) { platform::SleepMilliseconds(milliseconds); }));
    for (Socket socket : callers_) platform::CloseSocket(socket);
  }

  ScratchDir scratch_;
  ConnectionProbe probe_;
  std::shared_ptr<Ends> ends_ = std::make_shared<Ends>();
  std::atomic<int> sending_{0};
  std::atomic<int> mostSending_{0};
  std::atomic<size_t> mostPlaces_{0};
  std::vector<Socket> callers_;
};

// A hundred files picked at once: three go at a time, one the user stops
// while it waits leaves the line, and each of the hundred ends with its own
// outcome, log line and, where due, box.
TEST_F(SeveralFiles, AHundredEachGetAnOutcomeWithBoundedConnections) {
  constexpr int kFiles = 100;
  PickFiles(kFiles);
  std::atomic<bool> stopped{false};
  ReceivingPeer peer([&](const std::string& name) {
    // While the first is offered, the user stops the fiftieth, which waits.
    if (name == Name(0) && !stopped.exchange(true)) {
      for (const Transfer& t : probe_.Transfers().Snapshot())
        if (BaseName(t.path) == Name(50)) probe_.Transfers().Stop(t.id);
    }
    const int i = std::stoi(name.substr(1));
    if (i % 10 == 3) return ReceivingPeer::Answer::Refuse;
    if (i % 10 == 7) return ReceivingPeer::Answer::Close;
    return ReceivingPeer::Answer::Take;
  });
  probe_.SetPeer({LoopbackAddress(), peer.Port()});
  ASSERT_TRUE(p2p::StartSend(kContact, probe_.Sends(), probe_.Services()));
  ASSERT_TRUE(ends_->WaitFor(kFiles));
  // Each has said its last word.
  EXPECT_TRUE(
      WaitUntil([&] { return probe_.LogLines().size() >= static_cast<size_t>(kFiles); }, 10000));

  std::map<std::string, TransferOutcome> outcomes;
  for (const Transfer& t : ends_->Ended()) {
    EXPECT_TRUE(outcomes.emplace(BaseName(t.path), t.outcome).second) << t.path;
    EXPECT_EQ(t.uin, kContact);
  }
  ASSERT_EQ(outcomes.size(), static_cast<size_t>(kFiles));
  size_t told = 0;
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(i);
    TransferOutcome expected = i == 50       ? TransferOutcome::Stopped
                               : i % 10 == 3 ? TransferOutcome::Refused
                               : i % 10 == 7 ? TransferOutcome::Failed
                                             : TransferOutcome::Done;
    EXPECT_EQ(outcomes[Name(i)], expected);
    told += expected == TransferOutcome::Refused || expected == TransferOutcome::Failed;
  }
  // What came whole, came in full.
  for (const auto& [name, bytes] : peer.Taken())
    EXPECT_EQ(bytes, 1000u + static_cast<size_t>(std::stoi(name.substr(1)))) << name;
  EXPECT_EQ(peer.Taken().size(), 79u);
  EXPECT_EQ(probe_.Told().size(), told);
  EXPECT_TRUE(probe_.Unreached().empty());
  EXPECT_EQ(probe_.LogLines().size(), static_cast<size_t>(kFiles));
  // Never more than the contact's bound at once, at either end.
  EXPECT_LE(mostSending_.load(), 3);
  EXPECT_LE(peer.MostAtOnce(), 3);
  EXPECT_LE(mostPlaces_.load(), 3u);
  EXPECT_EQ(probe_.Sends().Running(kContact), 0u);
  EXPECT_EQ(probe_.Transfers().Count(), 0u);
}

// A contact that only calls back: one request per further file, as many
// waits for it as files, and each call-back carries one file on.
TEST_F(SeveralFiles, ACallBackOnlyContactIsAskedOncePerFile) {
  PickFiles(4);
  probe_.SetPeer({LoopbackAddress(), 1});  // ask it to call
  // The click: awaited at once, and asked.
  p2p::AwaitCallBack(kContact, probe_.Sends(), *probe_.Services());
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 1u);
  // Its call-back: the user picks four; two more take their turns and ask,
  // the fourth waits.
  CallBack();
  // The further files are handed on one after another: the fourth is listed
  // as waiting a moment after the third has asked.
  EXPECT_TRUE(WaitUntil(
      [&] { return probe_.Packets().size() >= 3 && probe_.Sends().Waiting(kContact) >= 1; }, 5000));
  EXPECT_EQ(probe_.Packets().size(), 3u);
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 2u);
  EXPECT_EQ(probe_.Sends().Waiting(kContact), 1u);
  // The first file's connection ends: the fourth asks in its turn.
  platform::CloseSocket(callers_[0]);
  callers_.clear();
  ASSERT_TRUE(ends_->WaitFor(1));
  EXPECT_TRUE(WaitUntil([&] { return probe_.Packets().size() >= 4; }, 5000));
  EXPECT_EQ(probe_.Packets().size(), 4u);
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 3u);
  for (const std::vector<uint8_t>& packet : probe_.Packets())
    EXPECT_EQ(packet, (std::vector<uint8_t>{0x0B, 0, 0, 0, 0x0D, 0,    0, 0, 0x09, 0x03, 0,
                                            0,    0, 0, 0, 0,    0x10, 0, 0, 0,    0x02}));
  // Each call-back offers its file without a dialog: the first bytes after
  // the offer's start are its record, named as picked.
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    CallBack();
    const Socket caller = callers_.back();
    ASSERT_EQ(ReadExactly(caller, 16).size(), 16u);
    const std::optional<wire::FileInfo> info =
        wire::DecodeFileInfo(ReadExactly(caller, wire::kFileInfoSize));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->name, Name(i));
  }
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 0u);
}

// A contact that cannot be reached: when the first wait for its call-back
// runs out, the files still waiting their turn end with it, in one go.
TEST_F(SeveralFiles, TheWaitingFilesOfAnUnreachedContactEndWithTheFirstThatRanOut) {
  probe_.SetPeer({LoopbackAddress(), 1});
  for (int i = 0; i < 5; ++i) p2p::AwaitCallBack(kContact, probe_.Sends(), *probe_.Services());
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 3u);
  EXPECT_EQ(probe_.Sends().Waiting(kContact), 2u);
  ASSERT_TRUE(ends_->WaitFor(5, 10000));
  EXPECT_TRUE(WaitUntil([&] { return probe_.Unreached().size() >= 5; }, 10000));
  EXPECT_EQ(ends_->Ended().size(), 5u);
  size_t notTried = 0;
  for (const p2p::Unreached& unreached : probe_.Unreached()) {
    EXPECT_EQ(unreached.outcome, TransferOutcome::Failed);
    notTried +=
        unreached.reason.rfind("not tried, as an earlier send: no call-back within", 0) == 0;
  }
  EXPECT_EQ(probe_.Unreached().size(), 5u);
  EXPECT_EQ(notTried, 2u);
  // The three that had their turn asked; none of the waiting ones did.
  EXPECT_EQ(probe_.Packets().size(), 3u);
  EXPECT_EQ(probe_.CallBacks().CountOf(kContact), 0u);
}

}  // namespace
}  // namespace kvel::testing

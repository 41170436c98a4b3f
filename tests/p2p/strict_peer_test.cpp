// kvel's connection thread and transfer loops against a strict peer over
// loopback: the peer takes each item with one receive of exactly its size
// and fails on a short read, so every item kvel writes must arrive whole.
// Both directions, with kvel calling and being called.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "transfers/kept/resume_point.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"
#include "strict_peer.h"
#include "wire/transfer_records.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/loopback.h"
#include "support/loopback_pair.h"
#include "support/test_paths.h"
#include "wait_until.h"

namespace kvel::p2p {
namespace {

using platform::Socket;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kKvelUin = 1001;
constexpr uint32_t kPeerUin = 1002;

struct Case {
  const char* name;
  bool kvelCalls;
  uint32_t code;  // sent by the caller
  bool kvelSends;
};

// Runs kvel's writes in step with the strict peer: after each write it waits
// until the peer has read all of it (or failed). So the peer reads at the
// worst moment, right after each write, and an item that kvel splits over
// two writes is caught; and the peer's receive window is open for every
// write, since TCP delivers a write in pieces of any size once a slow
// reader's window closes, which is flow control, not this test's matter.
class LockstepConnection final : public transfers::StreamConnection {
 public:
  LockstepConnection(transfers::StreamConnection& inner, const strict::StrictPeer& peer)
      : inner_(inner), peer_(peer) {}
  int Read(void* buffer, int count) override { return inner_.Read(buffer, count); }
  int Write(const void* data, int count) override {
    const int sent = inner_.Write(data, count);
    if (sent > 0) written_ += static_cast<uint64_t>(sent);
    e2e::WaitUntil([&] { return peer_.StreamBytesRead() >= written_ || peer_.Failed(); }, 10000, 1);
    return sent;
  }
  void ShutdownSend() override { inner_.ShutdownSend(); }
  bool WaitForPeerClose(uint32_t milliseconds) override {
    return inner_.WaitForPeerClose(milliseconds);
  }

 private:
  transfers::StreamConnection& inner_;
  const strict::StrictPeer& peer_;
  uint64_t written_ = 0;
};

class StrictPeerRun : public ::testing::Test {
 protected:
  void SetUp() override { testing::StartSockets(); }

  // Connects kvel's end, a connection thread that runs `kvel` in step with
  // the strict peer, calling or called as `c` says, with the strict peer on
  // this thread, which plays the handshake and then `peer`; what `peer`
  // returned, once both ends are done (failure_: what went wrong for it).
  bool Connect(const Case& c,
               std::function<bool(transfers::StreamConnection&, transfers::TransferHandle&)> kvel,
               std::function<bool(strict::StrictPeer&)> peer) {
    testing::ConnectionProbe probe;
    probe.SetOwnUin(kKvelUin);
    std::atomic<const strict::StrictPeer*> strictPeer{nullptr};
    probe.SetFileProcedure([&](PeerConnection& socket, transfers::TransferHandle& transfer) {
      LockstepConnection connection(socket, *strictPeer.load());
      return kvel(connection, transfer);
    });
    testing::LoopbackServer server;
    ConnectionRequest request;
    request.services = probe.Services();
    Socket socket = platform::kInvalidSocket;
    testing::BoundedThread thread;
    if (c.kvelCalls) {
      probe.SetPeer({testing::LoopbackAddress(), server.Port()});
      request.outgoing = true;
      request.uin = kPeerUin;
      request.directionCode = c.code;
      thread =
          testing::BoundedThread("kvel's connection thread", RunConnection, std::move(request));
      socket = server.Accept();
    } else {
      // A peer that pulls answers this user's request to call back.
      if (c.code == strict::kPull) probe.ExpectCallBack(kPeerUin);
      socket = testing::ConnectLoopback(server.Port());
      request.socket = platform::SocketHandle(server.Accept());
      thread =
          testing::BoundedThread("kvel's connection thread", RunConnection, std::move(request));
    }
    EXPECT_NE(socket, platform::kInvalidSocket);
    // Made before the handshake, so before kvel's file procedure starts.
    strict::StrictPeer strict(socket);
    strictPeer = &strict;
    uint32_t caller = 0, code = 0;
    const bool handshake =
        c.kvelCalls ? strict.Answer(&caller, &code) : strict.Call(kPeerUin, kKvelUin, c.code);
    if (c.kvelCalls) {
      EXPECT_EQ(caller, kKvelUin);
      EXPECT_EQ(code, c.code);
    }
    const bool done = handshake && peer(strict);
    failure_ = strict.Failure();
    // Either end closes after the last chunk; kvel's sender waits for it.
    platform::CloseSocket(socket);
    thread.Join();
    return done;
  }

  // One transfer of `content`, kvel's end sending or receiving through the
  // product's stream, the strict peer asking kvel for the file from
  // `offset` when kvel sends. Both ends must report the file transferred,
  // and the receiver hold exactly the file from the offset on; an offset
  // past the end, neither end and no data at all.
  void Run(const Case& c, const Bytes& content, uint32_t offset = 0) {
    const std::string source = scratch_.File("source.bin");
    const std::string target = scratch_.File("target.bin");
    std::remove(target.c_str());
    testing::WriteFile(source, std::string(content.begin(), content.end()));
    bool kvelDone = false;
    Bytes received;
    const bool peerDone = Connect(
        c,
        [&](transfers::StreamConnection& connection, transfers::TransferHandle& transfer) {
          testing::FakeTransferSide side;
          side.openChoice = source;
          side.saveChoice = target;
          kvelDone = c.kvelSends ? transfers::SendStream(connection, side, transfer)
                                 : transfers::ReceiveStream(connection, side, transfer);
          return kvelDone;
        },
        [&](strict::StrictPeer& strict) {
          return c.kvelSends ? strict.ReceiveFile(&received, offset)
                             : strict.SendFile("strict.bin", content);
        });
    const bool past = offset > content.size();
    EXPECT_EQ(peerDone, !past) << failure_;
    EXPECT_EQ(kvelDone, !past);
    if (c.kvelSends) {
      const size_t from = std::min<size_t>(offset, content.size());
      EXPECT_TRUE(received == Bytes(content.begin() + static_cast<ptrdiff_t>(from), content.end()));
    } else {
      std::string saved;
      EXPECT_TRUE(testing::ReadFile(target, &saved));
      EXPECT_TRUE(Bytes(saved.begin(), saved.end()) == content);
    }
  }

  testing::ScratchDir scratch_;
  std::string failure_;
};

class StrictPeerTest : public StrictPeerRun, public ::testing::WithParamInterface<size_t> {};

TEST_P(StrictPeerTest, EveryItemArrivesWhole) {
  const size_t size = GetParam();
  const Bytes content = testing::PatternBytes(size, static_cast<uint32_t>(size));
  const Case cases[] = {
      {"kvel calls and sends", true, strict::kPush, true},
      {"the peer calls back and pulls", false, strict::kPull, true},
      {"the peer calls and sends", false, strict::kPush, false},
      {"kvel calls and pulls", true, strict::kPull, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Run(c, content);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, StrictPeerTest,
                         ::testing::Values(0, 1, 4095, 4096, 4097, 5 * 1024 * 1024));

// A peer that resumes a cut transfer asks kvel for the rest of the file.
TEST_F(StrictPeerRun, APeerThatResumesGetsExactlyTheRest) {
  const Bytes content = testing::PatternBytes(40000, 21);
  const Case cases[] = {
      {"kvel calls and sends", true, strict::kPush, true},
      {"the peer calls back and pulls", false, strict::kPull, true},
  };
  for (const Case& c : cases) {
    for (uint32_t offset : {0u, 1u, 12000u, 40000u - 4096u, 39999u, 40000u, 40001u}) {
      SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(offset));
      Run(c, content, offset);
    }
  }
}

}  // namespace
}  // namespace kvel::p2p

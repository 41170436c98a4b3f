// A stand-in host with kvel.tpl sends to the strict peer, which reads each
// item with one receive of exactly its size: once as kvel pushes, once as
// the peer, which kvel cannot reach, is asked to call back and pulls (after
// a stranger claiming its number got nothing), and once as the peer resumes
// and asks for the rest of the file only.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gg_wire.h"
#include "platform/sockets.h"
#include "strict_peer.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "world.h"
#include "world_files.h"

namespace kvel::e2e {
namespace {

constexpr uint32_t kHost = 1001, kPeer = 1002;

std::vector<uint8_t> Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The strict peer's side: logged in to the stand-in server as kPeer with a
// listening port, so that the host learns where to call it.
class StrictPeerEndToEnd : public ::testing::Test {
 protected:
  void StartWorld(bool reachable) {
    if (!reachable) world_.Server().SetReportedPort(kHost, kPeer, 1);
    gg_ = testing::ConnectLoopback(world_.Server().Port());
    ASSERT_NE(gg_, platform::kInvalidSocket);
    ASSERT_TRUE(testing::SendAll(gg_, standin::gg::LoginPacket(kPeer, listener_.Port())));
    host_ = &world_.AddHost({kHost, FreePort(), {{kPeer, "Surowy"}}, ""});
    ASSERT_TRUE(host_->Started());
    ASSERT_TRUE(host_->WaitFor("contacts", reachable ? "icon=green" : "icon=orange"))
        << host_->Command("contacts");
  }
  void TearDown() override {
    if (gg_ != platform::kInvalidSocket) platform::CloseSocket(gg_);
  }
  // Sends `source` from the host through the contact menu.
  void Send(const std::string& source) {
    host_->Command("open \"" + source + "\"");
    ASSERT_NE(host_->Command("click kvel/send 1002").find("ok clicked"), std::string::npos);
  }
  // The strict peer takes the file on `socket` from `offset` on and closes.
  std::vector<uint8_t> Receive(platform::Socket socket, bool called, uint32_t offset = 0) {
    strict::StrictPeer peer(socket);
    uint32_t caller = 0, code = 0;
    const bool handshake = called ? peer.Answer(&caller, &code) : peer.Call(kPeer, kHost, 3);
    std::vector<uint8_t> file;
    const bool received = handshake && peer.ReceiveFile(&file, offset);
    platform::CloseSocket(socket);
    EXPECT_TRUE(received) << peer.Failure();
    if (called) {
      EXPECT_EQ(caller, kHost);
      EXPECT_EQ(code, 2u);
    }
    return file;
  }

  testing::LoopbackServer listener_;
  World world_;
  platform::Socket gg_ = platform::kInvalidSocket;
  HostProcess* host_ = nullptr;
};

// The files fit one write of kvel's (at most 64 KiB of whole chunks): the
// peer's reads cannot be paced here, and once a slow reader's receive window
// closes TCP hands over any write in pieces, whoever wrote it.
TEST_F(StrictPeerEndToEnd, KvelPushes) {
  ASSERT_NO_FATAL_FAILURE(StartWorld(true));
  for (uint64_t size : {0u, 4097u, 60000u}) {
    SCOPED_TRACE(size);
    const std::string source = world_.Scratch() + "push" + std::to_string(size) + ".bin";
    MakeFile(source, size, static_cast<uint32_t>(size));
    ASSERT_NO_FATAL_FAILURE(Send(source));
    ASSERT_TRUE(listener_.WaitForPeer(30000));
    const platform::Socket socket = listener_.Accept();
    ASSERT_NE(socket, platform::kInvalidSocket);
    EXPECT_TRUE(Receive(socket, true) == Content(source));
    EXPECT_TRUE(host_->WaitFor("rows", "ok rows 0"));
  }
}

TEST_F(StrictPeerEndToEnd, ThePeerIsAskedToCallBackAndPulls) {
  ASSERT_NO_FATAL_FAILURE(StartWorld(false));
  const std::string source = world_.Scratch() + "callback.bin";
  MakeFile(source, 60000, 11);
  ASSERT_NO_FATAL_FAILURE(Send(source));
  // The request reaches the peer through the server as a class-16 message.
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const auto& message : world_.Server().RelayedMessages()) {
          if (message.sender == kHost && message.recipient == kPeer && message.messageClass == 16) {
            return true;
          }
        }
        return false;
      },
      30000));
  // A stranger at another address claims the peer's number first: it gets
  // the answer to its hello and nothing more, and the wait stays.
  const platform::Socket stranger =
      testing::ConnectLoopbackFrom(host_->Settings().localPort, "127.0.0.2");
  ASSERT_NE(stranger, platform::kInvalidSocket);
  ASSERT_TRUE(testing::SendAll(stranger, testing::Words({kPeer, kHost, 3})));
  EXPECT_EQ(testing::ReadUntilClosed(stranger), testing::kAnswerBytes);
  platform::CloseSocket(stranger);
  EXPECT_TRUE(host_->WaitFor(
      "log", "call-back not from the contact's address, refused: peer=1002 from=127.0.0.2"));
  // The peer's own call-back, from the address the server announced.
  const platform::Socket socket = testing::ConnectLoopback(host_->Settings().localPort);
  ASSERT_NE(socket, platform::kInvalidSocket);
  EXPECT_TRUE(Receive(socket, false) == Content(source));
  EXPECT_TRUE(host_->WaitFor("rows", "ok rows 0"));
}

// The peer kept the first 12,000 bytes of a cut transfer: kvel seeks there
// and sends exactly the rest, and its log names the offset.
TEST_F(StrictPeerEndToEnd, APeerThatResumesGetsTheRest) {
  ASSERT_NO_FATAL_FAILURE(StartWorld(true));
  const std::string source = world_.Scratch() + "resumed.bin";
  MakeFile(source, 40000, 12);
  ASSERT_NO_FATAL_FAILURE(Send(source));
  ASSERT_TRUE(listener_.WaitForPeer(30000));
  const platform::Socket socket = listener_.Accept();
  ASSERT_NE(socket, platform::kInvalidSocket);
  const std::vector<uint8_t> whole = Content(source);
  EXPECT_TRUE(Receive(socket, true, 12000) ==
              std::vector<uint8_t>(whole.begin() + 12000, whole.end()));
  EXPECT_TRUE(host_->WaitFor("log", "bytes=28000 offset=12000 outcome=done"))
      << host_->Command("log");
}

}  // namespace
}  // namespace kvel::e2e

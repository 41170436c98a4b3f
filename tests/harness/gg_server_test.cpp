// The stand-in GG server with plain sockets as its clients.
#include <gtest/gtest.h>

#include <cstring>

#include <chrono>
#include <thread>

#include "gg_server.h"
#include "gg_wire.h"
#include "platform/sockets.h"

namespace standin {
namespace {
namespace platform = kvel::platform;

class RawClient {
 public:
  explicit RawClient(uint16_t port) {
    socket_ = platform::CreateTcpSocket();
    connected_ = platform::ConnectSocket(socket_, platform::InetAddr("127.0.0.1"), port);
  }
  ~RawClient() { platform::CloseSocket(socket_); }
  bool Connected() const { return connected_; }
  void Send(const gg::Bytes& packet) {
    platform::SendSome(socket_, packet.data(), static_cast<int>(packet.size()));
  }
  // The next whole packet, or an empty one when the connection ends.
  gg::Bytes Receive() {
    for (;;) {
      if (std::optional<gg::Bytes> packet = reader_.Next()) return *packet;
      uint8_t buffer[4096];
      int n = platform::ReceiveSome(socket_, buffer, sizeof buffer);
      if (n <= 0) return {};
      reader_.Feed(buffer, static_cast<size_t>(n));
    }
  }
  // Announces `port`, and `externAddress`:`externPort` when not 0.
  void Login(uint32_t uin, uint16_t port, uint32_t externAddress = 0, uint16_t externPort = 0) {
    gg::Bytes login = gg::LoginPacket(uin, 0);
    login[8 + 21] = static_cast<uint8_t>(port);
    login[8 + 22] = static_cast<uint8_t>(port >> 8);
    std::memcpy(&login[8 + 23], &externAddress, 4);
    login[8 + 27] = static_cast<uint8_t>(externPort);
    login[8 + 28] = static_cast<uint8_t>(externPort >> 8);
    Send(login);
    EXPECT_EQ(gg::GetU32(Receive().data()), gg::kLoginOk);
  }

 private:
  platform::Socket socket_;
  bool connected_ = false;
  gg::PacketReader reader_;
};

void WaitOnline(GGServer& server, size_t count) {
  for (int i = 0; i < 500 && server.Online().size() < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(GGServer, TellsEachHostAboutTheOthersAndRelaysMessages) {
  platform::StartSocketLibrary(nullptr);
  GGServer server;
  ASSERT_TRUE(server.Start());
  server.SetReportedPort(2000, 1000, 1);
  RawClient a(server.Port()), b(server.Port());
  ASSERT_TRUE(a.Connected() && b.Connected());
  a.Login(1000, 15601);
  WaitOnline(server, 1);
  // B announces its router's address and mapped port; A none.
  b.Login(2000, 15602, platform::InetAddr("185.77.0.1"), 1561);

  // B hears of A in a notify reply, at the address the server saw, with the
  // forced port 1.
  gg::Bytes reply = b.Receive();
  ASSERT_EQ(gg::GetU32(reply.data()), gg::kNotifyReply);
  ASSERT_EQ(reply.size(), 8u + 14u);
  EXPECT_EQ(gg::GetU32(&reply[8]), 1000u);
  EXPECT_EQ(reply[12], gg::kStatusAvailable);
  EXPECT_EQ(reply[13], 127);
  EXPECT_EQ(gg::GetU16(&reply[17]), 1);
  // A hears of B in a status change at what B announced.
  gg::Bytes status = a.Receive();
  ASSERT_EQ(gg::GetU32(status.data()), gg::kStatus);
  EXPECT_EQ(gg::GetU32(&status[8]), 2000u);
  EXPECT_EQ(gg::GetU32(&status[13]), platform::InetAddr("185.77.0.1"));
  EXPECT_EQ(gg::GetU16(&status[17]), 1561);

  gg::Bytes payload;
  gg::PutU32(payload, 2000);
  gg::PutU32(payload, 0);
  gg::PutU32(payload, 16);
  payload.push_back(2);
  a.Send(gg::Packet(gg::kSendMsg, payload));
  gg::Bytes message = b.Receive();
  ASSERT_EQ(gg::GetU32(message.data()), gg::kRecvMsg);
  ASSERT_EQ(message.size(), 8u + 17u);
  EXPECT_EQ(gg::GetU32(&message[8]), 1000u);
  EXPECT_NE(gg::GetU32(&message[16]), 0u);
  EXPECT_EQ(gg::GetU32(&message[20]), 16u);
  EXPECT_EQ(message[24], 2);

  ASSERT_EQ(server.Logins().size(), 2u);
  EXPECT_EQ(server.Logins()[1].localPort, 15602);
  server.Disconnect(2000);
  gg::Bytes gone = a.Receive();
  ASSERT_EQ(gg::GetU32(gone.data()), gg::kStatus);
  EXPECT_EQ(gone[12], gg::kStatusNotAvailable);
  server.Stop();
}

}  // namespace
}  // namespace standin

#include "gg_client.h"

namespace standin {
namespace platform = kvel::platform;

GGClient::GGClient(Host& host) : host_(host) {}

GGClient::~GGClient() {
  Disconnect();
  if (reader_.joinable()) reader_.join();
  host_.SetPacketSink(nullptr);
}

bool GGClient::Connect(uint16_t serverPort, uint32_t uin, uint16_t localPort) {
  platform::StartSocketLibrary(nullptr);
  socket_ = platform::CreateTcpSocket();
  if (socket_ == platform::kInvalidSocket) return false;
  const uint32_t address = serverAddress_ != 0 ? serverAddress_ : platform::InetAddr("127.0.0.1");
  if (!platform::ConnectSocket(socket_, address, serverPort)) {
    platform::CloseSocket(socket_);
    socket_ = platform::kInvalidSocket;
    return false;
  }
  connected_ = true;
  // Whatever the plug-in sends through the host goes to the server.
  host_.SetPacketSink([this](const std::vector<uint8_t>& packet) { SendBytes(packet); });
  reader_ = std::thread([this] { ReadLoop(); });
  gg::Bytes login = gg::LoginPacket(uin, localPort);
  if (host_.DeliverGGEvent(7, login) != -1) SendBytes(login);
  return true;
}

void GGClient::Disconnect() {
  // A blocked receive wakes on the shutdown on Linux and on the close under
  // Wine.
  std::lock_guard<std::mutex> lock(writeMutex_);
  if (socket_ == platform::kInvalidSocket) return;
  platform::ShutdownReceive(socket_);
  platform::CloseSocket(socket_);
  socket_ = platform::kInvalidSocket;
}

void GGClient::SetDeliver(std::function<void(const gg::Bytes&)> deliver) {
  std::lock_guard<std::mutex> lock(deliverMutex_);
  deliver_ = std::move(deliver);
}

void GGClient::ReadLoop() {
  gg::PacketReader reader;
  uint8_t buffer[65536];
  const platform::Socket socket = socket_;
  for (;;) {
    int n = platform::ReceiveSome(socket, buffer, sizeof buffer);
    if (n <= 0) break;
    reader.Feed(buffer, static_cast<size_t>(n));
    while (std::optional<gg::Bytes> packet = reader.Next()) {
      if (host_.DeliverGGEvent(4, *packet) == -1) continue;
      std::function<void(const gg::Bytes&)> deliver;
      {
        std::lock_guard<std::mutex> lock(deliverMutex_);
        deliver = deliver_;
      }
      if (deliver) deliver(*packet);
    }
  }
  connected_ = false;
  {
    std::lock_guard<std::mutex> lock(writeMutex_);
    if (socket_ != platform::kInvalidSocket) platform::CloseSocket(socket_);
    socket_ = platform::kInvalidSocket;
  }
  gg::Bytes none;
  host_.DeliverGGEvent(9, none);
}

void GGClient::SendBytes(const gg::Bytes& packet) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  if (socket_ == platform::kInvalidSocket) return;
  size_t sent = 0;
  while (sent < packet.size()) {
    int n =
        platform::SendSome(socket_, packet.data() + sent, static_cast<int>(packet.size() - sent));
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace standin

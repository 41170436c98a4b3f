// The stand-in host's GG connection: connects to the stand-in server, sends
// the login through the plug-in's hook (event 7), hands every received packet
// to the hook (event 4), sends what the plug-in sends through PFSendRawData,
// and raises event 9 when the connection ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "gg_wire.h"
#include "platform/sockets.h"
#include "stand_in_host.h"

namespace standin {

class GGClient {
 public:
  explicit GGClient(Host& host);
  ~GGClient();
  GGClient(const GGClient&) = delete;
  GGClient& operator=(const GGClient&) = delete;

  // Connects to the server's address (127.0.0.1 unless set) and
  // `serverPort`, and logs in as `uin`; the login the host builds announces
  // `localPort` and local address 0.
  bool Connect(uint16_t serverPort, uint32_t uin, uint16_t localPort);
  // The server's address (network byte order) for the next Connect.
  void SetServerAddress(uint32_t address) { serverAddress_ = address; }
  // Closes the connection; the reader raises event 9.
  void Disconnect();
  bool Connected() const { return connected_; }

  // Packets the hook passed on (result 0), for the host to show.
  void SetDeliver(std::function<void(const gg::Bytes& packet)> deliver);

 private:
  void ReadLoop();
  void SendBytes(const gg::Bytes& packet);

  Host& host_;
  uint32_t serverAddress_ = 0;
  kvel::platform::Socket socket_ = kvel::platform::kInvalidSocket;
  std::mutex writeMutex_;
  std::mutex deliverMutex_;
  std::function<void(const gg::Bytes&)> deliver_;
  std::atomic<bool> connected_{false};
  std::thread reader_;
};

}  // namespace standin

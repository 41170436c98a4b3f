// The stand-in GG server: accepts hosts (on 127.0.0.1, or the address it is
// given), reads each login for the user's number and announced address and
// port, tells every host about the others (notify reply at login, status
// changes when someone arrives or leaves) and relays messages (type 11 from A
// to B arrives at B as type 10 from A). A peer is reported at the external
// address and port its login announced, or at the address the server saw it
// come from and its local port when it announced none, as a GG server does;
// a port can be forced for a pair of users.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "gg_wire.h"
#include "platform/sockets.h"

namespace standin {

class GGServer {
 public:
  GGServer() = default;
  ~GGServer();
  GGServer(const GGServer&) = delete;
  GGServer& operator=(const GGServer&) = delete;

  // Listens on `address` (network byte order; 0 for 127.0.0.1) and `port`
  // (0 picks a free port). False when it cannot.
  bool Start(uint16_t port = 0, uint32_t address = 0);
  uint16_t Port() const { return port_; }
  // Disconnects every host and stops.
  void Stop();

  // When telling `viewer` about `peer`, report `port` instead of the port
  // `peer` announced (1 forces the call-back path, 0 and 2 the error states).
  void SetReportedPort(uint32_t viewer, uint32_t peer, uint16_t port);
  // Drops the connection of `uin` as if the host had gone away.
  void Disconnect(uint32_t uin);

  // What the server has seen, for tests.
  std::vector<gg::Login> Logins();
  std::vector<uint32_t> Online();
  // Every relayed message: (sender, recipient, class, body).
  struct Relayed {
    uint32_t sender;
    uint32_t recipient;
    uint32_t messageClass;
    gg::Bytes body;
  };
  std::vector<Relayed> RelayedMessages();

 private:
  struct Session;
  void AcceptLoop();
  void ClientLoop(std::shared_ptr<Session> session);
  void OnLogin(const std::shared_ptr<Session>& session, const gg::Login& login);
  void OnLeave(const std::shared_ptr<Session>& session);
  uint16_t ReportedPort(uint32_t viewer, const Session& peer);
  static uint32_t ReportedAddress(const Session& peer);
  static void Send(Session& session, const gg::Bytes& packet);

  std::mutex mutex_;
  kvel::platform::Socket listenSocket_ = kvel::platform::kInvalidSocket;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  std::vector<std::thread> clientThreads_;
  std::vector<std::shared_ptr<Session>> sessions_;
  std::map<std::pair<uint32_t, uint32_t>, uint16_t> reportedPorts_;
  std::vector<gg::Login> logins_;
  std::vector<Relayed> relayed_;
};

}  // namespace standin

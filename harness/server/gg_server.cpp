#include "gg_server.h"

#include <algorithm>
#include <ctime>

#include "platform/threads/threads.h"

namespace standin {
namespace platform = kvel::platform;

struct GGServer::Session {
  platform::Socket socket = platform::kInvalidSocket;
  // Closed once. Another thread wakes the session's blocked receive: on
  // Linux a shutdown does it (the session's own thread then closes), under
  // Wine only the close does.
  std::atomic<bool> closed{false};
  void Close() {
    if (closed.exchange(true)) return;
    platform::CloseSocket(socket);
  }
  void Wake() {
    platform::ShutdownReceive(socket);
#ifdef _WIN32
    Close();
#endif
  }
  std::mutex writeMutex;
  uint32_t seen = 0;  // the address the connection came from
  bool loggedIn = false;
  gg::Login login;
};

GGServer::~GGServer() {
  Stop();
}

bool GGServer::Start(uint16_t port, uint32_t address) {
  platform::StartSocketLibrary(nullptr);
  listenSocket_ = platform::CreateTcpSocket();
  if (listenSocket_ == platform::kInvalidSocket) return false;
  if (address == 0) address = platform::InetAddr("127.0.0.1");
  if (!platform::BindSocket(listenSocket_, address, port) ||
      !platform::ListenSocket(listenSocket_, 16)) {
    platform::CloseSocket(listenSocket_);
    listenSocket_ = platform::kInvalidSocket;
    return false;
  }
  port_ = platform::LocalPort(listenSocket_);
  // Polled accept so that Stop needs no socket tricks to end the thread.
  platform::SetNonBlocking(listenSocket_, true);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void GGServer::Stop() {
  if (stopping_.exchange(true)) return;
  if (acceptThread_.joinable()) acceptThread_.join();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& session : sessions_) session->Wake();
  }
  for (std::thread& t : clientThreads_) {
    if (t.joinable()) t.join();
  }
  if (listenSocket_ != platform::kInvalidSocket) platform::CloseSocket(listenSocket_);
  listenSocket_ = platform::kInvalidSocket;
}

void GGServer::SetReportedPort(uint32_t viewer, uint32_t peer, uint16_t port) {
  std::lock_guard<std::mutex> lock(mutex_);
  reportedPorts_[{viewer, peer}] = port;
}

void GGServer::Disconnect(uint32_t uin) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& session : sessions_) {
    if (session->loggedIn && session->login.uin == uin) session->Wake();
  }
}

std::vector<gg::Login> GGServer::Logins() {
  std::lock_guard<std::mutex> lock(mutex_);
  return logins_;
}

std::vector<uint32_t> GGServer::Online() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<uint32_t> result;
  for (auto& session : sessions_) {
    if (session->loggedIn) result.push_back(session->login.uin);
  }
  return result;
}

std::vector<GGServer::Relayed> GGServer::RelayedMessages() {
  std::lock_guard<std::mutex> lock(mutex_);
  return relayed_;
}

void GGServer::AcceptLoop() {
  while (!stopping_) {
    platform::Socket accepted = platform::AcceptSocket(listenSocket_);
    if (accepted == platform::kInvalidSocket) {
      platform::SleepMilliseconds(10);
      continue;
    }
    platform::SetNonBlocking(accepted, false);
    auto session = std::make_shared<Session>();
    session->socket = accepted;
    session->seen = platform::RemoteAddress(accepted);
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.push_back(session);
    clientThreads_.emplace_back([this, session] { ClientLoop(session); });
  }
}

void GGServer::ClientLoop(std::shared_ptr<Session> session) {
  gg::PacketReader reader;
  uint8_t buffer[65536];
  for (;;) {
    int n = platform::ReceiveSome(session->socket, buffer, sizeof buffer);
    if (n <= 0) break;
    reader.Feed(buffer, static_cast<size_t>(n));
    while (std::optional<gg::Bytes> packet = reader.Next()) {
      uint32_t type = gg::GetU32(packet->data());
      gg::Bytes payload(packet->begin() + 8, packet->end());
      if (type == gg::kLogin) {
        if (std::optional<gg::Login> login = gg::ReadLogin(payload)) OnLogin(session, *login);
      } else if (type == gg::kSendMsg && session->loggedIn) {
        std::optional<gg::OutgoingMessage> message = gg::ReadOutgoingMessage(payload);
        if (!message) continue;
        std::shared_ptr<Session> target;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          relayed_.push_back(
              {session->login.uin, message->recipient, message->messageClass, message->body});
          for (auto& other : sessions_) {
            if (other->loggedIn && other->login.uin == message->recipient) target = other;
          }
        }
        if (target) {
          Send(*target,
               gg::ReceivedMessage(session->login.uin, static_cast<uint32_t>(std::time(nullptr)),
                                   message->messageClass, message->body));
        }
      }
    }
  }
  OnLeave(session);
  session->Close();
}

uint16_t GGServer::ReportedPort(uint32_t viewer, const Session& peer) {
  auto forced = reportedPorts_.find({viewer, peer.login.uin});
  if (forced != reportedPorts_.end()) return forced->second;
  return peer.login.externPort != 0 ? peer.login.externPort : peer.login.localPort;
}

uint32_t GGServer::ReportedAddress(const Session& peer) {
  return peer.login.externAddress != 0 ? peer.login.externAddress : peer.seen;
}

void GGServer::OnLogin(const std::shared_ptr<Session>& session, const gg::Login& login) {
  std::vector<std::pair<std::shared_ptr<Session>, gg::Bytes>> outgoing;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    logins_.push_back(login);
    session->login = login;
    session->loggedIn = true;
    outgoing.push_back({session, gg::Packet(gg::kLoginOk, {})});
    gg::Bytes entries;
    for (auto& other : sessions_) {
      if (other == session || !other->loggedIn) continue;
      gg::PutStatusEntry(entries, other->login.uin, gg::kStatusAvailable, ReportedAddress(*other),
                         ReportedPort(login.uin, *other));
      gg::Bytes status;
      gg::PutStatusEntry(status, login.uin, gg::kStatusAvailable, ReportedAddress(*session),
                         ReportedPort(other->login.uin, *session));
      outgoing.push_back({other, gg::Packet(gg::kStatus, status)});
    }
    if (!entries.empty()) outgoing.push_back({session, gg::Packet(gg::kNotifyReply, entries)});
  }
  for (auto& [target, packet] : outgoing) Send(*target, packet);
}

void GGServer::OnLeave(const std::shared_ptr<Session>& session) {
  std::vector<std::shared_ptr<Session>> others;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase(sessions_, session);
    if (!session->loggedIn) return;
    for (auto& other : sessions_) {
      if (other->loggedIn) others.push_back(other);
    }
  }
  gg::Bytes status;
  gg::PutStatusEntry(status, session->login.uin, gg::kStatusNotAvailable, 0, 0);
  for (auto& other : others) Send(*other, gg::Packet(gg::kStatus, status));
}

void GGServer::Send(Session& session, const gg::Bytes& packet) {
  std::lock_guard<std::mutex> lock(session.writeMutex);
  if (session.closed) return;
  size_t sent = 0;
  while (sent < packet.size()) {
    int n = platform::SendSome(session.socket, packet.data() + sent,
                               static_cast<int>(packet.size() - sent));
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace standin

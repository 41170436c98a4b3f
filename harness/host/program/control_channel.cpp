#include "control_channel.h"

#include <string>

#include "platform/threads/threads.h"

namespace standin {
namespace platform = kvel::platform;

ControlChannel::~ControlChannel() {
  Stop();
}

bool ControlChannel::Start(uint16_t port) {
  platform::StartSocketLibrary(nullptr);
  listen_ = platform::CreateTcpSocket();
  if (listen_ == platform::kInvalidSocket) return false;
  if (!platform::BindSocket(listen_, platform::InetAddr("127.0.0.1"), port) ||
      !platform::ListenSocket(listen_, 4)) {
    platform::CloseSocket(listen_);
    listen_ = platform::kInvalidSocket;
    return false;
  }
  platform::SetNonBlocking(listen_, true);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void ControlChannel::Stop() {
  stopping_ = true;
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  if (listen_ != platform::kInvalidSocket) platform::CloseSocket(listen_);
  listen_ = platform::kInvalidSocket;
}

void ControlChannel::Serve() {
  while (!stopping_) {
    platform::Socket client = platform::AcceptSocket(listen_);
    if (client == platform::kInvalidSocket) {
      platform::SleepMilliseconds(10);
      continue;
    }
    platform::SetNonBlocking(client, false);
    ServeClient(client);
    platform::CloseSocket(client);
  }
}

void ControlChannel::ServeClient(platform::Socket client) {
  std::string pending;
  char buffer[4096];
  while (!stopping_) {
    int n = platform::ReceiveSome(client, buffer, sizeof buffer);
    if (n <= 0) return;
    pending.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      std::string answer = commands_.Run(line) + "\n.\n";
      size_t sent = 0;
      while (sent < answer.size()) {
        int w = platform::SendSome(client, answer.data() + sent,
                                   static_cast<int>(answer.size() - sent));
        if (w <= 0) return;
        sent += static_cast<size_t>(w);
      }
    }
  }
}

}  // namespace standin

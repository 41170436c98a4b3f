#include "p2p/connection/listener.h"
#include "p2p/connection/connection_thread.h"

#include <string>

#include "common/texts.h"
#include "platform/socket_handle.h"

namespace kvel::p2p {
namespace {
// Every interface, as the login packet announces it.
constexpr char kLocalAddress[] = "0.0.0.0";
}  // namespace

Listener::Listener(host::HostServices& host, std::shared_ptr<ConnectionServices> connections)
    : host_(host), connections_(std::move(connections)) {}

Listener::~Listener() {
  Stop();
}

bool Listener::Start(uint16_t port) {
  if (run_ != nullptr) return true;
  std::string description;
  if (!platform::StartSocketLibrary(&description)) return false;
  host_.Log(description.c_str());
  platform::SocketHandle socket(platform::CreateTcpSocket());
  if (!socket.Valid()) {
    platform::StopSocketLibrary();
    return false;
  }
  host_.Log(text::kLogSocketCreated);
  if (!platform::BindSocket(socket.Get(), platform::InetAddr(kLocalAddress), port)) return false;
  host_.Log(text::kLogBindOk);
  if (!platform::ListenSocket(socket.Get(), kListenBacklog)) return false;
  host_.Log(text::kLogListening);
  auto run = std::make_shared<Run>();
  run->socket = socket.Get();
  run->connections = connections_;
  run->host = &host_;
  // The thread holds its own reference to the run.
  auto* handed = new std::shared_ptr<Run>(run);
  if (!platform::StartThread(&ListenerThread, handed, &thread_)) {
    delete handed;
    return false;
  }
  // From here the run's socket is closed by Stop.
  socket.Release();
  run_ = std::move(run);
  return true;
}

void Listener::Stop() {
  if (run_ == nullptr) return;
  run_->stopRequested = true;
  platform::WaitThread(&thread_, kListenerStopWaitMs);
  // A thread still running past the wait sees the flag after its wait on
  // the socket; its accept on the closed socket fails meanwhile.
  platform::CloseSocket(run_->socket);
  run_.reset();
}

uint16_t Listener::Port() const {
  return run_ == nullptr ? 0 : platform::LocalPort(run_->socket);
}

void Listener::ListenerThread(void* raw) {
  std::shared_ptr<Run> run = std::move(*static_cast<std::shared_ptr<Run>*>(raw));
  delete static_cast<std::shared_ptr<Run>*>(raw);
  // Non-blocking: an accept takes a peer that is waiting or fails at once,
  // so the thread never blocks anywhere but in the wait on the socket.
  platform::SetNonBlocking(run->socket, true);
  while (!run->stopRequested) {
    const int ready = platform::WaitReadable(run->socket, kStopCheckMs);
    if (ready < 0) platform::SleepMilliseconds(kStopCheckMs);  // never a busy loop
    if (ready <= 0) continue;
    // Every peer waiting, one after the other, until none is left.
    for (;;) {
      const platform::Socket accepted = platform::AcceptSocket(run->socket);
      if (accepted == platform::kInvalidSocket) break;
      if (run->stopRequested) {
        platform::SocketHandle unwanted(accepted);
        return;
      }
      run->host->Log((text::kLogAccepted + std::to_string(accepted)).c_str());
      StartIncoming(accepted, run->connections);
    }
  }
}

}  // namespace kvel::p2p

#include "p2p/connection/listener.h"
#include "p2p/connection/connection_thread.h"

#include <string>

#include "common/texts.h"
#include "platform/socket_handle.h"

namespace kvel::p2p {
namespace {

// Every interface, as the login packet announces it.
constexpr char kLocalAddress[] = "0.0.0.0";

// Accepts every peer waiting on `socket` until the stop; each goes to a
// connection thread of its own. Only the stop wakes it besides a peer.
void AcceptPeers(platform::Socket socket, host::HostServices& host,
                 const std::shared_ptr<ConnectionServices>& connections,
                 platform::WorkerStop& stop) {
  using Wait = platform::WorkerStop::SocketWait;
  // Non-blocking: an accept takes a peer that is waiting or fails at once,
  // so the thread never blocks anywhere but in the wait on the socket.
  platform::SetNonBlocking(socket, true);
  for (;;) {
    const Wait woken = stop.WaitReadable(socket);
    if (woken == Wait::Stopped) return;
    if (woken == Wait::Failed) {
      if (stop.WaitFor(kAcceptRetryMs)) return;
      continue;
    }
    // Every peer waiting, one after the other, until none is left.
    for (;;) {
      const platform::Socket accepted = platform::AcceptSocket(socket);
      if (accepted == platform::kInvalidSocket) break;
      if (stop.Requested()) {
        platform::SocketHandle unwanted(accepted);
        return;
      }
      host.Log((text::kLogAccepted + std::to_string(accepted)).c_str());
      StartIncoming(accepted, connections);
    }
  }
}

}  // namespace

Listener::Listener(host::HostServices& host, std::shared_ptr<ConnectionServices> connections)
    : host_(host), connections_(std::move(connections)) {}

Listener::~Listener() {
  Stop();
}

bool Listener::Start(uint16_t port) {
  if (socket_ != platform::kInvalidSocket) return true;
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
  // The body holds what it uses, never the listener: it may outlive Stop's wait.
  if (!worker_.Start([listening = socket.Get(), host = &host_,
                      connections = connections_](platform::WorkerStop& stop) {
        AcceptPeers(listening, *host, connections, stop);
      }))
    return false;
  // From here the socket is closed by Stop.
  socket_ = socket.Release();
  return true;
}

bool Listener::Stop() {
  if (socket_ == platform::kInvalidSocket) return true;
  const bool ended = worker_.Stop(kListenerStopWaitMs);
  // A thread still running past the wait was woken already: its wait and
  // accept on the closed socket fail and it ends.
  platform::CloseSocket(socket_);
  socket_ = platform::kInvalidSocket;
  return ended;
}

uint16_t Listener::Port() const {
  return socket_ == platform::kInvalidSocket ? 0 : platform::LocalPort(socket_);
}

}  // namespace kvel::p2p

#include "support/connection_probe.h"

#include <chrono>

#include "gg/contact_lookup.h"
#include "p2p/socket_io.h"
#include "plugin/host.h"
#include "ui/progress_win.h"

namespace kvel::testing {

void ConnectionProbe::State::Record(TransferEvent event) {
  std::lock_guard<std::mutex> lock(mutex);
  events.push_back(std::move(event));
  changed.notify_all();
}

ConnectionProbe::ConnectionProbe(bool toWindow, p2p::ConnectionLimits limits)
    : state_(std::make_shared<State>()),
      connections_(std::make_shared<p2p::ConnectionSet>(limits.maxConnections)) {
  std::shared_ptr<State> state = state_;
  p2p::ConnectionEdges edges;
  edges.peerAddress = [state](uint32_t) {
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->peer;
  };
  edges.ownUin = [state] {
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->ownUin;
  };
  edges.takeCallBack = [state](uint32_t uin) {
    std::lock_guard<std::mutex> lock(state->mutex);
    auto found = state->callBacks.find(uin);
    if (found == state->callBacks.end()) return false;
    state->callBacks.erase(found);
    return true;
  };
  edges.log = [state](const std::string& line) {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->log.push_back(line);
  };
  edges.addTransfer = [state, toWindow](platform::Socket s, uint32_t uin,
                                        ui::TransferDirection direction) {
    state->Record({"add", s, uin, direction});
    if (toWindow) ui::AddTransfer(s, uin, direction, gg::PeerDisplayName(ProcessHost(), uin));
  };
  edges.removeTransfer = [state, toWindow](platform::Socket s) {
    std::optional<ui::TaskInfo> entry;
    if (toWindow) entry = ui::RemoveTransfer(s);
    state->Record({"remove", s, 0, ui::Send});
    return entry;
  };
  edges.tellUser = [state](const p2p::TransferReport& report) {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->told.push_back(report);
  };
  auto file = [state](const char* what) {
    return [state, what](platform::Socket s, uint32_t uin) {
      state->Record({what, s, uin, ui::Send});
      FileProcedure procedure;
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        procedure = state->procedure;
      }
      return procedure ? procedure(s, uin) : false;
    };
  };
  edges.sendFile = file("send");
  edges.receiveFile = file("receive");
  edges.ended = [state] {
    std::lock_guard<std::mutex> lock(state->mutex);
    ++state->ended;
    state->changed.notify_all();
  };
  edges.limits = limits;
  edges.connections = connections_.get();
  edges_ = std::shared_ptr<const p2p::ConnectionEdges>(
      new p2p::ConnectionEdges(std::move(edges)),
      // The set lives as long as the edges that threads may still hold.
      [connections = connections_](const p2p::ConnectionEdges* e) { delete e; });
}

void ConnectionProbe::SetPeer(p2p::PeerAddress peer) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->peer = peer;
}

void ConnectionProbe::SetOwnUin(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->ownUin = uin;
}

void ConnectionProbe::ExpectCallBack(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->callBacks.insert(uin);
}

std::vector<std::string> ConnectionProbe::LogLines() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->log;
}

std::vector<p2p::TransferReport> ConnectionProbe::Told() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->told;
}

void ConnectionProbe::SetFileProcedure(FileProcedure procedure) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->procedure = std::move(procedure);
}

std::vector<TransferEvent> ConnectionProbe::Events() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->events;
}

std::vector<std::string> ConnectionProbe::EventNames() const {
  std::vector<std::string> names;
  for (const TransferEvent& event : Events()) names.push_back(event.what);
  return names;
}

int ConnectionProbe::Ended() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->ended;
}

bool ConnectionProbe::WaitEnded(int count, int milliseconds) const {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&] { return state_->ended >= count; });
}

bool ConnectionProbe::WaitForEvents(size_t count, int milliseconds) const {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&] { return state_->events.size() >= count; });
}

ConnectionProbe::FileProcedure HoldTransfer(std::string fileName, int64_t totalBytes,
                                            int64_t doneBytes) {
  return [=](platform::Socket s, uint32_t) {
    ui::SetTransferFile(s, fileName.c_str(), totalBytes, 0);
    ui::AddProgress(s, doneBytes);
    uint8_t buffer[256];
    while (p2p::SocketRead(s, buffer, sizeof buffer) > 0) {
    }
    return false;
  };
}

}  // namespace kvel::testing

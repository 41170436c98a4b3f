#include "support/connection_probe.h"

#include <chrono>

#include "gg/contact_lookup.h"
#include "plugin/host.h"

namespace kvel::testing {

void ConnectionProbe::State::Record(TransferEvent event) {
  std::lock_guard<std::mutex> lock(mutex);
  events.push_back(std::move(event));
  changed.notify_all();
}

class ConnectionProbe::ProbeServices final : public p2p::ConnectionServices {
 public:
  ProbeServices(std::shared_ptr<State> state, transfers::TransferWindow* window,
                std::shared_ptr<p2p::ConnectionSet> connections, p2p::ConnectionLimits limits)
      : state_(std::move(state)),
        window_(window),
        connections_(std::move(connections)),
        limits_(limits) {}

  p2p::PeerAddress PeerAddressOf(uint32_t) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->peer;
  }
  uint32_t OwnUin() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->ownUin;
  }
  bool TakeCallBack(uint32_t uin) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto found = state_->callBacks.find(uin);
    if (found == state_->callBacks.end()) return false;
    state_->callBacks.erase(found);
    return true;
  }
  void Log(const std::string& line) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.push_back(line);
  }
  void AddTransfer(platform::Socket s, uint32_t uin, transfers::TransferDirection direction) override {
    state_->Record({"add", s, uin, direction});
    if (window_ != nullptr)
      window_->AddTransfer(s, uin, direction, gg::PeerDisplayName(ProcessHost(), uin));
  }
  std::optional<transfers::TaskInfo> RemoveTransfer(platform::Socket s) override {
    std::optional<transfers::TaskInfo> entry;
    if (window_ != nullptr) entry = window_->RemoveTransfer(s);
    state_->Record({"remove", s, 0, transfers::Send});
    return entry;
  }
  bool SendFile(p2p::PeerConnection& c, uint32_t uin) override { return File("send", c, uin); }
  bool ReceiveFile(p2p::PeerConnection& c, uint32_t uin) override {
    return File("receive", c, uin);
  }
  void TellUser(const transfers::TransferReport& report) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->told.push_back(report);
  }
  void Ended() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->ended;
    state_->changed.notify_all();
  }
  p2p::ConnectionLimits Limits() override { return limits_; }
  p2p::ConnectionSet& Connections() override { return *connections_; }

 private:
  bool File(const char* what, p2p::PeerConnection& connection, uint32_t uin) {
    state_->Record({what, connection.Socket(), uin, transfers::Send});
    FileProcedure procedure;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      procedure = state_->procedure;
    }
    return procedure ? procedure(connection, uin) : false;
  }

  std::shared_ptr<State> state_;
  transfers::TransferWindow* window_;
  // Lives as long as the services that threads may still hold.
  std::shared_ptr<p2p::ConnectionSet> connections_;
  p2p::ConnectionLimits limits_;
};

ConnectionProbe::ConnectionProbe(transfers::TransferWindow* window, p2p::ConnectionLimits limits)
    : state_(std::make_shared<State>()),
      connections_(std::make_shared<p2p::ConnectionSet>(limits.maxConnections)),
      services_(std::make_shared<ProbeServices>(state_, window, connections_, limits)) {}

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

std::vector<transfers::TransferReport> ConnectionProbe::Told() const {
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

ConnectionProbe::FileProcedure HoldTransfer(transfers::TransferWindow& window, std::string fileName,
                                            int64_t totalBytes, int64_t doneBytes) {
  return [=, &window](p2p::PeerConnection& connection, uint32_t) {
    window.SetTransferFile(connection.Socket(), fileName.c_str(), totalBytes, 0);
    window.AddProgress(connection.Socket(), doneBytes);
    uint8_t buffer[256];
    while (connection.Read(buffer, sizeof buffer) > 0) {
    }
    return false;
  };
}

}  // namespace kvel::testing

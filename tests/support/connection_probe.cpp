#include "support/connection_probe.h"
#include "p2p/reach/own_sends.h"
#include "p2p/reach/fall_back.h"

#include <chrono>

#include "platform/threads.h"
#include "support/loopback.h"

namespace kvel::testing {

void ConnectionProbe::State::Record(TransferEvent event) {
  std::lock_guard<std::mutex> lock(mutex);
  events.push_back(std::move(event));
  changed.notify_all();
}

// Records the transfers that the registry lists and ends.
class ConnectionProbe::Recorder final : public transfers::TransfersObserver {
 public:
  explicit Recorder(std::shared_ptr<State> state) : state_(std::move(state)) {}
  void TransferListed(const transfers::Transfer& t) override {
    state_->Record({"add", t.id, t.socket, t.uin, t.direction, t.outcome});
  }
  void TransferEnded(const transfers::Transfer& t) override {
    state_->Record({"remove", t.id, t.socket, t.uin, t.direction, t.outcome});
  }

 private:
  std::shared_ptr<State> state_;
};

class ConnectionProbe::ProbeServices final : public p2p::ConnectionServices {
 public:
  ProbeServices(std::shared_ptr<State> state, std::shared_ptr<p2p::ConnectionSet> connections,
                std::shared_ptr<transfers::TransferRegistry> transfers,
                std::shared_ptr<p2p::AwaitedCallBacks> callBacks,
                std::shared_ptr<p2p::ForeignCallBacks> foreign,
                std::shared_ptr<p2p::SendQueue> sends, p2p::ConnectionLimits limits)
      : state_(std::move(state)),
        connections_(std::move(connections)),
        transfers_(std::move(transfers)),
        callBacks_(std::move(callBacks)),
        foreign_(std::move(foreign)),
        sends_(std::move(sends)),
        limits_(limits) {}

  p2p::PeerAddress PeerAddressOf(uint32_t) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->peer;
  }
  uint32_t OwnUin() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->ownUin;
  }
  p2p::AwaitedCallBacks& CallBacks() override { return *callBacks_; }
  p2p::ForeignCallBacks& Foreign() override { return *foreign_; }
  void Log(const std::string& line) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.push_back(line);
  }
  std::string PeerName(uint32_t uin) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto found = state_->names.find(uin);
    return found != state_->names.end() ? found->second : std::to_string(uin);
  }
  bool SendFile(p2p::PeerConnection& c, transfers::TransferHandle& t,
                const transfers::FurtherFiles& further) override {
    SendProcedure procedure;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      procedure = state_->sendProcedure;
    }
    if (!procedure) return File("send", c, t);
    const transfers::Transfer facts = t.Read();
    state_->Record({"send", facts.id, c.Socket(), facts.uin, facts.direction, facts.outcome});
    return procedure(c, t, further);
  }
  bool ReceiveFile(p2p::PeerConnection& c, transfers::TransferHandle& t,
                   const transfers::OfferOrigin& origin) override {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->origins.push_back(origin);
    }
    return File("receive", c, t);
  }
  void TellUser(const transfers::TransferReport& report) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->told.push_back(report);
  }
  void TellUnreached(const p2p::Unreached& unreached) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->unreached.push_back(unreached);
  }
  void SendPacket(std::span<const uint8_t> packet) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->packets.emplace_back(packet.begin(), packet.end());
  }
  platform::SocketHandle Connect(uint32_t address, uint16_t port, uint32_t limitMs,
                                 const std::function<bool()>& givenUp,
                                 platform::Error* error) override {
    ConnectionProbe::Connect connect;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      connect = state_->connect;
    }
    if (connect) return connect(address, port, limitMs, error);
    return p2p::ConnectionServices::Connect(address, port, limitMs, givenUp, error);
  }
  void Ended() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->ended;
    state_->changed.notify_all();
  }
  p2p::ConnectionLimits Limits() override { return limits_; }
  p2p::ConnectionSet& Connections() override { return *connections_; }
  transfers::TransferRegistry& Transfers() override { return *transfers_; }
  p2p::SendQueue& Sends() override { return *sends_; }

 private:
  bool File(const char* what, p2p::PeerConnection& connection,
            transfers::TransferHandle& transfer) {
    const transfers::Transfer facts = transfer.Read();
    state_->Record(
        {what, facts.id, connection.Socket(), facts.uin, facts.direction, facts.outcome});
    FileProcedure procedure;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      procedure = state_->procedure;
    }
    return procedure ? procedure(connection, transfer) : false;
  }

  std::shared_ptr<State> state_;
  // Live as long as the services that threads may still hold.
  std::shared_ptr<p2p::ConnectionSet> connections_;
  std::shared_ptr<transfers::TransferRegistry> transfers_;
  std::shared_ptr<p2p::AwaitedCallBacks> callBacks_;
  std::shared_ptr<p2p::ForeignCallBacks> foreign_;
  std::shared_ptr<p2p::SendQueue> sends_;
  p2p::ConnectionLimits limits_;
};

ConnectionProbe::ConnectionProbe(p2p::ConnectionLimits limits,
                                 std::shared_ptr<transfers::TransferRegistry> transfers)
    : state_(std::make_shared<State>()),
      connections_(std::make_shared<p2p::ConnectionSet>(limits)),
      transfers_(transfers ? std::move(transfers)
                           : std::make_shared<transfers::TransferRegistry>(&platform::TickCount)),
      callBacks_(std::make_shared<p2p::AwaitedCallBacks>(
          p2p::kMaxAwaitedCallBacks, limits.callBackMs, &platform::TickCount,
          // Weakly: the call-backs belong to the services, not the other way.
          [services = services_weak_](p2p::AwaitedCallBacks::Unanswered unanswered) {
            if (std::shared_ptr<p2p::ConnectionServices> held = services->lock())
              p2p::EndUnanswered(*held, std::move(unanswered));
            else
              unanswered.transfer.End(transfers::TransferOutcome::Stopped);
          })),
      foreign_(std::make_shared<p2p::ForeignCallBacks>(
          [state = state_](uint32_t uin, uint32_t address) {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->foreignAsked.emplace_back(uin, address);
            return state->foreignYes;
          },
          &platform::TickCount)),
      sends_(std::make_shared<p2p::SendQueue>(
          limits.maxSendsPerContact,
          [services = services_weak_](uint32_t uin, transfers::TransferHandle& transfer) {
            std::shared_ptr<p2p::ConnectionServices> held = services->lock();
            if (!held) return false;
            return p2p::StartTurn(uin, transfer, std::move(held));
          },
          [services = services_weak_](uint32_t uin, transfers::TransferHandle transfer) {
            if (std::shared_ptr<p2p::ConnectionServices> held = services->lock())
              p2p::DropWaiting(*held, uin, std::move(transfer));
          })),
      services_(std::make_shared<ProbeServices>(state_, connections_, transfers_, callBacks_,
                                                foreign_, sends_, limits)) {
  *services_weak_ = services_;
  state_->peer = {LoopbackAddress(), 0};
  transfers_->AddObserver(std::make_shared<Recorder>(state_));
  callBacks_->Start();
}

void ConnectionProbe::SetPeer(p2p::PeerAddress peer) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->peer = peer;
}

void ConnectionProbe::AnswerForeign(bool yes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->foreignYes = yes;
}

std::vector<std::pair<uint32_t, uint32_t>> ConnectionProbe::ForeignAsked() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->foreignAsked;
}

void ConnectionProbe::SetOwnUin(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->ownUin = uin;
}

void ConnectionProbe::NameContact(uint32_t uin, std::string name) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->names[uin] = std::move(name);
}

void ConnectionProbe::ExpectCallBack(uint32_t uin) {
  callBacks_->Await(uin, {}, "");
}

std::vector<std::string> ConnectionProbe::LogLines() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->log;
}

std::vector<transfers::TransferReport> ConnectionProbe::Told() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->told;
}

std::vector<p2p::Unreached> ConnectionProbe::Unreached() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->unreached;
}

std::vector<std::vector<uint8_t>> ConnectionProbe::Packets() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->packets;
}

void ConnectionProbe::SetConnect(Connect connect) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->connect = std::move(connect);
}

void ConnectionProbe::SetFileProcedure(FileProcedure procedure) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->procedure = std::move(procedure);
}

void ConnectionProbe::SetSendProcedure(SendProcedure procedure) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->sendProcedure = std::move(procedure);
}

std::vector<TransferEvent> ConnectionProbe::Events() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->events;
}

std::vector<transfers::OfferOrigin> ConnectionProbe::Origins() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->origins;
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

ConnectionProbe::FileProcedure HoldTransfer(std::string path, int64_t size, int64_t done) {
  return [=](p2p::PeerConnection& connection, transfers::TransferHandle& transfer) {
    transfer.NameFile(path);
    transfer.StartMoving(size, 0);
    transfer.Moved(done);
    uint8_t buffer[256];
    while (connection.Read(buffer, sizeof buffer) > 0) {
    }
    return false;
  };
}

}  // namespace kvel::testing

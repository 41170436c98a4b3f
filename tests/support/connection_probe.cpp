#include "support/connection_probe.h"

#include <gtest/gtest.h>

#include <chrono>

#include "p2p/reach/fall_back.h"
#include "p2p/reach/own_sends.h"
#include "platform/tcp_connect.h"
#include "platform/threads/threads.h"
#include "p2p/connection/connection_thread.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/loopback_pair.h"

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

namespace {

// As the plug-in's: a send stopped while it waits for a call-back ends at
// once. Holds the services only while they live.
class LookAtCallBacks final : public transfers::TransfersObserver {
 public:
  LookAtCallBacks(std::weak_ptr<void> owner, p2p::AwaitedCallBacks& callBacks)
      : owner_(std::move(owner)), callBacks_(callBacks) {}
  void TransferListed(const transfers::Transfer&) override {}
  void TransferEnded(const transfers::Transfer&) override {}
  void TransferStopped(const transfers::Transfer&) override {
    if (const std::shared_ptr<void> alive = owner_.lock()) callBacks_.Look();
  }

 private:
  std::weak_ptr<void> owner_;
  p2p::AwaitedCallBacks& callBacks_;
};

}  // namespace

class ConnectionProbe::ProbeServices final : public p2p::PeerDirectory,
                                             public p2p::ConnectionTelling,
                                             public p2p::FileProcedures,
                                             public p2p::OwnSendsOnward,
                                             public p2p::Dialer,
                                             public std::enable_shared_from_this<ProbeServices> {
 public:
  ProbeServices(std::shared_ptr<State> state, p2p::ConnectionLimits limits,
                std::shared_ptr<transfers::TransferRegistry> transfers)
      : state_(std::move(state)),
        transfers_(std::move(transfers)),
        connections_(limits),
        foreign_(
            [state = state_](uint32_t uin, uint32_t address) {
              std::lock_guard<std::mutex> lock(state->mutex);
              state->foreignAsked.emplace_back(uin, address);
              return state->foreignYes;
            },
            &platform::TickCount),
        sends_(
            limits.maxSendsPerContact,
            [this](uint32_t uin, transfers::TransferHandle& transfer) {
              return p2p::StartTurn(uin, transfer, Shared());
            },
            [this](uint32_t uin, transfers::TransferHandle transfer) {
              p2p::DropWaiting(services_, uin, std::move(transfer));
            }),
        callBacks_(p2p::kMaxAwaitedCallBacks, limits.callBackMs, &platform::TickCount,
                   [this](p2p::AwaitedCallBacks::Unanswered unanswered) {
                     p2p::EndUnanswered(services_, sends_, std::move(unanswered));
                   }),
        services_{*this,
                  *this,
                  *this,
                  *this,
                  connections_,
                  *transfers_,
                  callBacks_,
                  foreign_,
                  &platform::TickCount,
                  limits,
                  this,
                  [state = state_] {
                    std::lock_guard<std::mutex> lock(state->mutex);
                    ++state->ended;
                    state->changed.notify_all();
                  }} {}
  ~ProbeServices() { callBacks_.Stop(); }

  // What threads hold: the services, keeping this object alive.
  std::shared_ptr<p2p::ConnectionServices> Shared() { return {shared_from_this(), &services_}; }
  p2p::ConnectionSet& Connections() { return connections_; }
  p2p::AwaitedCallBacks& CallBacks() { return callBacks_; }
  p2p::SendQueue& Sends() { return sends_; }
  transfers::TransferRegistry& Transfers() { return *transfers_; }

  p2p::PeerAddress PeerAddressOf(uint32_t) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->peer;
  }
  std::string PeerName(uint32_t uin) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto found = state_->names.find(uin);
    return found != state_->names.end() ? found->second : std::to_string(uin);
  }
  uint32_t OwnUin() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->ownUin;
  }

  void Log(const std::string& line) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.push_back(line);
  }
  void TellUser(const transfers::Transfer& report) override {
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

  void FallBack(p2p::ConnectionRequest& request, const std::string& failure) override {
    p2p::FallBack(request, failure);
  }
  void SendFurther(uint32_t uin, std::vector<std::string> paths) override {
    p2p::SendFurther(uin, std::move(paths), sends_, Shared());
  }
  void ConnectionLeft(transfers::TransferId id) override { sends_.ConnectionLeft(id); }

  platform::SocketHandle Connect(uint32_t address, uint16_t port, uint32_t limitMs,
                                 const std::function<bool()>& givenUp,
                                 platform::Error* error) override {
    ConnectionProbe::Connect connect;
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      connect = state_->connect;
    }
    if (connect) return connect(address, port, limitMs, error);
    return platform::ConnectTcpWithin(address, port, limitMs, givenUp, error);
  }

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
  std::shared_ptr<transfers::TransferRegistry> transfers_;
  p2p::ConnectionSet connections_;
  p2p::ForeignCallBacks foreign_;
  p2p::SendQueue sends_;
  p2p::AwaitedCallBacks callBacks_;
  p2p::ConnectionServices services_;
};

ConnectionProbe::ConnectionProbe(p2p::ConnectionLimits limits,
                                 std::shared_ptr<transfers::TransferRegistry> transfers)
    : state_(std::make_shared<State>()),
      services_(std::make_shared<ProbeServices>(
          state_, limits,
          transfers ? std::move(transfers)
                    : std::make_shared<transfers::TransferRegistry>(&platform::TickCount))) {
  state_->peer = {LoopbackAddress(), 0};
  services_->Transfers().AddObserver(std::make_shared<Recorder>(state_));
  services_->Transfers().AddObserver(
      std::make_shared<LookAtCallBacks>(services_, services_->CallBacks()));
  services_->CallBacks().Start();
}

std::shared_ptr<p2p::ConnectionServices> ConnectionProbe::Services() const {
  return services_->Shared();
}
transfers::TransferRegistry& ConnectionProbe::Transfers() const {
  return services_->Transfers();
}
p2p::AwaitedCallBacks& ConnectionProbe::CallBacks() const {
  return services_->CallBacks();
}
p2p::ConnectionSet& ConnectionProbe::Connections() const {
  return services_->Connections();
}
p2p::SendQueue& ConnectionProbe::Sends() const {
  return services_->Sends();
}

void ConnectionProbe::NameContact(uint32_t uin, std::string name) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->names[uin] = std::move(name);
}

void ConnectionProbe::ExpectCallBack(uint32_t uin) {
  CallBacks().Await(uin, {}, "");
}

std::vector<std::string> ConnectionProbe::EventNames() const {
  std::vector<std::string> names;
  for (const TransferEvent& event : Events()) names.push_back(event.what);
  return names;
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

p2p::ConnectionLimits ShortLimits(uint32_t waitMs, uint32_t callBackMs) {
  p2p::ConnectionLimits limits;
  limits.handshakeMs = limits.offerMs = limits.idleMs = limits.connectMs = waitMs;
  limits.callBackMs = callBackMs;
  return limits;
}

platform::Socket CallIn(const ConnectionProbe& probe, uint32_t caller, uint32_t called,
                        uint32_t code) {
  LoopbackPair pair = MakeLoopbackPair();
  if (pair.a == platform::kInvalidSocket) {
    ADD_FAILURE() << "no loopback pair for the call";
    return platform::kInvalidSocket;
  }
  p2p::StartIncoming(pair.a, probe.Services());
  EXPECT_TRUE(SendAll(pair.b, Words({caller, called})));
  EXPECT_EQ(ReadExactly(pair.b, 4), kAnswerBytes);
  EXPECT_TRUE(SendWord(pair.b, code));
  return pair.b;
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

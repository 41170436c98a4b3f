// Edges for connection threads under test: they record what the thread did
// (which transfer it listed and ended, which file procedure it ran, what it
// logged, told the user and sent through the host, when it ended) and let
// the test choose the peer's address, OwnUin, the contacts' names, the
// connect and the file procedures. The transfers go to a registry of the
// probe's own, which a test may also watch; the call-backs it awaits run
// out after the limits' callBackMs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "p2p/reach/send_queue.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::testing {

struct TransferEvent {
  std::string what;  // "add" (listed), "send", "receive", "remove" (ended)
  transfers::TransferId id = 0;
  platform::Socket socket = platform::kInvalidSocket;
  uint32_t uin = 0;
  transfers::TransferDirection direction = transfers::Send;                 // "add" and "remove"
  transfers::TransferOutcome outcome = transfers::TransferOutcome::Failed;  // "remove"
};

class ConnectionProbe {
 public:
  // A file procedure: given the handshaken connection and its transfer.
  using FileProcedure = std::function<bool(p2p::PeerConnection&, transfers::TransferHandle&)>;
  // A send's procedure, also given where the files chosen after the first go.
  using SendProcedure = std::function<bool(p2p::PeerConnection&, transfers::TransferHandle&,
                                           const transfers::FurtherFiles&)>;
  // A connect in place of the platform's: address, port, limit, error.
  using Connect =
      std::function<platform::SocketHandle(uint32_t, uint16_t, uint32_t, platform::Error*)>;

  // The connections take their places in a set of the probe's own, and
  // their transfers in `transfers` (a registry of the probe's own when null).
  explicit ConnectionProbe(p2p::ConnectionLimits limits = p2p::kConnectionLimits,
                           std::shared_ptr<transfers::TransferRegistry> transfers = nullptr);

  std::shared_ptr<p2p::ConnectionServices> Services() const;
  transfers::TransferRegistry& Transfers() const;
  // Every contact's address in the peer table: 127.0.0.1 (where the tests'
  // callers are) unless set here.
  void SetPeer(p2p::PeerAddress peer) { Set(&State::peer, peer); }
  void SetOwnUin(uint32_t uin) { Set(&State::ownUin, uin); }
  // Contacts are named by their number unless named here.
  void NameContact(uint32_t uin, std::string name);
  // Awaits a call-back from `uin`: one code-3 connection from it is served.
  void ExpectCallBack(uint32_t uin);
  p2p::AwaitedCallBacks& CallBacks() const;
  // The user's answer when a call-back comes from another address than the
  // contact's (no unless set here), and who was asked about.
  void AnswerForeign(bool yes) { Set(&State::foreignYes, yes); }
  std::vector<std::pair<uint32_t, uint32_t>> ForeignAsked() const {
    return Get(&State::foreignAsked);
  }
  std::vector<std::string> LogLines() const { return Get(&State::log); }
  // The transfers the user was told of.
  std::vector<transfers::Transfer> Told() const { return Get(&State::told); }
  // The sends the user was told never reached their contacts.
  std::vector<p2p::Unreached> Unreached() const { return Get(&State::unreached); }
  // The GG packets sent through the host.
  std::vector<std::vector<uint8_t>> Packets() const { return Get(&State::packets); }
  // Connects with `connect` instead of the platform.
  void SetConnect(Connect connect) { Set(&State::connect, std::move(connect)); }
  p2p::ConnectionSet& Connections() const;
  // Both file procedures end at once with false unless set here.
  void SetFileProcedure(FileProcedure procedure) { Set(&State::procedure, std::move(procedure)); }
  // Sends run `procedure` instead of the file procedure.
  void SetSendProcedure(SendProcedure procedure) {
    Set(&State::sendProcedure, std::move(procedure));
  }
  // This user's sends, taking turns per contact (the limits'
  // maxSendsPerContact); a waiting send that is stopped ends through
  // p2p::DropWaiting and one whose turn comes starts through p2p::StartTurn.
  p2p::SendQueue& Sends() const;

  std::vector<TransferEvent> Events() const { return Get(&State::events); }
  // Where each received offer's connection came from, as the thread saw it.
  std::vector<transfers::OfferOrigin> Origins() const { return Get(&State::origins); }
  std::vector<std::string> EventNames() const;
  int Ended() const { return Get(&State::ended); }
  // Waits (at most `milliseconds`) until `count` threads have ended.
  bool WaitEnded(int count, int milliseconds = 10000) const;
  bool WaitForEvents(size_t count, int milliseconds = 10000) const;

 private:
  struct State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    p2p::PeerAddress peer;
    bool foreignYes = false;
    std::vector<std::pair<uint32_t, uint32_t>> foreignAsked;  // contact, address
    uint32_t ownUin = 0;
    std::map<uint32_t, std::string> names;
    std::vector<std::string> log;
    std::vector<transfers::Transfer> told;
    std::vector<p2p::Unreached> unreached;
    std::vector<std::vector<uint8_t>> packets;
    Connect connect;
    FileProcedure procedure;
    SendProcedure sendProcedure;
    std::vector<TransferEvent> events;
    std::vector<transfers::OfferOrigin> origins;
    int ended = 0;
    void Record(TransferEvent event);
  };
  class ProbeServices;
  class Recorder;
  // One of the state's members read, or set, under its lock.
  template <class T>
  T Get(T State::*member) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return (*state_).*member;
  }
  template <class T, class V>
  void Set(T State::*member, V&& value) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    (*state_).*member = std::forward<V>(value);
  }

  std::shared_ptr<State> state_;
  // Everything the threads reach, kept alive by the threads that hold it.
  std::shared_ptr<ProbeServices> services_;
};

// Limits short enough to strike within a test: each wait of a connection
// (handshake, offer, idle, connect) `waitMs`, a call-back awaited `callBackMs`.
p2p::ConnectionLimits ShortLimits(uint32_t waitMs,
                                  uint32_t callBackMs = p2p::kConnectionLimits.callBackMs);

// `caller` calls this user (`called`) with `code`, as a contact's plug-in
// does (code 3 when it calls back), over a loopback pair whose other end a
// connection thread of `probe` takes; the caller's end, once it has read the
// answer to its hello (kInvalidSocket when no pair could be made). The test
// closes it.
platform::Socket CallIn(const ConnectionProbe& probe, uint32_t caller, uint32_t called,
                        uint32_t code);

// A file procedure that keeps the transfer going until its socket fails or
// the peer closes: it names `path`, starts moving `size` bytes and counts
// `done` of them as moved, then reads until the end.
ConnectionProbe::FileProcedure HoldTransfer(std::string path, int64_t size, int64_t done);

}  // namespace kvel::testing

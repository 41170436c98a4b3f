// Edges for connection threads under test: they record what the thread did
// (which transfer it listed, which file procedure it ran, when it ended) and
// let the test choose the peer's address, OwnUin and the file procedures.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "p2p/connection.h"
#include "transfers/transfer_window.h"

namespace kvel::testing {

struct TransferEvent {
  std::string what;  // "add", "send", "receive", "remove"
  platform::Socket socket = platform::kInvalidSocket;
  uint32_t uin = 0;
  transfers::TransferDirection direction = transfers::Send;  // for "add"
};

class ConnectionProbe {
 public:
  // A file procedure: given the handshaken connection and the peer's number.
  using FileProcedure = std::function<bool(p2p::PeerConnection&, uint32_t)>;

  // `window`: also hand the transfers to that transfer window (which
  // outlives the probe's connections); null: to none. The connections take
  // their places in a set of the probe's own.
  explicit ConnectionProbe(transfers::TransferWindow* window = nullptr,
                           p2p::ConnectionLimits limits = p2p::kConnectionLimits);

  std::shared_ptr<p2p::ConnectionServices> Services() const { return services_; }
  void SetPeer(p2p::PeerAddress peer);
  void SetOwnUin(uint32_t uin);
  // Awaits a call-back from `uin`: one code-3 connection from it is served.
  void ExpectCallBack(uint32_t uin);
  std::vector<std::string> LogLines() const;
  // The transfers the user was told of.
  std::vector<transfers::TransferReport> Told() const;
  p2p::ConnectionSet& Connections() const { return *connections_; }
  // Both file procedures end at once with false unless set here.
  void SetFileProcedure(FileProcedure procedure);

  std::vector<TransferEvent> Events() const;
  std::vector<std::string> EventNames() const;
  int Ended() const;
  // Waits (at most `milliseconds`) until `count` threads have ended.
  bool WaitEnded(int count, int milliseconds = 10000) const;
  bool WaitForEvents(size_t count, int milliseconds = 10000) const;

 private:
  struct State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    p2p::PeerAddress peer;
    uint32_t ownUin = 0;
    std::multiset<uint32_t> callBacks;
    std::vector<std::string> log;
    std::vector<transfers::TransferReport> told;
    FileProcedure procedure;
    std::vector<TransferEvent> events;
    int ended = 0;
    void Record(TransferEvent event);
  };
  class ProbeServices;

  std::shared_ptr<State> state_;
  std::shared_ptr<p2p::ConnectionSet> connections_;
  std::shared_ptr<p2p::ConnectionServices> services_;
};

// A file procedure that keeps the transfer going until its socket fails or
// the peer closes: it reports `fileName` with `totalBytes` to `window`,
// counts `doneBytes` as done, and then reads until the end.
ConnectionProbe::FileProcedure HoldTransfer(transfers::TransferWindow& window, std::string fileName,
                                            int64_t totalBytes, int64_t doneBytes);

}  // namespace kvel::testing

// A transfer's connection under the speed limit of its direction: once the
// file's data flows, every read or write takes at most a piece of the limit
// and goes when the limit lets it, while the transfer's turn to move data
// (which it waits for as "czeka") holds. Before that, and without a limit,
// it is the connection itself.
#pragma once

#include "transfers/pace/speed_limit.h"
#include "transfers/stream/stream_connection.h"
#include "transfers/registry/transfer_registry.h"

namespace kvel::transfers {

class PacedConnection final : public StreamConnection {
 public:
  // `inner`, `limit` (null: none) and `transfer` outlive the object; the
  // transfer's share of the limit goes with it.
  PacedConnection(StreamConnection& inner, SpeedLimit* limit, TransferHandle& transfer)
      : inner_(inner), limit_(limit), transfer_(transfer) {}

  int Read(void* buffer, int count) override;
  int Write(const void* data, int count) override;
  void ShutdownSend() override { inner_.ShutdownSend(); }
  bool WaitForPeerClose(uint32_t milliseconds) override {
    return inner_.WaitForPeerClose(milliseconds);
  }
  bool PeerGone() override { return inner_.PeerGone(); }
  void AwaitTurn() override;
  size_t PaceBytes() const override;

 private:
  // The limit is on and the file's data flows.
  bool Paced();
  // Waits for the turn and for `bytes` of the limit; false when the wait
  // was ended (the transfer stopped, or the plug-in unloads).
  bool Take(int bytes);
  // Gives back what of the piece `taken` did not move (`moved` < taken).
  void GiveBack(int taken, int moved);

  StreamConnection& inner_;
  SpeedLimit* limit_;
  TransferHandle& transfer_;
  SpeedLimit::Share share_;
  bool moving_ = false;
};

}  // namespace kvel::transfers

#include "transfers/pace/paced_connection.h"

#include <algorithm>

namespace kvel::transfers {

int PacedConnection::Read(void* buffer, int count) {
  if (!Paced()) return inner_.Read(buffer, count);
  const int piece = static_cast<int>(std::min<size_t>(std::max(count, 0), limit_->PieceBytes()));
  if (!Take(piece)) return -1;
  const int got = inner_.Read(buffer, piece);
  GiveBack(piece, got);
  return got;
}

int PacedConnection::Write(const void* data, int count) {
  if (!Paced()) return inner_.Write(data, count);
  // A write is not split: what goes in one write (chunks with their
  // headers) stays one. The sender keeps its writes to PaceBytes.
  if (!Take(count)) return -1;
  const int sent = inner_.Write(data, count);
  GiveBack(count, sent);
  return sent;
}

void PacedConnection::AwaitTurn() {
  if (share_ || limit_ == nullptr || !limit_->On()) return;
  share_ = limit_->Enter();
  if (limit_->Running(share_)) return;
  transfer_.AwaitShare(true);
  limit_->AwaitTurn(share_, [this] { return transfer_.Read().stopped; });
  transfer_.AwaitShare(false);
}

size_t PacedConnection::PaceBytes() const {
  return limit_ != nullptr ? limit_->PieceBytes() : SIZE_MAX;
}

bool PacedConnection::Paced() {
  if (limit_ == nullptr || !limit_->On()) return false;
  // Only once the peer took the offer; from then on to the end.
  moving_ = moving_ || transfer_.Read().state == TransferState::Moving;
  return moving_;
}

bool PacedConnection::Take(int bytes) {
  AwaitTurn();
  return limit_->Take(share_, static_cast<size_t>(std::max(bytes, 0)),
                      [this] { return transfer_.Read().stopped; });
}

void PacedConnection::GiveBack(int taken, int moved) {
  if (moved < taken) limit_->Return(share_, static_cast<size_t>(taken - std::max(moved, 0)));
}

}  // namespace kvel::transfers

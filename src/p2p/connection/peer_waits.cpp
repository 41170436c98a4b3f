#include "p2p/connection/peer_waits.h"

#include <algorithm>
#include <cstdint>

#include "wire/transfer_records.h"

namespace kvel::p2p {

using transfers::Receive;
using transfers::TransferDirection;
namespace {

constexpr uint64_t kNoEnd = UINT64_MAX;
// What the receiving side reads up to its question: OfferStart, then the
// offer (OfferInfo, two zero words and the file's description).
constexpr uint64_t kOfferBytes = wire::kWordSize + wire::kOfferSize;

}  // namespace

PeerWaits::PeerWaits(platform::Socket socket, const ConnectionLimits& limits, platform::Clock clock)
    : socket_(socket), limits_(limits), clock_(std::move(clock)) {
  platform::SetTimeout(socket_, platform::Timeout::Send, limits_.idleMs);
  StartPhase(limits_.handshakeMs, true, kNoEnd);
}

void PeerWaits::StartPhase(uint32_t perReadMs, bool whole, uint64_t bytes) {
  phaseStart_ = clock_();
  perReadMs_ = std::max<uint32_t>(perReadMs, 1);
  whole_ = whole;
  bytesLeft_ = bytes;
}

void PeerWaits::HandshakeDone(TransferDirection direction) {
  if (direction == Receive) {
    // The offer comes whole within its time, however the peer splits it.
    StartPhase(limits_.offerMs, true, kOfferBytes);
  } else {
    // The peer's person answers, and the whole answer comes within the
    // offer's time, however the peer splits it. The time starts with the
    // first read of the answer: this user chooses the file first and may
    // take as long as that takes.
    StartPhase(limits_.offerMs, true, wire::kOfferReplySize);
    startAtRead_ = true;
    answerPhase_ = true;
  }
}

uint32_t PeerWaits::PhaseLeftMs() const {
  const uint32_t spent = clock_() - phaseStart_;
  return spent >= perReadMs_ ? 0 : perReadMs_ - spent;
}

bool PeerWaits::BeforeRead() {
  readStart_ = clock_();
  if (startAtRead_) {
    startAtRead_ = false;
    phaseStart_ = readStart_;
  }
  uint32_t wait = perReadMs_;
  if (whole_) {
    const uint32_t spent = readStart_ - phaseStart_;
    if (spent >= perReadMs_) {
      timedOut_ = true;
      return false;
    }
    wait = perReadMs_ - spent;
  }
  if (wait != timeoutSet_ && platform::SetTimeout(socket_, platform::Timeout::Receive, wait))
    timeoutSet_ = wait;
  return true;
}

void PeerWaits::AfterRead(const void* data, int got) {
  if (got < 0 && timeoutSet_ != 0 && clock_() - readStart_ >= timeoutSet_) timedOut_ = true;
  if (got <= 0 || bytesLeft_ == kNoEnd) return;
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (int i = 0; answerPhase_ && i < got && answerBytes_ < sizeof answer_; ++i)
    answer_[answerBytes_++] = bytes[i];
  bytesLeft_ -= std::min<uint64_t>(bytesLeft_, static_cast<uint64_t>(got));
  if (bytesLeft_ == 0) {
    answerPhase_ = false;
    StartPhase(limits_.idleMs, false, kNoEnd);
  }
}

std::optional<uint32_t> PeerWaits::AnswerCode() const {
  return wire::DecodeLeadingWord(std::span<const uint8_t>(answer_, answerBytes_));
}

std::optional<uint32_t> PeerWaits::AnswerOffset() const {
  if (AnswerCode() != wire::kReplyAccept) return std::nullopt;
  return wire::DecodeLeadingWord(
      std::span<const uint8_t>(answer_, answerBytes_).subspan(wire::kWordSize));
}

}  // namespace kvel::p2p

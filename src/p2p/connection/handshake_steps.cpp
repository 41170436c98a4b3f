#include "p2p/connection/handshake_steps.h"

#include <array>
#include <optional>

#include "p2p/connection/direction.h"
#include "wire/handshake.h"

namespace kvel::p2p {

using transfers::ReadExact;
using transfers::StreamConnection;
using transfers::TransferDirection;
using transfers::WriteAll;

Handshake CallPeer(StreamConnection& connection, uint32_t ownUin, uint32_t peerUin, uint32_t code) {
  Handshake handshake;
  handshake.uin = peerUin;
  const std::array<uint8_t, 8> hello = wire::EncodeCallerHello(ownUin, peerUin);
  if (WriteAll(connection, hello.data(), hello.size()) != hello.size()) return handshake;
  std::array<uint8_t, 4> answer;
  if (!ReadExact(connection, answer.data(), answer.size()) || !wire::IsAnswer(answer))
    return handshake;
  const std::optional<TransferDirection> direction = DirectionFor(Side::Caller, code);
  if (!direction) return handshake;
  const std::array<uint8_t, 4> word = wire::EncodeWord(code);
  if (WriteAll(connection, word.data(), word.size()) != word.size()) return handshake;
  handshake.result = Handshake::Result::Agreed;
  handshake.direction = *direction;
  return handshake;
}

Handshake AnswerPeer(StreamConnection& connection,
                     const std::function<bool(uint32_t caller)>& takeCallBack) {
  Handshake handshake;
  std::array<uint8_t, 4> callerUin;
  std::array<uint8_t, 4> calledUin;  // read, never compared with our own
  std::array<uint8_t, 4> code;
  if (!ReadExact(connection, callerUin.data(), callerUin.size()) ||
      !ReadExact(connection, calledUin.data(), calledUin.size()))
    return handshake;
  handshake.uin = wire::DecodeWord(callerUin);
  if (WriteAll(connection, wire::kAnswer.data(), wire::kAnswer.size()) != wire::kAnswer.size())
    return handshake;
  if (!ReadExact(connection, code.data(), code.size())) return handshake;
  const uint32_t directionCode = wire::DecodeWord(code);
  const std::optional<TransferDirection> direction = DirectionFor(Side::Called, directionCode);
  if (!direction) return handshake;
  if (directionCode == wire::kPullCode && !takeCallBack(handshake.uin)) {
    handshake.result = Handshake::Result::UnaskedCallBack;
    return handshake;
  }
  handshake.result = Handshake::Result::Agreed;
  handshake.direction = *direction;
  return handshake;
}

}  // namespace kvel::p2p

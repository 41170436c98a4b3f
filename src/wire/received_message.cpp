#include "wire/received_message.h"

#include <algorithm>

#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
constexpr size_t kSender = 0;
constexpr size_t kClass = 12;
constexpr size_t kText = 16;
}  // namespace

std::optional<ReceivedMessage> DecodeReceivedMessage(std::span<const uint8_t> payload) {
  if (payload.size() < kText) return std::nullopt;
  ReceivedMessage message;
  message.sender = ReadLe32(payload, kSender);
  message.messageClass = ReadLe32(payload, kClass);
  std::span<const uint8_t> rest = payload.subspan(kText);
  auto nul = std::find(rest.begin(), rest.end(), uint8_t{0});
  const size_t textSize = static_cast<size_t>(nul - rest.begin());
  message.text = rest.first(textSize);
  message.terminated = nul != rest.end();
  if (message.terminated) message.attributes = rest.subspan(textSize + 1);
  return message;
}

}  // namespace kvel::wire

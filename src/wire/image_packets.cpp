#include "wire/image_packets.h"

#include <algorithm>

#include "wire/gg_packet.h"
#include "wire/received_message.h"
#include "wire/rich_text.h"

namespace kvel::wire {
namespace {

// The attributes of a message to a user, behind its empty text (one zero
// byte) in the whole packet, header included.
constexpr size_t kAttributes = kSendMessageText + 1;
static_assert(kAttributes + kImageMarkBlockLength == kImageOfferLength);
static_assert(kAttributes + kImageOptionFieldsLength == kImageRequestLength);
static_assert(kImageRequestLength == kImageReplyHeaderLength);

// Header, recipient, sequence 0, class and the empty text: 21 bytes.
void PutMessageStart(std::span<uint8_t> packet, uint32_t recipient, uint32_t messageClass) {
  EncodeSendMessageStart(packet, recipient, messageClass);
  packet[kSendMessageText] = 0;
}

void PutControlFields(std::span<uint8_t> packet, uint8_t kind, const ImageId& id) {
  EncodeImageOptionFields(packet.subspan(kAttributes), kind, id.size, id.checksum);
}

}  // namespace

std::array<uint8_t, kImageOfferLength> EncodeImageOffer(const ImageId& id) {
  std::array<uint8_t, kImageOfferLength> packet{};
  PutMessageStart(packet, id.uin, kClassChat);
  EncodeImageMarkBlock(std::span(packet).subspan(kAttributes), {id.size, id.checksum});
  return packet;
}

std::array<uint8_t, kImageRequestLength> EncodeImageRequest(const ImageId& id) {
  std::array<uint8_t, kImageRequestLength> packet{};
  PutMessageStart(packet, id.uin, kClassControl);
  PutControlFields(packet, kImageRequest, id);
  return packet;
}

std::vector<uint8_t> EncodeImageReply(const ImageId& id, bool first, std::string_view name,
                                      std::span<const uint8_t> data) {
  const size_t nameLength = first ? name.size() + 1 : 0;
  std::vector<uint8_t> packet(kImageReplyHeaderLength + nameLength + data.size());
  PutMessageStart(packet, id.uin, kClassControl);
  PutControlFields(packet, first ? kImageFirstReply : kImageLaterReply, id);
  auto out = packet.begin() + kImageReplyHeaderLength;
  if (first) {
    out = std::copy(name.begin(), name.end(), out);
    *out++ = 0;
  }
  std::copy(data.begin(), data.end(), out);
  return packet;
}

}  // namespace kvel::wire

#include "wire/image_packets.h"

#include <algorithm>

#include "wire/gg_packet.h"
#include "wire/le_bytes.h"
#include "wire/received_message.h"
#include "wire/rich_text.h"

namespace kvel::wire {
namespace {

// Offsets in the whole packet of a message to a user, header included: the
// empty text is one zero byte, the attributes follow it.
constexpr size_t kAttributes = kSendMessageText + 1;

// The offer's rich-text block: N, then the one entry's position, flags, the
// two bytes 09 01, size and checksum.
constexpr size_t kBlockLength = kAttributes + 1;
constexpr size_t kMarkPosition = kAttributes + 3;
constexpr size_t kMarkFlags = kAttributes + 5;
constexpr size_t kMarkTag = kAttributes + 6;
constexpr size_t kMarkSize = kAttributes + 8;
constexpr size_t kMarkChecksum = kAttributes + 12;
constexpr uint16_t kImageMarkLength = 13;
constexpr uint16_t kImageMarkTag = 0x0109;

// The control option: kind, size and checksum.
constexpr size_t kOptionKind = kAttributes;
constexpr size_t kOptionSize = kAttributes + 1;
constexpr size_t kOptionChecksum = kAttributes + 5;

// Header, recipient, sequence 0, class and the empty text: 21 bytes.
void PutMessageStart(std::span<uint8_t> packet, uint32_t recipient, uint32_t messageClass) {
  EncodeSendMessageStart(packet, recipient, messageClass);
  packet[kSendMessageText] = 0;
}

void PutControlFields(std::span<uint8_t> packet, uint8_t kind, const ImageId& id) {
  packet[kOptionKind] = kind;
  WriteLe32(packet, kOptionSize, id.size);
  WriteLe32(packet, kOptionChecksum, id.checksum);
}

}  // namespace

std::array<uint8_t, kImageOfferLength> EncodeImageOffer(const ImageId& id) {
  std::array<uint8_t, kImageOfferLength> packet{};
  PutMessageStart(packet, id.uin, kClassChat);
  packet[kAttributes] = kRichTextBlock;
  WriteLe16(packet, kBlockLength, kImageMarkLength);
  WriteLe16(packet, kMarkPosition, 0);
  packet[kMarkFlags] = kRichTextImageFlag;
  WriteLe16(packet, kMarkTag, kImageMarkTag);
  WriteLe32(packet, kMarkSize, id.size);
  WriteLe32(packet, kMarkChecksum, id.checksum);
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

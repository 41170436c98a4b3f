#include "wire/image_packets.h"

#include <algorithm>

namespace kvel::images {
namespace {

constexpr size_t kHeaderLength = 8;  // packet type, payload length
constexpr uint32_t kRichTextClass = 8;
constexpr uint32_t kControlClass = 4;
constexpr uint8_t kRichTextBlock = 0x02;
constexpr uint8_t kImageFormatFlag = 0x80;
// Data of the one rich-text entry: position, flags, two bytes 09 01, size, checksum.
constexpr uint16_t kImageMarkLength = 13;
constexpr uint16_t kImageMarkTag = 0x0109;
// Kind, size and checksum ahead of a reply's name and data.
constexpr size_t kReplyFieldsLength = 9;

void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// Header, recipient, sequence 0, class and the empty text: 21 bytes.
void PutMessageStart(uint8_t* packet, size_t length, uint32_t recipient, uint32_t messageClass) {
  Put32(packet, kSendMessageType);
  Put32(packet + 4, static_cast<uint32_t>(length - kHeaderLength));
  Put32(packet + 8, recipient);
  Put32(packet + 12, 0);
  Put32(packet + 16, messageClass);
  packet[20] = 0;
}

// Kind, size and checksum at packet offset 21.
void PutControlFields(uint8_t* packet, uint8_t kind, const ImageId& id) {
  packet[21] = kind;
  Put32(packet + 22, id.size);
  Put32(packet + 26, id.checksum);
}

}  // namespace

std::array<uint8_t, kImageOfferLength> EncodeImageOffer(const ImageId& id) {
  std::array<uint8_t, kImageOfferLength> packet{};
  PutMessageStart(packet.data(), packet.size(), id.uin, kRichTextClass);
  packet[21] = kRichTextBlock;
  Put16(&packet[22], kImageMarkLength);
  Put16(&packet[24], 0);
  packet[26] = kImageFormatFlag;
  Put16(&packet[27], kImageMarkTag);
  Put32(&packet[29], id.size);
  Put32(&packet[33], id.checksum);
  return packet;
}

std::array<uint8_t, kImageRequestLength> EncodeImageRequest(const ImageId& id) {
  std::array<uint8_t, kImageRequestLength> packet{};
  PutMessageStart(packet.data(), packet.size(), id.uin, kControlClass);
  PutControlFields(packet.data(), kImageRequestKind, id);
  return packet;
}

std::vector<uint8_t> EncodeImageReply(const ImageId& id, bool first, std::string_view name,
                                      std::span<const uint8_t> data) {
  const size_t nameLength = first ? name.size() + 1 : 0;
  std::vector<uint8_t> packet(kImageReplyHeaderLength + nameLength + data.size());
  PutMessageStart(packet.data(), packet.size(), id.uin, kControlClass);
  PutControlFields(packet.data(), first ? kImageFirstReplyKind : kImageNextReplyKind, id);
  uint8_t* out = packet.data() + kImageReplyHeaderLength;
  if (first) {
    out = std::copy(name.begin(), name.end(), out);
    *out++ = 0;
  }
  std::copy(data.begin(), data.end(), out);
  return packet;
}

std::optional<ImageReplyPart> DecodeImageReply(std::span<const uint8_t> reply) {
  if (reply.size() < kReplyFieldsLength) return std::nullopt;
  const uint8_t kind = reply[0];
  if (kind != kImageFirstReplyKind && kind != kImageNextReplyKind) return std::nullopt;
  ImageReplyPart part;
  part.first = kind == kImageFirstReplyKind;
  part.size = Get32(&reply[1]);
  part.checksum = Get32(&reply[5]);
  std::span<const uint8_t> rest = reply.subspan(kReplyFieldsLength);
  if (part.first) {
    // The name ends at its zero byte, or with the payload when it has none.
    auto end = std::find(rest.begin(), rest.end(), uint8_t{0});
    const auto nameLength = static_cast<size_t>(end - rest.begin());
    part.name = rest.first(nameLength);
    rest = rest.subspan(std::min(nameLength + 1, rest.size()));
  }
  part.data = rest;
  return part;
}

}  // namespace kvel::images

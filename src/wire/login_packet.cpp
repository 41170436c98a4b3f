#include "wire/login_packet.h"

#include "wire/gg_packet.h"
#include "wire/le_bytes.h"

namespace kvel::wire {
namespace {
// Offsets in the whole packet: the header comes first.
constexpr size_t kUin = kPacketHeaderSize + 0;
constexpr size_t kLocalAddress = kPacketHeaderSize + 17;
constexpr size_t kLocalPort = kPacketHeaderSize + 21;
constexpr size_t kExternAddress = kPacketHeaderSize + 23;
constexpr size_t kExternPort = kPacketHeaderSize + 27;
}  // namespace

std::optional<uint32_t> DecodeLoginUin(std::span<const uint8_t> packet) {
  if (packet.size() < kUin + 4) return std::nullopt;
  return ReadLe32(packet, kUin) & kUinMask;
}

std::optional<LoginFields> DecodeLogin(std::span<const uint8_t> packet) {
  if (packet.size() < kLoginMinimumLength) return std::nullopt;
  LoginFields fields;
  fields.uin = ReadLe32(packet, kUin) & kUinMask;
  fields.localAddress = ReadAddress(packet, kLocalAddress);
  fields.localPort = ReadLe16(packet, kLocalPort);
  fields.externAddress = ReadAddress(packet, kExternAddress);
  fields.externPort = ReadLe16(packet, kExternPort);
  return fields;
}

bool EncodeLoginAddresses(std::span<uint8_t> packet, const LoginFields& fields) {
  if (packet.size() < kLoginMinimumLength) return false;
  WriteAddress(packet, kLocalAddress, fields.localAddress);
  WriteLe16(packet, kLocalPort, fields.localPort);
  WriteAddress(packet, kExternAddress, fields.externAddress);
  WriteLe16(packet, kExternPort, fields.externPort);
  return true;
}

}  // namespace kvel::wire

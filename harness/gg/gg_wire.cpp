#include "gg_wire.h"

#include <cstring>

namespace standin::gg {

void PutU32(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

uint32_t GetU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint16_t GetU16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

Bytes Packet(uint32_t type, const Bytes& payload) {
  Bytes out;
  PutU32(out, type);
  PutU32(out, static_cast<uint32_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes LoginPacket(uint32_t uin, uint16_t localPort) {
  Bytes payload;
  PutU32(payload, uin);
  PutU32(payload, 0x12345678);  // password hash
  PutU32(payload, kStatusAvailable);
  PutU32(payload, 0x20);  // client version
  payload.push_back(0);
  PutU32(payload, 0);  // local address: let the plug-in fill it
  PutU16(payload, localPort);
  PutU32(payload, 0);    // external address
  PutU16(payload, 0);    // external port
  payload.push_back(0);  // image size
  payload.push_back(0xBE);
  return Packet(kLogin, payload);
}

std::optional<Login> ReadLogin(const Bytes& payload) {
  if (payload.size() < 29) return std::nullopt;
  Login login;
  login.uin = GetU32(&payload[0]) & 0x00FFFFFF;
  std::memcpy(&login.localAddress, &payload[17], 4);
  login.localPort = GetU16(&payload[21]);
  std::memcpy(&login.externAddress, &payload[23], 4);
  login.externPort = GetU16(&payload[27]);
  return login;
}

void PutStatusEntry(Bytes& out, uint32_t uin, uint8_t status, uint32_t address, uint16_t port) {
  PutU32(out, uin & 0x00FFFFFF);
  out.push_back(status);
  const auto* a = reinterpret_cast<const uint8_t*>(&address);
  out.insert(out.end(), a, a + 4);
  PutU16(out, port);
  out.push_back(0x20);  // version
  out.push_back(0);     // image size
  out.push_back(0);
}

Bytes ReceivedMessage(uint32_t sender, uint32_t time, uint32_t messageClass, const Bytes& body) {
  Bytes payload;
  PutU32(payload, sender);
  PutU32(payload, 0);
  PutU32(payload, time);
  PutU32(payload, messageClass);
  payload.insert(payload.end(), body.begin(), body.end());
  return Packet(kRecvMsg, payload);
}

std::optional<OutgoingMessage> ReadOutgoingMessage(const Bytes& payload) {
  if (payload.size() < 12) return std::nullopt;
  OutgoingMessage message;
  message.recipient = GetU32(&payload[0]);
  message.messageClass = GetU32(&payload[8]);
  message.body.assign(payload.begin() + 12, payload.end());
  return message;
}

void PacketReader::Feed(const uint8_t* data, size_t size) {
  buffer_.insert(buffer_.end(), data, data + size);
}

std::optional<Bytes> PacketReader::Next() {
  if (buffer_.size() < 8) return std::nullopt;
  size_t length = GetU32(&buffer_[4]);
  if (buffer_.size() - 8 < length) return std::nullopt;
  Bytes packet(buffer_.begin(), buffer_.begin() + 8 + static_cast<std::ptrdiff_t>(length));
  buffer_.erase(buffer_.begin(), buffer_.begin() + 8 + static_cast<std::ptrdiff_t>(length));
  return packet;
}

}  // namespace standin::gg

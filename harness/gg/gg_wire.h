// GG packets as the stand-in server and the stand-in host's GG client build
// and read them: an 8-byte header (type, payload length, little-endian) and a
// payload. Only the packets the stand-in world exchanges are here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin::gg {

inline constexpr uint32_t kRecvMsg = 0x0A;      // server → client: message from a user
inline constexpr uint32_t kSendMsg = 0x0B;      // client → server: message to a user
inline constexpr uint32_t kLoginOk = 0x03;      // server → client
inline constexpr uint32_t kStatus = 0x0F;       // server → client: one contact's status
inline constexpr uint32_t kNotifyReply = 0x11;  // server → client: status entries
inline constexpr uint32_t kLogin = 0x15;        // client → server
inline constexpr uint8_t kStatusAvailable = 0x02;
inline constexpr uint8_t kStatusNotAvailable = 0x01;

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& out, uint32_t value);
void PutU16(Bytes& out, uint16_t value);
uint32_t GetU32(const uint8_t* at);
uint16_t GetU16(const uint8_t* at);

Bytes Packet(uint32_t type, const Bytes& payload);

// A login packet (31-byte payload) with the local address 0, as a client
// builds it before the plug-in rewrites it.
Bytes LoginPacket(uint32_t uin, uint16_t localPort);

struct Login {
  uint32_t uin = 0;           // low 24 bits
  uint32_t localAddress = 0;  // network byte order
  uint16_t localPort = 0;
  uint32_t externAddress = 0;
  uint16_t externPort = 0;
};
// Reads a login payload; nullopt when it is shorter than 29 bytes.
std::optional<Login> ReadLogin(const Bytes& payload);

// One 14-byte status entry (no description).
void PutStatusEntry(Bytes& out, uint32_t uin, uint8_t status, uint32_t address, uint16_t port);

// A message packet from the server: sender, sequence 0, time, class, then
// `body` (text with its NUL and any attributes) as it came from the sender.
Bytes ReceivedMessage(uint32_t sender, uint32_t time, uint32_t messageClass, const Bytes& body);

// Splits a type-11 payload into recipient, class and body (text + attributes).
struct OutgoingMessage {
  uint32_t recipient = 0;
  uint32_t messageClass = 0;
  Bytes body;
};
std::optional<OutgoingMessage> ReadOutgoingMessage(const Bytes& payload);

// Reads whole packets from a byte stream; the socket side feeds it.
class PacketReader {
 public:
  void Feed(const uint8_t* data, size_t size);
  // The next complete packet (header included), if any.
  std::optional<Bytes> Next();

 private:
  Bytes buffer_;
};

}  // namespace standin::gg

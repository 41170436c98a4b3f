// Builders of the GG packets the protocol hook reads, for tests. Every field
// is written explicitly, little-endian, so a test shows the bytes it sends.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kvel::gg::testing {

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void PutLe32(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutBytes(Bytes& out, const Bytes& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// An IPv4 address a.b.c.d in network byte order, as packets carry it.
inline uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t value;
  auto* target = reinterpret_cast<uint8_t*>(&value);
  for (int i = 0; i < 4; ++i) target[i] = bytes[i];
  return value;
}

inline void PutIp(Bytes& out, uint32_t address) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
  out.insert(out.end(), bytes, bytes + 4);
}

// The 8-byte header (type, payload length) and the payload.
inline Bytes Packet(uint32_t type, const Bytes& payload) {
  Bytes out;
  PutLe32(out, type);
  PutLe32(out, static_cast<uint32_t>(payload.size()));
  PutBytes(out, payload);
  return out;
}

// A login packet (type 21) with a 31-byte payload as clients send it:
// number, seed hash, status, version, a flag byte, local address and port,
// external address and port, image size and one more byte.
inline Bytes Login(uint32_t uinField, uint32_t localAddress, uint16_t localPort = 0) {
  Bytes payload;
  PutLe32(payload, uinField);
  PutLe32(payload, 0xA1B2C3D4);  // seed hash
  PutLe32(payload, 0x00000002);  // status
  PutLe32(payload, 0x40000020);  // version
  payload.push_back(0x01);
  PutIp(payload, localAddress);
  PutLe16(payload, localPort);
  PutIp(payload, Ip(9, 9, 9, 9));
  PutLe16(payload, 0x7777);
  payload.push_back(64);
  payload.push_back(0xBE);
  return Packet(21, payload);
}

// A received message (type 10): sender, sequence, time, class, the text and
// its NUL byte (unless `terminate` is false), then the attributes.
inline Bytes Message(uint32_t sender, uint32_t messageClass, const std::string& text,
                     const Bytes& attributes = {}, bool terminate = true) {
  Bytes payload;
  PutLe32(payload, sender);
  PutLe32(payload, 7);           // sequence
  PutLe32(payload, 0x5F000000);  // time
  PutLe32(payload, messageClass);
  payload.insert(payload.end(), text.begin(), text.end());
  if (terminate) payload.push_back(0);
  PutBytes(payload, attributes);
  return Packet(10, payload);
}

// A rich-text block: 2, the entries' byte count N (given, or their real
// size), the entries.
inline Bytes RichText(const Bytes& entries, std::optional<int> count = std::nullopt) {
  Bytes out = {2};
  PutLe16(out, static_cast<uint16_t>(count.value_or(static_cast<int>(entries.size()))));
  PutBytes(out, entries);
  return out;
}

struct Colour {
  uint8_t r, g, b;
};

// One format entry: position, flags, colour bytes (flag 0x08), image
// record (flag 0x80: 09 01, size, checksum).
inline Bytes FormatEntry(uint16_t position, uint8_t flags, uint32_t size = 0, uint32_t checksum = 0,
                         Colour colour = {0x11, 0x22, 0x33}) {
  Bytes out;
  PutLe16(out, position);
  out.push_back(flags);
  if (flags & 0x08) out.insert(out.end(), {colour.r, colour.g, colour.b});
  if (flags & 0x80) {
    out.insert(out.end(), {0x09, 0x01});
    PutLe32(out, size);
    PutLe32(out, checksum);
  }
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) PutBytes(out, part);
  return out;
}

// The image option of a class-4 message: kind, size, checksum, then `rest`
// (a reply's name and data).
inline Bytes ImageOptionBytes(uint8_t kind, uint32_t size, uint32_t checksum,
                              const Bytes& rest = {}) {
  Bytes out = {kind};
  PutLe32(out, size);
  PutLe32(out, checksum);
  PutBytes(out, rest);
  return out;
}

// One contact status entry; statuses 4, 5, 21 and 22 get the description
// length byte and the description.
inline Bytes StatusEntryBytes(uint32_t uinField, uint8_t status, uint32_t address, uint16_t port,
                              const std::string& description = "") {
  Bytes out;
  PutLe32(out, uinField);
  out.push_back(status);
  PutIp(out, address);
  PutLe16(out, port);
  out.insert(out.end(), {0x00, 0x00, 0xFF});  // not read
  if (status == 4 || status == 5 || status == 21 || status == 22) {
    out.push_back(static_cast<uint8_t>(description.size()));
    out.insert(out.end(), description.begin(), description.end());
  }
  return out;
}

}  // namespace kvel::gg::testing

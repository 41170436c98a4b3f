// Reading what a router answers and what kvel remembered of it: the texts
// come from a stranger (or a file that may be damaged), so each is read
// strictly and bounded. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "router/gateway.h"

namespace kvel::router {

// A dotted IPv4 address of exactly four decimal parts 0..255, with nothing
// around it; in network byte order. Nullopt for anything else.
std::optional<uint32_t> ParseAddress(std::string_view text);
// A decimal port 1..65535 with nothing around it.
std::optional<uint16_t> ParsePort(std::string_view text);

// Whether the router's entry is kvel's own mapping to this machine: a
// mapping left behind (by a crash) that may be replaced.
bool IsOwnEntry(const Entry& entry, uint32_t lanAddress, uint16_t localPort,
                std::string_view description);

// What kvel keeps of the router between two starts, in the data folder.
struct Remembered {
  // True when the last start searched and found no router: the first
  // login is then not held for the mapping.
  bool noRouter = false;
  std::string descriptionUrl;  // empty: search
  uint16_t mappedPort = 0;     // the external port last mapped; 0: none
};

// Texts longer than this are not taken for a description address.
inline constexpr size_t kMaxUrlLength = 512;
// A remembered file longer than this is damaged.
inline constexpr size_t kMaxRememberedLength = 1024;

// The file's text: "router <url>\nport <n>\n", or "no-router\n".
std::string EncodeRemembered(const Remembered& remembered);
// Reads the text back; a damaged or unknown text reads as nothing
// remembered (a search, the first login held).
Remembered DecodeRemembered(std::string_view text);
// Whether `url` may be asked again: http:// and a host, printable, bounded.
bool UsableUrl(std::string_view url);

}  // namespace kvel::router

#include "router/router_answers.h"

namespace kvel::router {
namespace {

// A decimal number of 1 to `maxDigits` digits, at most `limit`.
std::optional<uint32_t> ParseNumber(std::string_view text, size_t maxDigits, uint32_t limit) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > limit) return std::nullopt;
  return value;
}

// Splits off the text up to `separator`; the rest stays in `text`.
std::string_view Take(std::string_view& text, char separator) {
  const size_t at = text.find(separator);
  std::string_view part = text.substr(0, at);
  text = at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
  return part;
}

}  // namespace

std::optional<uint32_t> ParseAddress(std::string_view text) {
  if (text.size() > 15) return std::nullopt;
  uint32_t address = 0;
  auto* bytes = reinterpret_cast<uint8_t*>(&address);
  for (int i = 0; i < 4; ++i) {
    const bool last = i == 3;
    if (!last && text.find('.') == std::string_view::npos) return std::nullopt;
    const std::string_view part = last ? text : Take(text, '.');
    std::optional<uint32_t> value = ParseNumber(part, 3, 255);
    if (!value) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(*value);
  }
  return address;
}

std::optional<uint16_t> ParsePort(std::string_view text) {
  std::optional<uint32_t> value = ParseNumber(text, 5, 65535);
  if (!value || *value == 0) return std::nullopt;
  return static_cast<uint16_t>(*value);
}

bool IsOwnEntry(const Entry& entry, uint32_t lanAddress, uint16_t localPort,
                std::string_view description) {
  return entry.description == description && ParseAddress(entry.internalClient) == lanAddress &&
         ParsePort(entry.internalPort) == localPort;
}

bool UsableUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() > kMaxUrlLength || url.substr(0, kScheme.size()) != kScheme) return false;
  if (url.size() == kScheme.size()) return false;
  for (char c : url) {
    if (c <= ' ' || c > '~') return false;
  }
  return true;
}

std::string EncodeRemembered(const Remembered& remembered) {
  if (remembered.noRouter) return "no-router\n";
  if (!UsableUrl(remembered.descriptionUrl)) return {};
  std::string text = "router " + remembered.descriptionUrl + "\n";
  if (remembered.mappedPort != 0) text += "port " + std::to_string(remembered.mappedPort) + "\n";
  return text;
}

Remembered DecodeRemembered(std::string_view text) {
  if (text.size() > kMaxRememberedLength) return {};
  if (text == "no-router\n") return {true, {}, 0};
  Remembered remembered;
  while (!text.empty()) {
    const std::string_view line = Take(text, '\n');
    if (line.substr(0, 7) == "router ") {
      remembered.descriptionUrl = std::string(line.substr(7));
    } else if (line.substr(0, 5) == "port ") {
      std::optional<uint16_t> port = ParsePort(line.substr(5));
      if (!port) return {};
      remembered.mappedPort = *port;
    } else {
      return {};
    }
  }
  if (!UsableUrl(remembered.descriptionUrl)) return {};
  return remembered;
}

}  // namespace kvel::router

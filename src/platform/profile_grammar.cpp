#include "platform/profile_grammar.h"

#include <algorithm>
#include <string>

namespace kvel::platform::profile {
namespace {

bool IsBlank(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A || c == 0xA0;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are C strings to the platform: an embedded NUL ends them.
std::string_view CutAtNul(std::string_view s) {
  size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view stored, std::string_view wanted) {
  stored = CutAtNul(stored);
  return std::equal(stored.begin(), stored.end(), wanted.begin(), wanted.end(),
                    [](char a, char b) { return Lower(a) == Lower(b); });
}

// Copies `s` into `out`, cut to `size` - 1 characters and NUL-terminated.
size_t CopyCut(std::string_view s, char* out, size_t size) {
  const size_t n = std::min(s.size(), size - 1);
  std::copy_n(s.begin(), n, out);
  out[n] = '\0';
  return n;
}

// Skips a UTF-8 byte-order mark; the rest is read byte for byte.
std::string_view Body(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return text;
}

}  // namespace

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  text = Body(text);
  // 0: before any section, 1: inside the first section of the wanted name,
  // 2: past it (only the first section of a name is searched).
  int state = section.empty() ? 1 : 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && (text[pos] == '\n' || text[pos] == '\r')) ++pos;
    if (line.empty()) continue;

    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        if (state == 1) return std::nullopt;
        if (state == 0 && SameName(Trim(line.substr(1, close - 1)), section)) state = 1;
        continue;
      }
    }
    if (state != 1) continue;
    size_t eq = line.find('=');
    std::string_view name = Trim(line.substr(0, eq == std::string_view::npos ? line.size() : eq));
    if (!SameName(name, key)) continue;
    if (eq == std::string_view::npos) return std::nullopt;
    return CutAtNul(Trim(line.substr(eq + 1)));
  }
  return std::nullopt;
}

size_t CopyValue(std::string_view value, char* out, size_t size) {
  if (out == nullptr || size == 0) return 0;
  value = CutAtNul(value);
  bool quoted = false;
  if (!value.empty() && (value.front() == '"' || value.front() == '\'') && value.size() > 1 &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  size_t n = CopyCut(value, out, size);
  // The closing quote goes when the buffer could hold the quoted text.
  if (quoted && size >= value.size() && n > 0) out[--n] = '\0';
  return n;
}

uint32_t ParseInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) minus = s[i++] == '-';
  uint32_t base = 10;
  if (s.size() - i >= 2 && s[i] == '0') {
    if (s[i + 1] == 'b') base = 2;
    if (s[i + 1] == 'o') base = 8;
    if (s[i + 1] == 'x') base = 16;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    uint32_t digit = 99;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  return minus ? 0u - total : total;
}

uint32_t ReadInt(std::string_view text, std::string_view section, std::string_view key,
                 int32_t fallback) {
  std::optional<std::string_view> value = FindValue(text, section, key);
  if (!value) return static_cast<uint32_t>(fallback);
  char buffer[30];
  if (CopyValue(*value, buffer, sizeof buffer) == 0) return static_cast<uint32_t>(fallback);
  return ParseInteger(buffer);
}

size_t ReadString(std::string_view text, std::string_view section, std::string_view key,
                  std::string_view fallback, char* out, size_t size) {
  if (out == nullptr || size == 0) return 0;
  std::optional<std::string_view> value = FindValue(text, section, key);
  if (!value) {
    // The default loses trailing spaces and is copied as it is.
    fallback = CutAtNul(fallback);
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    return CopyCut(fallback, out, size);
  }
  // The platform copies into a wide buffer of twice the size, then cuts to
  // size - 1 bytes.
  std::string wide(size * 2, '\0');
  return CopyCut({wide.data(), CopyValue(*value, wide.data(), wide.size())}, out, size);
}

}  // namespace kvel::platform::profile

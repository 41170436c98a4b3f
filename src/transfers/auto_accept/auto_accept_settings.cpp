#include "transfers/auto_accept/auto_accept_settings.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"
#include "transfers/auto_accept/auto_accept_texts.h"
#include "common/file_name.h"

namespace kvel::transfers {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A whole number of at most `max` in plain decimal digits; nothing for any
// other text (signs, blanks inside, other characters, an empty one).
std::optional<uint64_t> Decimal(std::string_view text, uint64_t max) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > max) return std::nullopt;
  }
  return value;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsAbsolute(std::string_view folder) {
#ifdef _WIN32
  const bool drive =
      folder.size() >= 3 &&
      ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
      folder[1] == ':' && IsSeparator(folder[2]);
  const bool share = folder.size() >= 3 && IsSeparator(folder[0]) && IsSeparator(folder[1]);
  return drive || share;
#else
  return !folder.empty() && folder[0] == '/';
#endif
}

// Characters no folder's path holds (a drive's colon aside).
bool HoldsForbidden(std::string_view folder) {
  for (size_t i = 0; i < folder.size(); ++i) {
    const auto byte = static_cast<unsigned char>(folder[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (std::string_view("<>\"|?*").find(folder[i]) != std::string_view::npos) return true;
#ifdef _WIN32
    if (folder[i] == ':' && i != 1) return true;
#endif
  }
  return false;
}

// Whether two folders (each ending with a separator) are one, as Windows
// compares names: without regard to ASCII case or the kind of separator.
bool SameFolder(std::string_view a, std::string_view b) {
  std::string x = CaseFolded(a), y = CaseFolded(b);
  std::replace(x.begin(), x.end(), '/', '\\');
  std::replace(y.begin(), y.end(), '/', '\\');
  return x == y;
}

AutoAcceptParse Off(std::string problem) {
  return {AutoAcceptSettings{}, std::move(problem)};
}

}  // namespace

std::string_view WithoutComment(std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == ';' && (i == 0 || IsBlank(value[i - 1]))) {
      value = value.substr(0, i);
      break;
    }
  }
  return Trim(value);
}

AutoAcceptParse ParseAutoAccept(std::string_view uins, std::string_view maxkb, std::string_view dir,
                                std::string_view dataFolder) {
  AutoAcceptSettings settings;
  uins = WithoutComment(uins);
  while (!uins.empty()) {
    const size_t comma = uins.find(',');
    const std::string_view item = Trim(uins.substr(0, comma));
    const std::optional<uint64_t> uin = Decimal(item, UINT32_MAX);
    if (!uin || *uin == 0) return Off(text::kAutoAcceptBadUin + std::string(item));
    settings.uins.push_back(static_cast<uint32_t>(*uin));
    if (settings.uins.size() > kMaxTrustedUins) return Off(text::kAutoAcceptTooManyUins);
    if (comma == std::string_view::npos) break;
    uins.remove_prefix(comma + 1);
    // A comma at the end leaves an empty item, which is no number.
    if (Trim(uins).empty()) return Off(text::kAutoAcceptBadUin + std::string());
  }
  std::sort(settings.uins.begin(), settings.uins.end());
  settings.uins.erase(std::unique(settings.uins.begin(), settings.uins.end()), settings.uins.end());

  maxkb = WithoutComment(maxkb);
  if (!maxkb.empty()) {
    const std::optional<uint64_t> kb = Decimal(maxkb, kMaxAutoAcceptKb);
    if (!kb || *kb == 0) return Off(text::kAutoAcceptBadMaxKb + std::string(maxkb));
    settings.maxKb = static_cast<uint32_t>(*kb);
  }

  dir = WithoutComment(dir);
  if (!dir.empty()) {
    if (!IsAbsolute(dir)) return Off(text::kAutoAcceptRelativeDir + std::string(dir));
    if (HoldsForbidden(dir)) return Off(text::kAutoAcceptBadDir + std::string(dir));
    // The root keeps its separator: "C:\" and "/" stay folders.
    while (dir.size() > 1 && IsSeparator(dir.back()) && !(dir.size() == 3 && dir[1] == ':'))
      dir.remove_suffix(1);
    if (dir.size() > kMaxAutoAcceptFolder) return Off(text::kAutoAcceptLongDir);
    settings.folder = std::string(dir);
    if (!IsSeparator(settings.folder.back())) settings.folder += platform::kPathSeparator;
    if (SameFolder(settings.folder, dataFolder)) return Off(text::kAutoAcceptDataDir);
  }
  return {std::move(settings), {}};
}

}  // namespace kvel::transfers

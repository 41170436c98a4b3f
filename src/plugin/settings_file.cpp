#include "plugin/settings_file.h"

#include <optional>

#include "platform/profile.h"
#include "transfers/auto_accept/auto_accept_texts.h"

namespace kvel {
namespace {

constexpr char kAutoAcceptSection[] = "autoaccept";
// Room for every number kvel lists, or a folder, with a comment behind.
constexpr size_t kAutoAcceptValueSize = 4096;

// The text of `key`; nothing when it filled the buffer (it may have been
// cut, so it cannot be taken as written).
std::optional<std::string> AutoAcceptValue(const char* key, const char* path) {
  std::string value(kAutoAcceptValueSize, '\0');
  const size_t length =
      platform::ProfileString(kAutoAcceptSection, key, "", value.data(), value.size(), path);
  if (length >= value.size() - 1) return std::nullopt;
  value.resize(length);
  return value;
}

}  // namespace

void ReadSettings(const char* path, Settings& s) {
  s.localPort = static_cast<uint16_t>(platform::ProfileInt("p2p", "local-port", s.localPort, path));
  const std::string current = s.externIp;
  platform::ProfileString("p2p", "extern-ip", current.c_str(), s.externIp, sizeof s.externIp, path);
  s.externPort =
      static_cast<uint16_t>(platform::ProfileInt("p2p", "extern-port", s.externPort, path));
  s.iconMask = static_cast<uint16_t>(platform::ProfileInt("cl", "icons", s.iconMask, path));
  const uint32_t limit =
      platform::ProfileInt("p2p", "speed-limit", static_cast<int32_t>(s.speedLimitKb), path);
  s.speedLimitKb = limit <= kMaxSpeedLimitKb ? limit : 0;
  s.upnp = platform::ProfileInt("p2p", "upnp", s.upnp ? 1 : 0, path) != 0;
}

transfers::AutoAcceptParse ReadAutoAcceptSettings(const char* path, const std::string& dataFolder) {
  const char* keys[] = {"uins", "maxkb", "dir"};
  std::string values[3];
  for (size_t i = 0; i < 3; ++i) {
    std::optional<std::string> value = AutoAcceptValue(keys[i], path);
    if (!value) return {{}, keys[i] + std::string(text::kAutoAcceptTooLong)};
    values[i] = std::move(*value);
  }
  return transfers::ParseAutoAccept(values[0], values[1], values[2], dataFolder);
}

std::string AutoAcceptLogLine(const transfers::AutoAcceptParse& parse, const std::string& folder) {
  if (!parse.problem.empty()) return text::kLogAutoAcceptOff + parse.problem;
  if (!parse.settings.On()) return {};
  return text::kLogAutoAcceptOn + std::to_string(parse.settings.uins.size()) +
         " maxkb=" + std::to_string(parse.settings.maxKb) + " dir=" + folder;
}

}  // namespace kvel

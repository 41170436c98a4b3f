#include "plugin/settings_file.h"

#include "platform/profile.h"

namespace kvel {

void ReadSettings(const char* path, Settings& s) {
  s.localPort = static_cast<uint16_t>(platform::ProfileInt("p2p", "local-port", s.localPort, path));
  char current[sizeof s.externIp];
  for (size_t i = 0; i < sizeof current; ++i) current[i] = s.externIp[i];
  platform::ProfileString("p2p", "extern-ip", current, s.externIp, sizeof s.externIp, path);
  s.externPort =
      static_cast<uint16_t>(platform::ProfileInt("p2p", "extern-port", s.externPort, path));
  s.iconMask = static_cast<uint16_t>(platform::ProfileInt("cl", "icons", s.iconMask, path));
}

}  // namespace kvel

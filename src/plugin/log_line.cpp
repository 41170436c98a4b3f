#include "plugin/log_line.h"

#include "plugin/host.h"
#include "host/service_names.h"

namespace kvel {

int32_t LogLine(const char* text, uint8_t flag1, uint8_t flag2) {
  if (HostLinkRecord() == nullptr) return 0;
  if (ServiceExists(host::kServiceLog) == 0) return 0;
  host::LogRecord record{};
  record.text = text;
  record.tag = host::kLogTag;
  record.flag1 = flag1;
  record.flag2 = flag2;
  return static_cast<int32_t>(
      CallService(host::kServiceLog, reinterpret_cast<host::Param>(&record), 0));
}

}  // namespace kvel

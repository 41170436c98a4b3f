#include "host/log_line.h"

#include "host/service_names.h"

namespace kvel::host {

int32_t LogLine(HostServices& host, const char* text, uint8_t flag1, uint8_t flag2) {
  if (host.ServiceExists(kServiceLog) == 0) return 0;
  LogRecord record{};
  record.text = text;
  record.tag = kLogTag;
  record.flag1 = flag1;
  record.flag2 = flag2;
  return static_cast<int32_t>(host.CallService(kServiceLog, reinterpret_cast<Param>(&record), 0));
}

}  // namespace kvel::host

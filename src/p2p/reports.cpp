#include "p2p/reports.h"

namespace kvel::p2p {

void Report(ConnectionServices& services, const std::string& line) {
  if (!services.Connections().BeginReport()) return;
  services.Log(line);
  services.Connections().EndReport();
}

void ReportEnded(ConnectionServices& services, const transfers::TransferReport& report) {
  Report(services, transfers::TransferLogLine(report));
  if (!transfers::WorthTelling(report.outcome)) return;
  if (!services.Connections().BeginReport()) return;
  services.TellUser(report);
  services.Connections().EndReport();
}

void EndUnreached(ConnectionServices& services, transfers::TransferHandle& transfer,
                  const Unreached& unreached) {
  transfer.End(unreached.outcome);
  Report(services, UnreachedLogLine(unreached));
  if (UnreachedNotice(unreached, std::string()).text.empty()) return;
  if (!services.Connections().BeginReport()) return;
  services.TellUnreached(unreached);
  services.Connections().EndReport();
}

}  // namespace kvel::p2p

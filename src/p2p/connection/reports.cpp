#include "p2p/connection/reports.h"

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
  Unreached told = unreached;
  if (told.file.empty()) told.file = transfer.Read().path;
  transfer.End(told.outcome);
  Report(services, UnreachedLogLine(told));
  if (UnreachedNotice(told, std::string()).text.empty()) return;
  if (!services.Connections().BeginReport()) return;
  services.TellUnreached(told);
  services.Connections().EndReport();
}

}  // namespace kvel::p2p

#include "p2p/connection/reports.h"

namespace kvel::p2p {

void Report(ConnectionServices& services, const std::string& line) {
  services.connections.Reporting([&] { services.telling.Log(line); });
}

void ReportEnded(ConnectionServices& services, const transfers::Transfer& report) {
  Report(services, transfers::TransferLogLine(report));
  if (!transfers::WorthTelling(report.outcome)) return;
  services.connections.Reporting([&] { services.telling.TellUser(report); });
}

void EndUnreached(ConnectionServices& services, transfers::TransferHandle& transfer,
                  const Unreached& unreached) {
  Unreached told = unreached;
  if (told.file.empty()) told.file = transfer.Read().path;
  transfer.End(told.outcome);
  Report(services, UnreachedLogLine(told));
  if (UnreachedNotice(told, std::string()).text.empty()) return;
  services.connections.Reporting([&] { services.telling.TellUnreached(told); });
}

}  // namespace kvel::p2p

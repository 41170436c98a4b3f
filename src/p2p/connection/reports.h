// What connections say to the host: log lines and boxes, none once the
// plug-in is being unloaded (the host is not reached then).
#pragma once

#include <string>

#include "p2p/connection/connection_services.h"

namespace kvel::p2p {

// A diagnostic line.
void Report(ConnectionServices& services, const std::string& line);
// Logs an ended transfer; tells the user of one worth a box.
void ReportEnded(ConnectionServices& services, const transfers::Transfer& report);
// Ends `transfer` (a send of this user's that never reached its contact, or
// a call-back this side could not make) as `unreached` says, with its log
// line and, for a send that was not stopped, its box.
void EndUnreached(ConnectionServices& services, transfers::TransferHandle& transfer,
                  const Unreached& unreached);

}  // namespace kvel::p2p

// The Gateway over miniupnpc: a search by SSDP on the LAN (or the remembered
// description), then SOAP requests to the router's WAN connection service.
#pragma once

#include <memory>

#include "router/gateway.h"

namespace kvel::router {

// Whether this build has miniupnpc; without it kvel maps nothing.
bool UpnpBuilt();
// A gateway over miniupnpc; null in a build without it. Used by one thread.
std::unique_ptr<Gateway> MakeUpnpGateway();

}  // namespace kvel::router

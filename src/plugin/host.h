// The plug-in's side of the host connection: its instance handle, the host's
// record, and the two wrappers through which every service call goes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_api.h"

namespace kvel {

// The module's instance handle; set by the attach routine (or a test).
host::PluginHandle PluginId();
void SetPluginId(host::PluginHandle id);

// The host's record given to LoadPlugin; null before it.
host::HostLink* HostLinkRecord();
void SetHostLink(host::HostLink* link);

// Calls a host service with PluginId first. Returns 0 while no host is set.
host::Param CallService(const char* service, host::Param wparam, host::Param lparam);
// Non-zero when the host offers the service; 0 while no host is set.
int32_t ServiceExists(const char* service);

// Sends a whole GG packet (header included) through the host's GG module
// ("Tlen/ProtocolCallFunction" / "PFSendRawData"). The host takes the bytes
// before the call returns.
void SendRawPacket(const uint8_t* packet, size_t length);

}  // namespace kvel

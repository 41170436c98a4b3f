// The commands of the host program and its reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chat_windows.h"
#include "commands.h"
#include "contact_list_icons.h"
#include "gg_client.h"
#include "plugin_module.h"
#include "stand_in_host.h"
#include "ui_driver.h"

namespace standin {

struct HostSession {
  Host& host;
  PluginModule& module;
  GGClient& gg;
  ChatWindows& chats;
  ContactListIcons& icons;
  UiDriver& driver;
  uint16_t serverPort;
  uint32_t uin;

  // Where the files the desktop was asked to open are recorded.
  std::string OpenedLog() const { return host.ProfileDirectory() + "opened.txt"; }
};

void AddHostCommands(Commands& commands, HostSession& session);

// What the plug-in registered: its information record, hook, menu items,
// callbacks, the service calls made and the log lines.
std::string RegistrationReport(const PluginModule& module, Host& host);
std::string CallReport(const std::vector<ServiceCall>& calls);

}  // namespace standin

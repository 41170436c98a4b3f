// kvel_host: the stand-in host program. It loads kvel.tpl with a profile
// directory and either reports what the plug-in registered (--report), or
// runs as a messenger would: logged in to the stand-in GG server, pumping the
// plug-in's window messages, driven through a control connection or a console.
//
//   kvel_host.exe [--plugin PATH] [--profile DIR] [--no-log] [--report]
//                 [--server PORT --uin N] [--server-address A] [--contact UIN:NAME]...
//                 [--control PORT] [--console] [--record-opens]
//   kvel_host.exe --opened LOG PATH   (the program that opens recorded files)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chat_windows.h"
#include "commands.h"
#include "contact_list_icons.h"
#include "control_channel.h"
#include "gg_client.h"
#include "host_commands.h"
#include "main_thread.h"
#include "opened_files.h"
#include "plugin_module.h"
#include "stand_in_host.h"
#include "ui_driver.h"

namespace {

struct Options {
  std::string pluginPath = standin::DefaultPluginPath();
  std::string profile;
  bool offerLog = true;
  bool report = false;
  uint16_t serverPort = 0;
  std::string serverAddress = "127.0.0.1";
  uint32_t uin = 0;
  uint16_t controlPort = 0;
  bool console = false;
  bool recordOpens = false;  // files of the recorded kind open into the profile's record
  std::vector<standin::Contact> contacts;
};

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (arg == "--plugin")
      options.pluginPath = next();
    else if (arg == "--profile")
      options.profile = next();
    else if (arg == "--no-log")
      options.offerLog = false;
    else if (arg == "--report")
      options.report = true;
    else if (arg == "--server")
      options.serverPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (arg == "--server-address")
      options.serverAddress = next();
    else if (arg == "--uin")
      options.uin = static_cast<uint32_t>(std::strtoul(next().c_str(), nullptr, 10));
    else if (arg == "--control")
      options.controlPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (arg == "--console")
      options.console = true;
    else if (arg == "--record-opens")
      options.recordOpens = true;
    else if (arg == "--contact") {
      std::string value = next();
      size_t colon = value.find(':');
      standin::Contact contact;
      contact.id = value.substr(0, colon);
      contact.displayName = colon == std::string::npos ? contact.id : value.substr(colon + 1);
      contact.handle = static_cast<standin::Param>(0x1000 + options.contacts.size());
      options.contacts.push_back(contact);
    }
  }
  if (options.profile.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    options.profile = std::string(temp) + "kvel-profile-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(options.profile.c_str(), nullptr);
  }
  if (options.profile.back() != '\\') options.profile += '\\';
  return options;
}

int RunSession(const Options& options, standin::Host& host, standin::PluginModule& module) {
  standin::BindMainThread();
  for (const standin::Contact& contact : options.contacts) host.AddContact(contact);
  standin::ContactListIcons icons(host);
  module.LoadPlugin(host.Link());

  standin::GGClient gg(host);
  gg.SetServerAddress(kvel::platform::InetAddr(options.serverAddress.c_str()));
  // Chat pages beside the profile, one per contact.
  standin::ChatWindows chats(host, options.profile);
  standin::UiDriver driver;
  standin::HostSession session{host,       module, gg, chats, icons, driver, options.serverPort,
                               options.uin};
  standin::Commands commands;
  standin::AddHostCommands(commands, session);
  if (options.recordOpens && !standin::RecordOpensIn(session.OpenedLog()))
    std::fprintf(stderr, "kvel_host: cannot record the files opened\n");

  if (options.serverPort != 0 && !gg.Connect(options.serverPort, options.uin, 0)) {
    std::fprintf(stderr, "kvel_host: cannot reach the GG server at %s:%u\n",
                 options.serverAddress.c_str(), options.serverPort);
  }
  standin::ControlChannel control(commands);
  if (options.controlPort != 0 && !control.Start(options.controlPort)) {
    std::fprintf(stderr, "kvel_host: control port %u is taken\n", options.controlPort);
    return 1;
  }
  std::thread console;
  if (options.console) {
    console = std::thread([&commands] {
      std::printf("kvel_host console; \"help\" lists the commands\n> ");
      std::fflush(stdout);
      std::string line;
      while (std::getline(std::cin, line)) {
        std::string answer = commands.Run(line);
        std::printf("%s\n> ", answer.c_str());
        std::fflush(stdout);
        if (line == "quit") return;
      }
      standin::QuitMainThread();
    });
  }
  std::printf("kvel_host %u ready\n", options.uin);
  std::fflush(stdout);
  standin::RunMainLoop();

  control.Stop();
  gg.Disconnect();
  module.UnloadPlugin();
  if (console.joinable()) console.detach();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--opened")
    return standin::RecordOpened(argv[2], argv[3]);
  Options options = Parse(argc, argv);
  standin::Host host(options.profile);
  host.OfferLogService(options.offerLog);
  standin::PluginModule module;
  std::string error;
  if (!module.Load(options.pluginPath, &error)) {
    std::fprintf(stderr, "kvel_host: %s\n", error.c_str());
    return 1;
  }
  int result = 0;
  if (options.report || (options.serverPort == 0 && options.controlPort == 0 && !options.console)) {
    std::printf("loaded %s with profile %s\n", options.pluginPath.c_str(), options.profile.c_str());
    module.LoadPlugin(host.Link());
    std::printf("%s", standin::RegistrationReport(module, host).c_str());
    host.ClearCalls();
    module.UnloadPlugin();
    std::printf("unloaded; service calls of UnloadPlugin\n%s",
                standin::CallReport(host.Calls()).c_str());
  } else {
    result = RunSession(options, host, module);
  }
  module.Unload();
  std::fflush(stdout);
  // The plug-in's threads may still hold the module; end the process here.
  ExitProcess(static_cast<UINT>(result));
}

// Two (or more) stand-in hosts under Wine, each a kvel_host.exe process with
// kvel.tpl loaded, logged in to an in-process stand-in GG server, driven
// through their control connections.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gg_server.h"
#include "wait_until.h"

namespace kvel::e2e {

// Writes `text` to `path`.
void WriteText(const std::string& path, const std::string& text);

// How many times `part` occurs in `text` (a command's answer).
size_t CountOf(const std::string& text, const std::string& part);

// A free TCP port on 127.0.0.1 (bound and released at once).
uint16_t FreePort();

class HostProcess {
 public:
  struct Config {
    uint32_t uin = 0;
    uint16_t localPort = 0;
    std::vector<std::pair<uint32_t, std::string>> contacts;  // uin, display name
    std::string extraConfig;                                 // lines appended to kvel.config
    bool recordOpens = false;  // the host records the files the desktop is asked to open
  };
  HostProcess(const std::string& profile, uint16_t serverPort, const Config& config);
  ~HostProcess();  // "quit", then waits for the process

  bool Started() const { return process_ != nullptr; }
  // Sends one command line; returns the answer without the final ".".
  std::string Command(const std::string& line);
  // Repeats `line` until its answer contains `expected` or `ms` pass.
  bool WaitFor(const std::string& line, const std::string& expected, int ms = 20000);
  const std::string& Profile() const { return profile_; }
  const Config& Settings() const { return config_; }
  HANDLE Process() const { return process_; }
  void Quit();

 private:
  std::string profile_;
  Config config_;
  uint16_t controlPort_ = 0;
  HANDLE process_ = nullptr;
};

class World {
 public:
  // The hosts' profiles go under `directory` (ending in a separator); a
  // fresh folder under the temporary directory when empty.
  explicit World(std::string directory = "");
  ~World();
  standin::GGServer& Server() { return server_; }
  // Starts a host with its own profile directory under the world's scratch
  // and returns once the server has read its login (or a limit passed).
  HostProcess& AddHost(const HostProcess::Config& config);
  // The world's folder, ending in a separator.
  const std::string& Scratch() const { return directory_; }

 private:
  std::string directory_;
  bool ownDirectory_ = false;
  standin::GGServer server_;
  std::vector<std::unique_ptr<HostProcess>> hosts_;
};

}  // namespace kvel::e2e

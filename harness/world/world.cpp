#include "world.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/sockets.h"
#include "platform/threads/threads.h"
#include "virtual_desktop.h"
#include "wait_until.h"

namespace kvel::e2e {
namespace {

std::string ProgramDirectory() {
  char buffer[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path = buffer;
  return path.substr(0, path.find_last_of("\\/") + 1);
}

}  // namespace

uint16_t FreePort() {
  platform::StartSocketLibrary(nullptr);
  platform::Socket s = platform::CreateTcpSocket();
  platform::BindSocket(s, platform::InetAddr("127.0.0.1"), 0);
  uint16_t port = platform::LocalPort(s);
  platform::CloseSocket(s);
  return port;
}

HostProcess::HostProcess(const std::string& profile, uint16_t serverPort, const Config& config)
    : profile_(profile), config_(config), controlPort_(FreePort()) {
  CreateDirectoryA(profile_.c_str(), nullptr);
  WriteText(profile_ + "kvel.config",
            "[p2p]\r\nlocal-port=" + std::to_string(config.localPort) +
                "\r\nextern-ip=127.0.0.1\r\nextern-port=" + std::to_string(config.localPort) +
                "\r\nupnp=0\r\n" + config.extraConfig);
  // No separator before the closing quote: \" would escape it.
  std::string directory = profile_.substr(0, profile_.size() - 1);
  std::string command = "\"";
  command += ProgramDirectory();
  command += "kvel_host.exe\" --profile \"";
  command += directory;
  command += "\" --server " + std::to_string(serverPort);
  command += " --uin " + std::to_string(config.uin);
  command += " --control " + std::to_string(controlPort_);
  if (config.recordOpens) command += " --record-opens";
  for (const auto& [uin, name] : config.contacts) {
    command += " --contact \"" + std::to_string(uin) + ":" + name + "\"";
  }
  // Every thread of the host, the plug-in's included, on one Wine virtual
  // desktop: windows get frames and show at once, and the UI driver finds
  // the dialogs of all of them.
  static const bool desktop = standin::RegisterVirtualDesktop("kvel");
  (void)desktop;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  char desktopName[] = "kvel";
  startup.lpDesktop = desktopName;
  PROCESS_INFORMATION info = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  // Wine now and then fails a process start while an earlier host of the
  // same prefix is still going away: a few tries, then the error.
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(500);
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info) != 0;
  }
  if (!started) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", command.c_str(), GetLastError());
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  // The first Wine process on a cold virtual desktop can take long to start.
  if (!WaitFor("status", "connected=1", 120000)) {
    std::fprintf(stderr, "host %u did not log in\n", config.uin);
  }
}

HostProcess::~HostProcess() {
  Quit();
}

void HostProcess::Quit() {
  if (process_ == nullptr) return;
  Command("quit");
  if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
  CloseHandle(process_);
  process_ = nullptr;
}

std::string HostProcess::Command(const std::string& line) {
  platform::Socket s = platform::CreateTcpSocket();
  if (!platform::ConnectSocket(s, platform::InetAddr("127.0.0.1"), controlPort_)) {
    platform::CloseSocket(s);
    return "error no control connection";
  }
  std::string request = line + "\n";
  platform::SendSome(s, request.data(), static_cast<int>(request.size()));
  std::string answer;
  char buffer[4096];
  while (answer.size() < 3 || answer.compare(answer.size() - 3, 3, "\n.\n") != 0) {
    int n = platform::ReceiveSome(s, buffer, sizeof buffer);
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  platform::CloseSocket(s);
  if (answer.size() >= 3) answer.resize(answer.size() - 3);
  return answer;
}

bool HostProcess::WaitFor(const std::string& line, const std::string& expected, int ms) {
  return WaitUntil([&] { return Command(line).find(expected) != std::string::npos; }, ms, 100);
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

World::World(std::string directory) : directory_(std::move(directory)) {
  platform::StartSocketLibrary(nullptr);
  if (directory_.empty()) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    directory_ = std::string(temp) + "kvel-world-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(counter++) + "\\";
    ownDirectory_ = true;
  }
  CreateDirectoryA(directory_.c_str(), nullptr);
  if (!server_.Start()) std::fprintf(stderr, "the GG server cannot listen\n");
}

World::~World() {
  for (auto& host : hosts_) host->Quit();
  hosts_.clear();
  server_.Stop();
  if (ownDirectory_) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
}

HostProcess& World::AddHost(const HostProcess::Config& config) {
  std::string profile = directory_ + "host" + std::to_string(config.uin) + "\\";
  hosts_.push_back(std::make_unique<HostProcess>(profile, server_.Port(), config));
  HostProcess& host = *hosts_.back();
  // Connected is not yet logged in: wait until the server has read the login.
  WaitUntil(
      [&] {
        if (!host.Started()) return true;
        for (const standin::gg::Login& login : server_.Logins()) {
          if (login.uin == config.uin) return true;
        }
        return false;
      },
      20000);
  return host;
}

}  // namespace kvel::e2e

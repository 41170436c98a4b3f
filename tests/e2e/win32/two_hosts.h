// Two stand-in hosts, A (1001) and B (1002), each listing the other, in a
// world of their own: what the end-to-end tests of files start from.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "world.h"

namespace kvel::e2e {

inline constexpr uint32_t kA = 1001, kB = 1002;

class TwoHosts : public ::testing::Test {
 protected:
  // `reportAB` is the port A is told for B, `reportBA` the one B is told
  // for A (-1 keeps the host's own); `configB` goes into B's kvel.config.
  // Hosts started before, in a world of their own, quit first.
  void StartHosts(int reportAB = -1, int reportBA = -1, const std::string& configB = "") {
    if (a_ != nullptr) world_ = std::make_unique<World>();
    a_ = b_ = nullptr;
    if (reportAB >= 0) world_->Server().SetReportedPort(kA, kB, static_cast<uint16_t>(reportAB));
    if (reportBA >= 0) world_->Server().SetReportedPort(kB, kA, static_cast<uint16_t>(reportBA));
    a_ = &world_->AddHost({kA, FreePort(), {{kB, "Bolek"}}, ""});
    b_ = &world_->AddHost({kB, FreePort(), {{kA, "Alek"}}, configB, !configB.empty()});
    ASSERT_TRUE(a_->Started() && b_->Started());
    ASSERT_TRUE(a_->WaitFor("contacts", "icon=")) << a_->Command("contacts");
  }
  std::string Path(const std::string& name) { return world_->Scratch() + name; }
  bool NoTransfers(HostProcess& host) { return host.WaitFor("rows", "ok rows 0"); }
  // A sends `source` through its contact menu.
  void Send(const std::string& source) {
    a_->Command("open \"" + source + "\"");
    ASSERT_NE(a_->Command("click kvel/send 1002").find("ok clicked"), std::string::npos);
  }
  // What both hosts saw, for a failure's message.
  std::string Seen() {
    std::string out;
    for (HostProcess* host : {a_, b_}) {
      if (host == nullptr) continue;
      for (const char* line : {"dialogs", "rows", "windows", "log"})
        out += "\n" + std::to_string(host->Settings().uin) + "> " + host->Command(line);
    }
    return out;
  }

  std::unique_ptr<World> world_ = std::make_unique<World>();
  HostProcess* a_ = nullptr;
  HostProcess* b_ = nullptr;
};

}  // namespace kvel::e2e

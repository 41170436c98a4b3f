// The transfer window's operations as connection threads call them: the
// object over its table, the stop button's effect on a socket, and the
// process-wide window going while calls are under way. (Where no dialog
// can be made, natively or without the module's resources, the table
// works on its own.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "message_pump.h"
#include "platform/threads.h"
#include "support/loopback.h"
#include "ui/progress_win.h"
#include "ui/window_holder.h"

namespace kvel::ui {
namespace {

using platform::Socket;

// The stop button shuts a listed socket down without closing it: a read
// blocked on it returns, and the connection thread still owns the handle.
TEST(ProgressWinObject, StopWakesTheTransferButLeavesTheCloseToIt) {
  testing::LoopbackServer server;
  Socket peer = testing::ConnectLoopback(server.Port());
  Socket transfer = server.Accept();
  ASSERT_NE(transfer, platform::kInvalidSocket);
  ProgressWin window([] { return 0u; }, nullptr);
  EXPECT_FALSE(window.StopTransfer(transfer));  // not listed: untouched
  window.AddTransfer(transfer, 1, transfers::Receive, "1");
  std::atomic<int> result{1};
  std::thread reader([&] {
    uint8_t byte;
    result = platform::ReceiveSome(transfer, &byte, 1);
  });
  platform::SleepMilliseconds(50);  // let the read block
  EXPECT_TRUE(window.StopTransfer(transfer));
  reader.join();
  EXPECT_LE(result, 0);
  EXPECT_NE(platform::LocalPort(transfer), 0);  // still open
  // The peer sees the transfer end.
  EXPECT_TRUE(testing::ReadUntilClosed(peer).empty());
  window.RemoveTransfer(transfer);
  EXPECT_FALSE(window.StopTransfer(transfer));
  platform::CloseSocket(transfer);
  platform::CloseSocket(peer);
}

// Connection threads keep calling while the window is made and destroyed
// again and again (run under ThreadSanitizer natively).
TEST(ProcessProgressWin, GoesSafelyWhileCallsAreUnderWay) {
  WindowHolder holder;
  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&done, &holder, t] {
      const Socket socket = 100 + t;
      while (!done) {
        holder.AddTransfer(socket, 7, t % 2 ? transfers::Send : transfers::Receive, "7");
        holder.SetTransferFile(socket, "C:\\f", 1000, 0);
        holder.AddProgress(socket, 10);
        holder.RemoveTransfer(socket);
        platform::SleepMilliseconds(10);  // a transfer reports a few times a second
      }
    });
  }
  for (int round = 0; round < 20; ++round) {
    holder.Create(nullptr);
    EXPECT_TRUE(holder.Exists());
    standin::PumpMessages(5);
    holder.Destroy();
    EXPECT_FALSE(holder.Exists());
  }
  done = true;
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace kvel::ui

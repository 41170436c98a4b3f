// The transfer window as an observer of the transfers registry, on a screen
// the test reads: the test drives the ticks that the dialog's timer and
// posted messages drive in the product.
#include "ui/transfer_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/loopback_pair.h"

namespace kvel::ui {
namespace {

using transfers::Receive;
using transfers::Send;
using transfers::TransferHandle;
using transfers::TransferId;
using transfers::TransferOutcome;
using transfers::TransferRegistry;

// What the window did to its screen. Wake may come from any thread.
class FakeScreen final : public Screen {
 public:
  struct Shown {
    std::vector<TransferId> rows;  // top first
    std::vector<TransferId> redrawn;
    bool visible = false;
    bool ticking = false;
    int shows = 0;
  };

  explicit FakeScreen(std::shared_ptr<Shown> shown, std::shared_ptr<std::atomic<int>> wakes)
      : shown_(std::move(shown)), wakes_(std::move(wakes)) {}
  void InsertRow(TransferId id, transfers::TransferDirection) override {
    shown_->rows.insert(shown_->rows.begin(), id);
  }
  void DeleteRow(TransferId id) override {
    shown_->rows.erase(std::remove(shown_->rows.begin(), shown_->rows.end(), id),
                       shown_->rows.end());
  }
  void RedrawRow(TransferId id) override { shown_->redrawn.push_back(id); }
  void Show() override {
    shown_->visible = true;
    ++shown_->shows;
  }
  void Hide() override { shown_->visible = false; }
  void StartTicks() override { shown_->ticking = true; }
  void StopTicks() override { shown_->ticking = false; }
  void Wake() override { ++*wakes_; }

 private:
  std::shared_ptr<Shown> shown_;
  std::shared_ptr<std::atomic<int>> wakes_;
};

// What the window asked the platform to open: "open PATH", "folder PATH".
class FakeOpener final : public FileOpener {
 public:
  explicit FakeOpener(std::shared_ptr<std::vector<std::string>> asked) : asked_(std::move(asked)) {}
  void Open(const std::string& path) override { asked_->push_back("open " + path); }
  void ShowInFolder(const std::string& path) override { asked_->push_back("folder " + path); }

 private:
  std::shared_ptr<std::vector<std::string>> asked_;
};

class TransferWindowTicks : public ::testing::Test {
 protected:
  TransferWindowTicks()
      : window_(registry_, std::make_unique<FakeScreen>(shown_, wakes_),
                std::make_unique<FakeOpener>(opened_)) {}

  // The cells of the row of `id`, as the list view would ask for them.
  std::vector<std::string> Cells(TransferId id) const {
    const TransferWindow::Row* row = window_.FindRow(id);
    if (row == nullptr) return {};
    std::vector<std::string> cells;
    for (int column = 0; column < kColumnCount; ++column) {
      const std::string* text = row->texts.Of(static_cast<Column>(column));
      cells.push_back(text ? *text : "");
    }
    return cells;
  }
  TransferHandle Agreed(uint32_t uin, const std::string& contact,
                        transfers::TransferDirection direction) {
    TransferHandle transfer = registry_.Begin(uin, direction);
    transfer.Agree(uin, contact, direction);
    return transfer;
  }
  void Advance(uint32_t ms) { *now_ += ms; }

  std::shared_ptr<std::atomic<uint32_t>> now_ = std::make_shared<std::atomic<uint32_t>>(1000);
  TransferRegistry registry_{[now = now_] { return now->load(); }};
  std::shared_ptr<FakeScreen::Shown> shown_ = std::make_shared<FakeScreen::Shown>();
  std::shared_ptr<std::atomic<int>> wakes_ = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<std::vector<std::string>> opened_ = std::make_shared<std::vector<std::string>>();
  TransferWindow window_;
};

// A hidden window shows itself for a new transfer, once agreed (a connection
// still handshaking shows nothing), and again when the user closed it; the
// last end hides it. Newest at the top.
TEST_F(TransferWindowTicks, ANewTransferShowsTheWindowAndTheLastEndHidesIt) {
  window_.Tick();  // the wake it asked for as it was made
  EXPECT_FALSE(shown_->visible);
  EXPECT_FALSE(shown_->ticking);
  const int wakes = *wakes_;
  TransferHandle first = registry_.Begin(1001, Receive);
  EXPECT_EQ(*wakes_, wakes);
  first.Agree(1001, "Ala", Receive);
  EXPECT_EQ(*wakes_, wakes + 1);  // posted: the window's thread ticks now
  window_.Tick();
  EXPECT_TRUE(shown_->visible);
  EXPECT_TRUE(shown_->ticking);
  shown_->visible = false;  // the close box
  window_.Tick();
  EXPECT_FALSE(shown_->visible);  // ticks alone do not show it again
  TransferHandle second = Agreed(2, "2", Send);
  window_.Tick();
  EXPECT_TRUE(shown_->visible);
  EXPECT_EQ(shown_->shows, 2);
  EXPECT_EQ(shown_->rows, (std::vector<TransferId>{second.Id(), first.Id()}));

  first.End(TransferOutcome::Stopped);
  window_.Tick();
  EXPECT_EQ(shown_->rows, std::vector<TransferId>{second.Id()});
  EXPECT_TRUE(shown_->visible);
  EXPECT_TRUE(shown_->ticking);
  second.End(TransferOutcome::Failed);
  window_.Tick();
  EXPECT_TRUE(shown_->rows.empty());
  EXPECT_FALSE(shown_->visible);
  EXPECT_FALSE(shown_->ticking);
  EXPECT_EQ(window_.FindRow(second.Id()), nullptr);
}

// A file received whole, asked or taken without the question, stays in the
// window for a few seconds, marked as received, and meanwhile opens on
// request, a program only in its folder; any other end takes its row at
// once, and a row offers nothing before its end, nor opens by itself.
TEST_F(TransferWindowTicks, AReceivedFileStaysAFewSecondsAndOpensOnRequest) {
  using Action = TransferWindow::Action;
  const struct Case {
    const char* name;
    bool taken;
    TransferOutcome outcome;
    const char* path;
    const char* opened;  // what its Open asks; null: the row goes at once
  } cases[] = {
      {"TakenAndWhole", true, TransferOutcome::Done, "C:\\in\\a.txt", "open C:\\in\\a.txt"},
      {"TakenAndFailed", true, TransferOutcome::Failed, "C:\\in\\a.txt", nullptr},
      {"TakenAndStopped", true, TransferOutcome::Stopped, "C:\\in\\a.txt", nullptr},
      {"AskedAndWhole", false, TransferOutcome::Done, "C:\\in\\a.txt", "open C:\\in\\a.txt"},
      {"AProgram", false, TransferOutcome::Done, "C:\\in\\setup.EXE", "folder C:\\in\\setup.EXE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    opened_->clear();
    TransferHandle transfer = Agreed(1001, "Ala", Receive);
    if (c.taken) transfer.TakeWithoutAsking();
    transfer.NameFile(c.path);
    transfer.StartMoving(2048, 0);
    transfer.Moved(2048);
    window_.Tick();
    const TransferId id = transfer.Id();
    EXPECT_TRUE(window_.ActionsOf(id).empty());
    window_.Act(id, Action::Open);
    transfer.End(c.outcome);
    window_.Tick();
    if (c.opened == nullptr) {
      EXPECT_TRUE(shown_->rows.empty());
      EXPECT_FALSE(shown_->visible);
      EXPECT_TRUE(window_.ActionsOf(id).empty());
      EXPECT_TRUE(opened_->empty());
      continue;
    }
    EXPECT_EQ(shown_->rows, std::vector<TransferId>{id});
    EXPECT_EQ(Cells(id),
              (std::vector<std::string>{"Ala", c.path, "100", "", "2.00KB", "odebrano", "\x96"}));
    EXPECT_TRUE(opened_->empty());
    EXPECT_EQ(window_.ActionsOf(id), (std::vector<Action>{Action::Open, Action::ShowInFolder}));
    window_.Act(id, Action::Open);
    window_.Act(id, Action::ShowInFolder);
    EXPECT_EQ(*opened_, (std::vector<std::string>{c.opened, std::string("folder ") + c.path}));
    EXPECT_TRUE(shown_->ticking);        // so that it goes without another wake
    Advance(transfers::kReceivedRowMs);  // (to the millisecond: TransferRegistry)
    window_.Tick();
    EXPECT_TRUE(shown_->rows.empty());
    EXPECT_FALSE(shown_->visible);
    EXPECT_FALSE(shown_->ticking);
    window_.Act(id, Action::Open);
    EXPECT_EQ(opened_->size(), 2u);
  }
}

// The user's send shows at its click, waiting for a connection; when the
// connection comes the same row goes on, repainted, never a second one.
TEST_F(TransferWindowTicks, AWaitingSendShowsAtOnceAndItsRowGoesOn) {
  TransferHandle send = registry_.Begin(7, Send);
  send.Await(transfers::Awaits::Connection, "Bolek");
  window_.Tick();
  EXPECT_TRUE(shown_->visible);
  EXPECT_EQ(shown_->rows, std::vector<TransferId>{send.Id()});
  EXPECT_EQ(Cells(send.Id()), (std::vector<std::string>{"Bolek", "-", "0", "", "0.00KB",
                                                        "czeka na po\xB3\xB9"
                                                        "czenie",
                                                        "\x96"}));
  shown_->redrawn.clear();
  send.Agree(7, "Bolek", Send);
  window_.Tick();
  EXPECT_EQ(shown_->rows, std::vector<TransferId>{send.Id()});
  EXPECT_EQ(shown_->shows, 1);
  EXPECT_EQ(shown_->redrawn, std::vector<TransferId>{send.Id()});
  EXPECT_EQ(Cells(send.Id())[5], "0.00KB/s");
}

// Two chunks of a 12,000-byte file, then a pause: the next tick shows them,
// whether or not more data comes.
TEST_F(TransferWindowTicks, AfterAPauseTheRowIsAtMostOneTickBehind) {
  TransferHandle transfer = Agreed(7, "7", Receive);
  window_.Tick();
  transfer.NameFile("C:\\odebrane\\a.bin");
  transfer.StartMoving(12'000, 0);
  transfer.Moved(4096);
  transfer.Moved(4096);
  Advance(TransferWindow::kTickMs);
  window_.Tick();
  EXPECT_EQ(Cells(transfer.Id()), (std::vector<std::string>{"7", "C:\\odebrane\\a.bin", "68", "",
                                                            "11.72KB", "0.00KB/s", "\x96"}));
  EXPECT_EQ(window_.FindRow(transfer.Id())->transfer.Done(), 8192);  // the bar
  // No more data: ticks show the same bytes, and redraw only what changed.
  shown_->redrawn.clear();
  for (int tick = 0; tick < 3; ++tick) {
    Advance(TransferWindow::kTickMs);
    window_.Tick();
    EXPECT_EQ(Cells(transfer.Id())[2], "68");
  }
  EXPECT_TRUE(shown_->redrawn.empty());
  transfer.Moved(3808);
  window_.Tick();
  EXPECT_EQ(Cells(transfer.Id())[2], "100");
  EXPECT_EQ(shown_->redrawn, std::vector<TransferId>{transfer.Id()});
}

// The time left follows the speed: it grows as a stall pulls the speed down,
// and is unknown once the speed is 0.
TEST_F(TransferWindowTicks, AStallShowsAFallingSpeedDownToNothing) {
  TransferHandle transfer = Agreed(7, "7", Send);
  transfer.StartMoving(100 << 20, 0);
  const int speed = static_cast<int>(Column::Speed);
  const int timeLeft = static_cast<int>(Column::TimeLeft);
  // 1000 KiB/s for two seconds, at the window's ticks; the first second's
  // speed is not shown, nor the time left.
  for (int tick = 0; tick < 8; ++tick) {
    window_.Tick();
    if (tick < 4) {
      EXPECT_EQ(Cells(transfer.Id())[timeLeft], "\x96") << tick;
    }
    transfer.Moved(256'000);
    Advance(TransferWindow::kTickMs);
  }
  window_.Tick();
  EXPECT_EQ(Cells(transfer.Id())[speed], "1000.00KB/s");
  // 102,809,600 bytes left at 1,024,000 a second.
  EXPECT_EQ(Cells(transfer.Id())[timeLeft], "1 min 41 s");
  // Then nothing comes: the speed falls at every tick (by how much:
  // SpeedMeter.AStallShowsAFallingSpeedDownToNothing), each tick repaints the
  // row, and the time left grows until it is unknown.
  shown_->redrawn.clear();
  std::string speedShown = Cells(transfer.Id())[speed];
  int ticks = 0;
  for (; speedShown != "0.00KB/s" && ticks < 20; ++ticks) {
    Advance(TransferWindow::kTickMs);
    window_.Tick();
    EXPECT_LT(std::stod(Cells(transfer.Id())[speed]), std::stod(speedShown)) << ticks;
    speedShown = Cells(transfer.Id())[speed];
  }
  EXPECT_EQ(speedShown, "0.00KB/s");
  EXPECT_EQ(Cells(transfer.Id())[timeLeft], "\x96");
  EXPECT_EQ(shown_->redrawn.size(), static_cast<size_t>(ticks));
}

// The stop button asks the registry (which shuts the socket down), and the
// row stays until its connection thread has ended the transfer.
TEST_F(TransferWindowTicks, StopAsksTheRegistryAndTheRowGoesWithTheTransfer) {
  TransferHandle transfer = Agreed(1, "1", Receive);
  window_.Tick();
  window_.StopRow(transfer.Id());
  EXPECT_TRUE(transfer.Read().stopped);
  window_.Tick();
  EXPECT_NE(window_.FindRow(transfer.Id()), nullptr);
  transfer.End(TransferOutcome::Stopped);
  window_.Tick();
  EXPECT_EQ(window_.FindRow(transfer.Id()), nullptr);
  window_.StopRow(transfer.Id());  // gone: nothing happens
}

TEST_F(TransferWindowTicks, TransfersListedBeforeTheWindowShowAtItsFirstTick) {
  TransferHandle early = Agreed(3, "3", Send);
  auto shown = std::make_shared<FakeScreen::Shown>();
  auto wakes = std::make_shared<std::atomic<int>>(0);
  TransferWindow late(registry_, std::make_unique<FakeScreen>(shown, wakes),
                      std::make_unique<FakeOpener>(opened_));
  EXPECT_EQ(*wakes, 1);
  late.Tick();
  EXPECT_EQ(shown->rows, std::vector<TransferId>{early.Id()});
  EXPECT_TRUE(shown->visible);
}

// Connection threads keep going while windows are made, ticked and
// destroyed again and again; run under ThreadSanitizer natively.
TEST(TransferWindowLifetime, WindowsComeAndGoWhileTransfersRun) {
  TransferRegistry registry(&platform::TickCount);
  std::atomic<bool> done{false};
  std::vector<testing::BoundedThread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back("transfers", [&done, &registry, t] {
      while (!done) {
        TransferHandle transfer = registry.Begin(7, Receive);
        transfer.Agree(7, "7", t % 2 ? Send : Receive);
        transfer.StartMoving(1000, 0);
        transfer.Moved(10);
        transfer.End(TransferOutcome::Done);
      }
    });
  }
  for (int round = 0; round < 50; ++round) {
    auto shown = std::make_shared<FakeScreen::Shown>();
    auto wakes = std::make_shared<std::atomic<int>>(0);
    auto opened = std::make_shared<std::vector<std::string>>();
    TransferWindow window(registry, std::make_unique<FakeScreen>(shown, wakes),
                          std::make_unique<FakeOpener>(opened));
    for (int tick = 0; tick < 5; ++tick) window.Tick();
    // The running ones, and those received whole shown a while.
    EXPECT_LE(shown->rows.size(), 4u + transfers::kMaxReceivedRows);
  }
  done = true;
  for (testing::BoundedThread& thread : threads) thread.Join();
}

}  // namespace
}  // namespace kvel::ui

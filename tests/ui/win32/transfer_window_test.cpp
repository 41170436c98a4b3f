// The transfer window as a person sees it, under Wine: rows of running
// transfers read back from the list view, the painted bars checked from the
// screen's pixels, the close box and the stop button. Connection threads run
// real handshakes over loopback sockets and keep their transfers in a
// registry that the window, on the test's thread, observes; the test pumps
// its messages (the window's ticks among them) while it waits.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "message_pump.h"
#include "p2p/connection/connection_services.h"
#include "platform/threads/threads.h"
#include "plugin_module.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/loopback.h"
#include "support/test_paths.h"
#include "transfer_window_driver.h"
#include "transfers/registry/transfer_registry.h"
#include "ui/row_texts.h"
#include "ui/transfer_window.h"
#include "virtual_desktop.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;
using standin::Image;
using standin::Rgb;
using standin::TransferWindowDriver;

const uint32_t kSendColour = Rgb(0, 140, 0);
const uint32_t kReceiveColour = Rgb(180, 0, 0);
const uint32_t kWhite = Rgb(255, 255, 255);
// "–": the time left is not known.
const char* const kNoTimeLeft = "\x96";
// The widest time left the column shows.
const char* const kWidestTimeLeft = "999 h 59 min";
// Room a list view leaves around a cell's text.
constexpr int kCellMargins = 12;

std::string ScreenshotDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::filesystem::path directory = std::filesystem::path(path).parent_path() / "screenshots";
  std::filesystem::create_directories(directory);
  return directory.string();
}

class TransferWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Frames and captions are drawn only inside a virtual desktop.
    static const bool desktop = standin::EnterVirtualDesktop("kvel", 1024, 768);
    (void)desktop;
    // The dialog and its icons are resources of kvel.tpl.
    static standin::PluginModule module;
    if (!module.Loaded()) {
      std::string error;
      ASSERT_TRUE(module.Load(standin::DefaultPluginPath(), &error)) << error;
    }
    module_ = module.Handle();
    StartSockets();
  }

  void SetUp() override {
    window_ = std::make_unique<ui::TransferWindow>(*transfers_, module_);
    driver_ = TransferWindowDriver();
    ASSERT_TRUE(driver_.Found());
  }

  void TearDown() override {
    // End whatever still runs with the window's own stop button.
    for (int guard = 0; guard < 20 && driver_.RowCount() > 0; ++guard) {
      const int rows = driver_.RowCount();
      driver_.SelectRow(0);
      driver_.PressStop();
      if (!standin::PumpUntil([&] { return driver_.RowCount() < rows; }, 5000)) break;
    }
    for (const auto& probe : probes_) {
      EXPECT_TRUE(standin::PumpUntil([&] { return probe->Ended() >= probe->Started(); }));
    }
    for (Socket peer : peers_) platform::CloseSocket(peer);
    window_.reset();
  }

  // The probes' transfers all go to the registry the window observes.
  struct Probe : ConnectionProbe {
    explicit Probe(std::shared_ptr<transfers::TransferRegistry> transfers)
        : ConnectionProbe(p2p::kConnectionLimits, std::move(transfers)) {}
    int started = 0;
    int Started() const { return started; }
  };

  Probe& NewProbe() {
    probes_.push_back(std::make_unique<Probe>(transfers_));
    return *probes_.back();
  }

  // A transfer called in by a peer that the test plays: this side lists it
  // under `callerUin`, receiving for code 2 and sending for code 3. The
  // peer's socket is returned; the transfer holds until it ends.
  Socket IncomingTransfer(Probe& probe, uint32_t callerUin, uint32_t code) {
    ++probe.started;
    peers_.push_back(CallIn(probe, callerUin, 1, code));
    return peers_.back();
  }

  // Both ends in this process: a caller with number `callerUin` pushes to
  // `calledUin`, so one row sends and one receives.
  void TransferPair(uint32_t callerUin, uint32_t calledUin, Probe& caller, Probe& called) {
    caller.SetOwnUin(callerUin);
    caller.SetPeer({LoopbackAddress(), server_.Port()});
    ++caller.started;
    ASSERT_TRUE(p2p::StartOutgoing(calledUin, wire::kPushCode, caller.Services()));
    Socket accepted = server_.Accept();
    ASSERT_NE(accepted, platform::kInvalidSocket);
    ++called.started;
    p2p::StartIncoming(accepted, called.Services());
  }

  // A pair as TransferPair makes it, whose two transfers hold until they end.
  struct HeldPair {
    Probe& caller;
    Probe& called;
  };
  HeldPair StartHeldPair(uint32_t callerUin, uint32_t calledUin) {
    Probe& caller = NewProbe();
    Probe& called = NewProbe();
    caller.SetFileProcedure(HoldTransfer("C:\\a", 100, 10));
    called.SetFileProcedure(HoldTransfer("C:\\b", 100, 10));
    TransferPair(callerUin, calledUin, caller, called);
    return {caller, called};
  }

  bool WaitVisible(bool visible) {
    return standin::PumpUntil([&] { return driver_.Visible() == visible; });
  }

  bool WaitRows(int count) {
    return standin::PumpUntil([&] { return driver_.RowCount() == count; });
  }

  int RowOfImage(int image) {
    for (int row = 0; row < driver_.RowCount(); ++row)
      if (driver_.RowImage(row) == image) return row;
    return -1;
  }

  static inline void* module_ = nullptr;
  std::shared_ptr<transfers::TransferRegistry> transfers_ =
      std::make_shared<transfers::TransferRegistry>(&platform::TickCount);
  std::unique_ptr<ui::TransferWindow> window_;
  TransferWindowDriver driver_;
  LoopbackServer server_;
  std::vector<std::unique_ptr<Probe>> probes_;
  std::vector<Socket> peers_;
};

// A file procedure that names no file but waits for the end of the transfer.
bool WaitForEnd(p2p::PeerConnection& connection, transfers::TransferHandle&) {
  uint8_t byte;
  while (connection.Read(&byte, 1) > 0) {
  }
  return false;
}

TEST_F(TransferWindowTest, HiddenWithItsColumnsUntilATransferIsListed) {
  EXPECT_FALSE(driver_.Visible());
  EXPECT_EQ(driver_.RowCount(), 0);
  EXPECT_EQ(driver_.ColumnHeaders(),
            (std::vector<std::string>{"kontakt", "plik", "%", "", "rozmiar",
                                      "pr\xEA"
                                      "dko\x9C\xE6",
                                      "pozosta\xB3o"}));
  EXPECT_EQ(driver_.ColumnWidths(), (std::vector<int>{80, 200, 30, 100, 100, 120, 90}));
  standin::CellRect window = driver_.WindowRect();
  EXPECT_EQ(window.bottom - window.top, 191);
  // Wide enough for every column and a scroll bar beside them.
  EXPECT_TRUE(driver_.ColumnsFit());
  standin::CellRect list = driver_.ListClientRect();
  EXPECT_GE(list.right - list.left, 700 + GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_LT(window.right - window.left, 800);
  // The time left and its header read whole in their column.
  for (const char* text : {kWidestTimeLeft, "59 min 59 s", "pozosta\xB3o"})
    EXPECT_LE(driver_.TextWidth(text) + kCellMargins, 90) << text;
}

TEST_F(TransferWindowTest, NewTransfersAreListedAtTheTopWithNothingReportedYet) {
  // "Zenon Żółw", a listed contact, is shown by name; others by number.
  const std::string name =
      "Zenon \xAF"
      "\xF3\xB3w";
  Probe& probe = NewProbe();
  probe.NameContact(3003, name);
  probe.SetFileProcedure(&WaitForEnd);
  IncomingTransfer(probe, 1001, wire::kPushCode);
  ASSERT_TRUE(WaitRows(1));
  EXPECT_TRUE(WaitVisible(true));
  EXPECT_EQ(driver_.Rows()[0],
            (std::vector<std::string>{"1001", "-", "0", "", "0.00KB", "0.00KB/s", kNoTimeLeft}));
  EXPECT_EQ(driver_.RowImage(0), 0);  // receiving: the red arrow

  probe.ExpectCallBack(3003);
  IncomingTransfer(probe, 3003, wire::kPullCode);
  ASSERT_TRUE(WaitRows(2));
  std::vector<std::vector<std::string>> rows = driver_.Rows();
  EXPECT_EQ(rows[0][0], name);
  EXPECT_EQ(rows[1][0], "1001");
  EXPECT_EQ(driver_.RowImage(0), 1);  // sending: the green arrow
}

// The close box only hides the window (the last end hides it too:
// TransferWindowTicks.ANewTransferShowsTheWindowAndTheLastEndHidesIt).
TEST_F(TransferWindowTest, ClosedWindowIsShownAgainByTheNextTransfer) {
  Probe& probe = NewProbe();
  probe.SetFileProcedure(&WaitForEnd);
  Socket first = IncomingTransfer(probe, 1, wire::kPushCode);
  ASSERT_TRUE(WaitRows(1));
  ASSERT_TRUE(WaitVisible(true));
  driver_.PressClose();
  standin::PumpMessages(50);
  EXPECT_FALSE(driver_.Visible());
  EXPECT_EQ(driver_.RowCount(), 1);  // closing only hides

  IncomingTransfer(probe, 2, wire::kPushCode);
  ASSERT_TRUE(WaitRows(2));
  EXPECT_TRUE(WaitVisible(true));
  platform::ShutdownBoth(first);
  ASSERT_TRUE(WaitRows(1));
  EXPECT_TRUE(driver_.Visible());
}

TEST_F(TransferWindowTest, RowsAndBarsArePaintedInTheColourOfTheirDirection) {
  Probe& caller = NewProbe();
  Probe& called = NewProbe();
  caller.SetFileProcedure(HoldTransfer("C:\\pliki\\wyslany.zip", 4000, 1000));
  called.SetFileProcedure(
      HoldTransfer("C:\\odebrane\\plik.zip", 3 * (int64_t{1} << 30), int64_t{9} << 28));
  TransferPair(1111, 2222, caller, called);
  ASSERT_TRUE(WaitRows(2));
  const int sendRow = RowOfImage(1);
  const int receiveRow = RowOfImage(0);
  ASSERT_NE(sendRow, -1);
  ASSERT_NE(receiveRow, -1);
  // Each side names its file and counts its bytes: the next ticks show both.
  const std::vector<std::string> sendCells{
      "2222", "C:\\pliki\\wyslany.zip", "25", "", "3.91KB", "0.00KB/s", kNoTimeLeft};
  const std::vector<std::string> receiveCells{
      "1111", "C:\\odebrane\\plik.zip", "75", "", "3145728.00KB", "0.00KB/s", kNoTimeLeft};
  EXPECT_TRUE(standin::PumpUntil([&] {
    std::vector<std::vector<std::string>> rows = driver_.Rows();
    return rows.size() == 2 && rows[sendRow] == sendCells && rows[receiveRow] == receiveCells;
  }));
  std::vector<std::vector<std::string>> rows = driver_.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[sendRow], sendCells);
  EXPECT_EQ(rows[receiveRow], receiveCells);

  standin::PumpMessages(100);
  Image list = driver_.CaptureList();
  ASSERT_GT(list.width, 0);
  struct Expectation {
    int row;
    uint32_t colour;
    int64_t done, total;
  };
  for (const Expectation& e :
       {Expectation{sendRow, kSendColour, 1000, 4000},
        Expectation{receiveRow, kReceiveColour, int64_t{9} << 28, 3 * (int64_t{1} << 30)}}) {
    standin::CellRect cell = driver_.SubItemRect(e.row, 3);
    const int left = cell.left + 2;
    const int right = ui::BarRight(left, cell.right - 2, e.done, e.total);
    const int y = (cell.top + cell.bottom) / 2;
    ASSERT_LT(cell.right, list.width);
    EXPECT_EQ(list.At(left - 1, y), kWhite);
    EXPECT_EQ(list.At(left, y), e.colour) << e.row;
    EXPECT_EQ(list.At(right - 1, y), e.colour) << e.row;
    EXPECT_EQ(list.At(right, y), kWhite) << e.row;
    EXPECT_EQ(list.At(cell.right - 3, y), kWhite) << e.row;
    EXPECT_EQ(list.At(left, cell.top + 1), kWhite) << e.row;  // 2 pixels above the bar
    EXPECT_EQ(list.At(left, cell.top + 2), e.colour) << e.row;
    // The row's texts are drawn in the same colour.
    standin::CellRect file = driver_.SubItemRect(e.row, 1);
    int inColour = 0;
    for (int x = file.left; x < file.right; ++x)
      for (int yy = file.top; yy < file.bottom; ++yy) inColour += list.At(x, yy) == e.colour;
    EXPECT_GT(inColour, 10) << e.row;
  }
  EXPECT_TRUE(
      standin::WritePng(ScreenshotDirectory() + "\\transfer_window.png", driver_.CaptureWindow()));
}

// The stop button ends the selected transfer, on both sides; without a
// selection, nothing.
TEST_F(TransferWindowTest, StopEndsTheSelectedTransferOnBothSides) {
  for (int image : {0, 1}) {  // stop the receiving side, then the sending one
    auto [caller, called] = StartHeldPair(1, 2);
    ASSERT_TRUE(WaitRows(2));
    driver_.ClearSelection();
    driver_.PressStop();
    standin::PumpMessages(300);
    EXPECT_EQ(driver_.RowCount(), 2);
    EXPECT_EQ(caller.Ended() + called.Ended(), 0);
    driver_.SelectRow(RowOfImage(image));
    driver_.PressStop();
    EXPECT_TRUE(WaitRows(0)) << image;
    EXPECT_TRUE(standin::PumpUntil([&] { return caller.Ended() == 1 && called.Ended() == 1; }));
    EXPECT_TRUE(WaitVisible(false));
  }
}

// Rows come and go from many threads at once; each transfer's row is found
// and deleted in one step, so no row is left behind and none is taken away
// for another transfer.
TEST_F(TransferWindowTest, ManyTransfersEndingTogetherLeaveNoRow) {
  constexpr int kPairs = 5;
  for (int i = 0; i < kPairs; ++i) StartHeldPair(10 + i, 20 + i);
  ASSERT_TRUE(WaitRows(2 * kPairs));
  std::vector<transfers::TransferId> sending;
  for (int row = 0; row < driver_.RowCount(); ++row)
    if (driver_.RowImage(row) == 1)
      sending.push_back(static_cast<transfers::TransferId>(driver_.RowParam(row)));
  ASSERT_EQ(sending.size(), static_cast<size_t>(kPairs));
  // More rows than the list holds: its scroll bar shows beside every column.
  EXPECT_TRUE(driver_.ColumnsFit());
  for (transfers::TransferId id : sending) transfers_->Stop(id);  // as the stop button would
  EXPECT_TRUE(WaitRows(0));
  EXPECT_TRUE(WaitVisible(false));
}

TEST_F(TransferWindowTest, LayoutFollowsTheDialogsSize) {
  struct Size {
    int width, height;
  };
  for (Size size : {Size{622, 191}, Size{800, 400}, Size{300, 120}}) {
    SetWindowPos(static_cast<HWND>(driver_.Dialog()), nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER);
    standin::PumpMessages(20);
    standin::CellRect client = driver_.ClientRect();
    standin::CellRect list = driver_.ControlRect(1002);
    standin::CellRect button = driver_.ControlRect(1003);
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, 0);
    EXPECT_EQ(list.right, client.right);
    EXPECT_EQ(list.bottom, client.bottom - 30);
    EXPECT_EQ(button.left, 5);
    EXPECT_EQ(button.top, client.bottom - 25);
  }
}

}  // namespace
}  // namespace kvel::testing

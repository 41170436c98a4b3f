// The transfer window that the loaded kvel.tpl makes: created hidden by
// LoadPlugin from its own resources, destroyed by UnloadPlugin.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "message_pump.h"
#include "support/bounded_wait.h"
#include "support/plugin_fixture.h"
#include "transfer_window_driver.h"
#include "virtual_desktop.h"

namespace kvel::testing {
namespace {

TEST(PluginWindow, LoadPluginMakesItHiddenAndUnloadPluginDestroysIt) {
  standin::EnterVirtualDesktop();
  EXPECT_FALSE(standin::TransferWindowDriver().Found());
  LoadedPlugin plugin;
  standin::TransferWindowDriver driver;
  ASSERT_TRUE(driver.Found());
  EXPECT_FALSE(driver.Visible());
  EXPECT_EQ(driver.ColumnHeaders().size(), 7u);
  EXPECT_TRUE(driver.ColumnsFit());
  char caption[32] = {};
  GetDlgItemTextA(static_cast<HWND>(driver.Dialog()), 1003, caption, sizeof caption);
  EXPECT_STREQ(caption, "Przerwij");
  // Both arrows, 10 x 10, in the small image list.
  auto images = reinterpret_cast<HIMAGELIST>(
      SendMessageA(static_cast<HWND>(driver.List()), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 2);
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  EXPECT_EQ(width, 10);
  EXPECT_EQ(height, 10);
  // The grid and full-row selection of the list view.
  const LRESULT style =
      SendMessageA(static_cast<HWND>(driver.List()), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(style & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

  // The driver works from a thread of its own while the window's thread pumps.
  std::atomic<bool> done{false};
  std::vector<std::string> headers;
  testing::BoundedThread reader("the driver reading the column headers", [&] {
    standin::EnterVirtualDesktop();  // where the window is
    standin::TransferWindowDriver fromThread;
    headers = fromThread.ColumnHeaders();
    done = true;
  });
  EXPECT_TRUE(standin::PumpUntil([&] { return done.load(); }));
  reader.Join();
  EXPECT_EQ(headers, driver.ColumnHeaders());

  plugin.Stop();
  EXPECT_FALSE(standin::TransferWindowDriver().Found());
  EXPECT_FALSE(IsWindow(static_cast<HWND>(driver.Dialog())));
}

}  // namespace
}  // namespace kvel::testing

// The frame through the plug-in's entry points: information record, the
// service calls of LoadPlugin and UnloadPlugin in their order, and the data
// directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/record_as.h"
#include "support/plugin_fixture.h"
#include "wait_until.h"

namespace kvel::testing {
namespace {

using host::Param;

TEST(PluginInfo, IsReadyBeforeLoadPlugin) {
  LoadedPlugin plugin(/*start=*/false);
  const host::PluginInfo* info = plugin.Module().GetPluginInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->size, sizeof(host::PluginInfo));
  EXPECT_STREQ(info->name, "kvel");
  EXPECT_EQ(info->pluginVersion, 0x10501u);
  EXPECT_EQ(info->interfaceVersion, 0x101u);
  ASSERT_NE(info->empty, nullptr);
  EXPECT_STREQ(info->empty, "");
  for (uint32_t word : info->reserved36) EXPECT_EQ(word, 0u);
  EXPECT_TRUE(plugin.Host().Calls().empty());
}

// The profile, the hook of GG owned by the module, and each menu item with
// the element class's menu callback after it, whether or not the plug-in's
// directory is there already; the directory is made.
TEST(LoadPlugin, CallsTheHostInItsOrderWithItsRecords) {
  for (const bool existed : {false, true}) {
    SCOPED_TRACE(existed ? "the directory existed" : "no directory yet");
    LoadedPlugin plugin(/*start=*/false);
    if (existed) std::filesystem::create_directory(plugin.Profile() + "kvel");
    plugin.Start();
    EXPECT_EQ(plugin.Host().CallNames(),
              (std::vector<std::string>{"Tlen/GetProcAddress", "Tlen/ProtocolHookEvent",
                                        "Tlen/AddMenuItem", "Tlen/AddMenuCallBack",
                                        "Tlen/AddMenuItem", "Tlen/AddMenuCallBack"}));
    EXPECT_TRUE(FileExists(plugin.Profile() + "kvel"));
    const std::vector<standin::ServiceCall> calls = plugin.Host().Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].wparam, host::kProfileProc);
    const auto hook = As<host::HookRecord>(calls[1].record);
    EXPECT_STREQ(hook.protocol, "GG");
    EXPECT_EQ(hook.owner, plugin.Module().Handle());
    ASSERT_EQ(plugin.Host().Hooks().size(), 1u);
    EXPECT_EQ(plugin.Host().Hooks()[0].protocol, "GG");
    for (size_t add : {3u, 5u}) {
      EXPECT_STREQ(reinterpret_cast<const char*>(calls[add].wparam), "Tlen/CL/Element");
      EXPECT_EQ(calls[add].lparam, calls[3].lparam);
      EXPECT_NE(calls[add].lparam, 0);
    }
    for (const standin::ServiceCall& call : calls)
      EXPECT_EQ(call.lparam == 0, call.service != "Tlen/AddMenuCallBack") << call.service;
  }
}

TEST(LoadPlugin, RegistersBothMenuItemsWithTheirRecords) {
  LoadedPlugin plugin;
  std::vector<standin::RegisteredMenuItem> items = plugin.Host().MenuItems();
  ASSERT_EQ(items.size(), 2u);
  struct Expected {
    const char* name;
    const char* caption;
    uint32_t id;
  } expected[] = {{"kvel/send", "Wy\x9Clij plik", 100100},
                  {"kvel/sendimage", "Wy\x9Clij obrazek", 100101}};
  std::vector<standin::ServiceCall> records;
  for (const standin::ServiceCall& call : plugin.Host().Calls()) {
    if (call.service == "Tlen/AddMenuItem") records.push_back(call);
  }
  ASSERT_EQ(records.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(items[i].name, expected[i].name);
    EXPECT_EQ(items[i].caption, expected[i].caption);
    EXPECT_EQ(items[i].menuClass, "Tlen/CL/Element");
    EXPECT_EQ(items[i].id, expected[i].id);
    EXPECT_NE(items[i].click, nullptr);
    const auto record = As<host::MenuItem>(records[i].record);
    EXPECT_EQ(record.size, sizeof(host::MenuItem));
    EXPECT_EQ(record.owner, plugin.Module().Handle());
    // Every field the plug-in does not set is zero.
    EXPECT_EQ(record.reserved8 | record.reserved72 | record.reserved80, 0u);
    for (uint32_t word : record.reserved20) EXPECT_EQ(word, 0u);
    for (uint32_t word : record.reserved32) EXPECT_EQ(word, 0u);
  }
  EXPECT_NE(items[0].click, items[1].click);
}

TEST(UnloadPlugin, RemovesCallbackOnceThenUnhooksWithTheSameHandle) {
  LoadedPlugin plugin;
  Param handle = plugin.Host().Hooks().at(0).handle;
  Param callback = 0;
  for (const standin::ServiceCall& call : plugin.Host().Calls()) {
    if (call.service == "Tlen/AddMenuCallBack") callback = call.lparam;
  }
  plugin.Host().ClearCalls();
  plugin.Stop();
  std::vector<standin::ServiceCall> calls = plugin.Host().Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].service, "Tlen/RemoveMenuCallBack");
  EXPECT_STREQ(reinterpret_cast<const char*>(calls[0].wparam), "Tlen/CL/Element");
  EXPECT_EQ(calls[0].lparam, callback);
  EXPECT_EQ(calls[1].service, "Tlen/ProtocolUnhookEvent");
  EXPECT_STREQ(reinterpret_cast<const char*>(calls[1].wparam), "GG");
  EXPECT_EQ(calls[1].lparam, handle);
  EXPECT_TRUE(plugin.Host().Hooks().empty());
  EXPECT_TRUE(plugin.Host().MenuCallbacks().empty());
}

// What an earlier run left in the plug-in's directory: parts of images
// nobody waits for go at once; the cache is verified off the host's thread,
// and a file that does not match its name goes too (which files match:
// CacheTrustTest).
TEST(LoadPlugin, SweepsStalePartsAndVerifiesTheCache) {
  LoadedPlugin plugin(/*start=*/false);
  std::filesystem::create_directory(plugin.Profile() + "kvel");
  const std::string folder = plugin.PluginDirectory();
  WriteFile(folder + "imgcache_7_3_9.part", "ab");
  WriteFile(folder + "imgcache_7_3_-1", "abc");  // the checksum of "abc" is another
  plugin.Start();
  EXPECT_FALSE(FileExists(folder + "imgcache_7_3_9.part"));
  EXPECT_TRUE(e2e::WaitUntil([&] { return FileExists(folder + "imgcache.verified"); }, 10000));
  EXPECT_FALSE(FileExists(folder + "imgcache_7_3_-1"));
}

TEST(LoadPluginWithoutProfile, RegistersEverythingAndWritesNothing) {
  const struct {
    const char* name;
    bool function;
    bool directory;
  } cases[] = {{"no function", false, true}, {"no directory", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedPlugin plugin(/*start=*/false);
    plugin.Host().SetProfileFunctionAvailable(c.function);
    plugin.Host().SetProfileDirectoryAvailable(c.directory);
    plugin.Start();
    EXPECT_EQ(plugin.Host().CallNames().size(), 6u);
    EXPECT_EQ(plugin.Host().MenuItems().size(), 2u);
    EXPECT_FALSE(FileExists(plugin.Profile() + "kvel"));
    EXPECT_FALSE(FileExists("kvel"));
  }
}

}  // namespace
}  // namespace kvel::testing

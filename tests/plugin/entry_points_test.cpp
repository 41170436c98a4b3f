// The frame through the plug-in's entry points: information record, the
// service calls of LoadPlugin and UnloadPlugin in their order, and the data
// directory.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/host_api.h"
#include "common/texts.h"
#include "support/plugin_fixture.h"

namespace kvel::testing {
namespace {

using host::Param;

constexpr bool k32Bit = sizeof(void*) == 4;

uint32_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

TEST(PluginInfo, IsReadyBeforeLoadPlugin) {
  LoadedPlugin plugin(/*start=*/false);
  const host::PluginInfo* info = plugin.Module().GetPluginInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->size, sizeof(host::PluginInfo));
  if (k32Bit) {
    EXPECT_EQ(info->size, 52u);
  }
  EXPECT_STREQ(info->name, "kvel");
  EXPECT_EQ(info->pluginVersion, 0x10501u);
  EXPECT_EQ(info->interfaceVersion, 0x101u);
  EXPECT_EQ(std::string(info->description),
            "przesy\xB3"
            "anie plik\xF3w (p2p) oraz obrazk\xF3w tlen <-> gg");
  ASSERT_NE(info->empty, nullptr);
  EXPECT_STREQ(info->empty, "");
  for (uint32_t word : info->reserved36) EXPECT_EQ(word, 0u);
  EXPECT_TRUE(plugin.Host().Calls().empty());
}

TEST(LoadPlugin, CallsTheHostInItsOrder) {
  LoadedPlugin plugin;
  std::vector<std::string> expected = {"Tlen/GetProcAddress", "Tlen/ProtocolHookEvent",
                                       "Tlen/AddMenuItem",    "Tlen/AddMenuCallBack",
                                       "Tlen/AddMenuItem",    "Tlen/AddMenuCallBack"};
  EXPECT_EQ(plugin.Host().CallNames(), expected);
}

TEST(LoadPlugin, HookRecordNamesGGAndTheModule) {
  LoadedPlugin plugin;
  std::vector<standin::ServiceCall> calls = plugin.Host().Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].wparam, host::kProfileProc);
  EXPECT_EQ(calls[0].lparam, 0);
  const standin::ServiceCall& hook = calls[1];
  EXPECT_EQ(hook.lparam, 0);
  ASSERT_EQ(hook.record.size(), sizeof(host::HookRecord));
  std::vector<standin::RegisteredHook> hooks = plugin.Host().Hooks();
  ASSERT_EQ(hooks.size(), 1u);
  EXPECT_EQ(hooks[0].protocol, "GG");
  EXPECT_NE(hooks[0].hook, nullptr);
  if (k32Bit) {
    EXPECT_EQ(Word(hook.record, 0), 20u);
    EXPECT_EQ(Word(hook.record, 12), 0u);
    EXPECT_EQ(Word(hook.record, 16), reinterpret_cast<uintptr_t>(plugin.Module().Handle()));
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
    EXPECT_EQ(records[i].lparam, 0);
    const std::vector<uint8_t>& bytes = records[i].record;
    ASSERT_EQ(bytes.size(), sizeof(host::MenuItem));
    if (k32Bit) {
      EXPECT_EQ(Word(bytes, 0), 84u);
      EXPECT_EQ(Word(bytes, 28), expected[i].id);
      EXPECT_EQ(Word(bytes, 76), reinterpret_cast<uintptr_t>(plugin.Module().Handle()));
      // Every field the plug-in does not set is zero.
      for (size_t offset : {8u, 20u, 24u, 32u, 36u, 40u, 44u, 48u, 52u, 56u, 60u, 64u, 72u, 80u}) {
        EXPECT_EQ(Word(bytes, offset), 0u) << "offset " << offset;
      }
    }
  }
  EXPECT_NE(items[0].click, items[1].click);
}

TEST(LoadPlugin, AddsTheMenuCallbackTwiceForTheElementClass) {
  LoadedPlugin plugin;
  std::vector<standin::ServiceCall> adds;
  for (const standin::ServiceCall& call : plugin.Host().Calls()) {
    if (call.service == "Tlen/AddMenuCallBack") adds.push_back(call);
  }
  ASSERT_EQ(adds.size(), 2u);
  for (const standin::ServiceCall& call : adds) {
    EXPECT_STREQ(reinterpret_cast<const char*>(call.wparam), "Tlen/CL/Element");
    EXPECT_EQ(call.lparam, adds[0].lparam);
    EXPECT_NE(call.lparam, 0);
  }
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

TEST(LoadPlugin, CreatesItsDirectoryInTheProfile) {
  LoadedPlugin plugin;
  EXPECT_TRUE(FileExists(plugin.Profile() + "kvel"));
}

TEST(LoadPlugin, GoesOnWhenItsDirectoryExists) {
  LoadedPlugin plugin(/*start=*/false);
  std::filesystem::create_directory(plugin.Profile() + "kvel");
  plugin.Start();
  EXPECT_EQ(plugin.Host().CallNames().size(), 6u);
}

// What an earlier run left in the plug-in's directory: parts of images
// nobody waits for go at once; the cache is verified off the host's thread,
// and a file that does not match its name goes too.
TEST(LoadPlugin, SweepsStalePartsAndVerifiesTheCache) {
  LoadedPlugin plugin(/*start=*/false);
  std::filesystem::create_directory(plugin.Profile() + "kvel");
  const std::string folder = plugin.PluginDirectory();
  WriteFile(folder + "imgcache_7_3_9.part", "ab");
  WriteFile(folder + "imgcache_7_3_-1", "abc");  // the checksum of "abc" is another
  WriteFile(folder + "imgcache_7_0_-1", "");     // the empty image, right
  plugin.Start();
  EXPECT_FALSE(FileExists(folder + "imgcache_7_3_9.part"));
  for (int i = 0; i < 1000 && !FileExists(folder + "imgcache.verified"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(FileExists(folder + "imgcache.verified"));
  EXPECT_FALSE(FileExists(folder + "imgcache_7_3_-1"));
  EXPECT_TRUE(FileExists(folder + "imgcache_7_0_-1"));
}

struct MissingProfile {
  const char* name;
  bool function;
  bool directory;
  friend void PrintTo(const MissingProfile& c, std::ostream* os) { *os << c.name; }
};

class LoadPluginWithoutProfile : public ::testing::TestWithParam<MissingProfile> {};

TEST_P(LoadPluginWithoutProfile, RegistersEverythingAndWritesNothing) {
  LoadedPlugin plugin(/*start=*/false);
  plugin.Host().SetProfileFunctionAvailable(GetParam().function);
  plugin.Host().SetProfileDirectoryAvailable(GetParam().directory);
  plugin.Start();
  EXPECT_EQ(plugin.Host().CallNames().size(), 6u);
  EXPECT_EQ(plugin.Host().MenuItems().size(), 2u);
  EXPECT_FALSE(FileExists(plugin.Profile() + "kvel"));
  EXPECT_FALSE(FileExists("kvel"));
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadPluginWithoutProfile,
                         ::testing::Values(MissingProfile{"NoFunction", false, true},
                                           MissingProfile{"NoDirectory", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvel::testing

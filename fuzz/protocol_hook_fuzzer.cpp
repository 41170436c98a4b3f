// Drives the GG protocol hook's dispatch with arbitrary events and packets
// against the stand-in host with a few listed contacts: the real UserDB, icon
// refresh, login rewrite and image exchange, its cache in a temporary
// directory emptied after every input; each input meets fresh context parts
// of the fuzzer's own. The machine's addresses and outgoing connections are
// stood in for. Every image reply part handed on must lie
// inside the packet.
//
// Input: records of [event selector: 1][length: 2, little-endian][packet],
// one after the other; a length past the end takes what is left. The first
// byte of the input sets iconMask. Selector low bits: 0 -> event 4,
// 1 -> event 7, 2 -> event 9, 3 -> the selector byte itself as the code.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "contact_list_icons.h"
#include "gg/hook_dispatch.h"
#include "plugin/host.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "stand_in_host.h"

namespace {
namespace fs = std::filesystem;

// Traps unless `part` lies inside `whole`.
void CheckInside(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
  if (part.empty()) return;
  if (part.data() < whole.data() || part.data() + part.size() > whole.data() + whole.size()) {
    __builtin_trap();
  }
}

class FuzzHook final : public kvel::ProductionHook {
 public:
  using ProductionHook::ProductionHook;

  std::span<const uint8_t> packet;  // the packet being dispatched
  uint32_t sink = 0;                // keeps the stand-ins' reads from being optimised away

  std::vector<uint32_t> LocalHostAddresses() override {
    return {0x0501A8C0, 0x03020153};  // 192.168.1.5, 83.1.2.3
  }
  void StartOutgoing(uint32_t uin, uint32_t directionCode) override { sink += uin + directionCode; }
  bool ReceiveImagePart(uint32_t uin, const kvel::wire::ImageReplyPart& part) override {
    CheckInside(part.name, packet);
    CheckInside(part.data, packet);
    return ProductionHook::ReceiveImagePart(uin, part);
  }
};

struct World {
  standin::Host host{"/nonexistent/kvel-fuzz/"};
  standin::ContactListIcons icons{host};
  kvel::ModuleHost moduleHost;
  fs::path cache;

  World() {
    moduleHost.SetLink(host.Link());
    host.AddContact({1, "a", "1001", 3});
    host.AddContact({2, "b", "1002", 3});
    host.AddContact({3, "c", "0", 3});
    host.AddContact({4, "d", "16777215", 3});
    host.AddContact({5, "e", "1003", 5});
    cache = fs::temp_directory_path() / ("kvel-hook-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(cache);
  }
};

World& TheWorld() {
  static World* world = new World;  // lives until the process ends
  return *world;
}

uint32_t EventCode(uint8_t selector) {
  switch (selector & 3) {
    case 0:
      return kvel::gg::kEventReceived;
    case 1:
      return kvel::gg::kEventSending;
    case 2:
      return kvel::gg::kEventForget;
    default:
      return selector;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& world = TheWorld();
  if (size == 0) return 0;
  kvel::PluginSetup setup;
  setup.settings.iconMask = data[0] & 15;
  setup.dataPath = world.cache.string() + "/";
  // Its destructor forgets the contacts and the images asked for.
  auto parts = std::make_unique<kvel::PluginParts>(world.moduleHost, setup);
  FuzzHook hook(*parts);
  size_t at = 1;
  while (at < size) {
    const uint32_t code = EventCode(data[at]);
    size_t length = 0;
    if (size - at >= 3) length = static_cast<size_t>(data[at + 1] | data[at + 2] << 8);
    at = std::min(size, at + 3);
    length = std::min(length, size - at);
    // A block of exactly the packet's size: reading past it is caught.
    std::unique_ptr<uint8_t[]> packet(new uint8_t[length == 0 ? 1 : length]);
    if (length != 0) std::memcpy(packet.get(), data + at, length);
    hook.packet = std::span<const uint8_t>(packet.get(), length);
    kvel::gg::HandleGGEvent(code, hook.packet, hook);
    at += length;
  }
  parts.reset();
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(world.cache, error))
    fs::remove(entry.path(), error);
  world.host.ClearCalls();
  world.host.ClearSentPackets();
  world.icons.ClearCalls();
  return 0;
}

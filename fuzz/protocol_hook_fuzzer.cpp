// Drives the GG protocol hook's dispatch with arbitrary events and packets
// against the stand-in host with a few listed contacts: the real UserDB, icon
// refresh and login rewrite; connections and the image exchange are replaced
// by stubs that only look at what they are given, except that every image
// reply handed on goes through the real reply decoder.
//
// Input: records of [event selector: 1][length: 2, little-endian][packet],
// one after the other; a length past the end takes what is left. The first
// byte of the input sets iconMask. Selector low bits: 0 -> event 4,
// 1 -> event 7, 2 -> event 9, 3 -> the selector byte itself as the code.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "contact_list_icons.h"
#include "gg/hook_dispatch.h"
#include "gg/user_db.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/production_edges.h"
#include "stand_in_host.h"
#include "wire/image_option.h"

namespace {

using kvel::gg::HookEdges;

// Traps unless `part` lies inside `whole`.
void CheckInside(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
  if (part.empty()) return;
  if (part.data() < whole.data() || part.data() + part.size() > whole.data() + whole.size()) {
    __builtin_trap();
  }
}

struct World {
  standin::Host host{"/nonexistent/kvel-fuzz/"};
  standin::ContactListIcons icons{host};
  HookEdges edges;
  uint32_t sink = 0;  // keeps the stubs' reads from being optimised away

  World() {
    kvel::SetHostLink(host.Link());
    host.AddContact({1, "a", "1001", 3});
    host.AddContact({2, "b", "1002", 3});
    host.AddContact({3, "c", "0", 3});
    host.AddContact({4, "d", "16777215", 3});
    host.AddContact({5, "e", "1003", 5});
    edges = kvel::ProductionHookEdges();
    edges.localHostAddresses = [] {
      return std::vector<uint32_t>{0x0501A8C0, 0x03020153};  // 192.168.1.5, 83.1.2.3
    };
    edges.startOutgoing = [this](uint32_t uin, uint32_t code) { sink += uin + code; };
    edges.isImageCached = [](uint32_t, uint32_t size, uint32_t) { return (size & 1) != 0; };
    edges.showReceivedImage = [this](uint32_t uin, uint32_t, uint32_t) { sink += uin; };
    edges.requestImage = [this](uint32_t uin, uint32_t, uint32_t) { sink += uin; };
    edges.answerImageRequest = [this](uint32_t uin, uint32_t, uint32_t) { sink += uin; };
    // The image exchange's first step, the reply decoder, runs for real on
    // every reply the dispatch hands on; the spans it gives must lie inside
    // the reply and cover its bytes behind the fields.
    edges.receiveImagePart = [this](uint32_t, std::span<const uint8_t> reply) {
      for (uint8_t byte : reply) sink += byte;  // every byte handed on must be readable
      std::optional<kvel::gg::ImageReplyPart> part = kvel::gg::DecodeImageReply(reply);
      if (!part) return false;
      CheckInside(part->name, reply);
      CheckInside(part->data, reply);
      if (!part->first && part->data.size() + kvel::gg::kImageOptionFieldsLength != reply.size()) {
        __builtin_trap();
      }
      for (uint8_t byte : part->name) sink += byte;
      for (uint8_t byte : part->data) sink += byte;
      return reply.size() % 3 == 0;
    };
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
  kvel::ThePlugin().settings.iconMask = data[0] & 15;
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
    kvel::gg::HandleGGEvent(code, std::span<const uint8_t>(packet.get(), length), world.edges);
    at += length;
  }
  kvel::ThePlugin().users.ClearUsers();
  world.host.ClearCalls();
  world.host.ClearSentPackets();
  world.icons.ClearCalls();
  return 0;
}

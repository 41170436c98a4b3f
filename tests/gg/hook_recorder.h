// HookEdges bound to a recorder: every call the dispatch makes is kept as a
// line of text ("SetUser(123,10.0.0.1,1550)"), and the answers the edges
// give (settings, addresses, cached images, completed replies) are set by
// the test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "gg/hook_edges.h"

namespace kvel::gg::testing {

inline std::string Dotted(uint32_t address) {
  const auto* b = reinterpret_cast<const uint8_t*>(&address);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

struct HookRecorder {
  std::vector<std::string> calls;
  Settings settings;
  std::vector<uint32_t> addresses;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> cached;
  bool repliesComplete = false;
  std::vector<std::vector<uint8_t>> sent;
  std::vector<std::vector<uint8_t>> replies;  // spans given to receiveImagePart

  HookEdges Edges() {
    HookEdges e;
    e.clearUsers = [this] { calls.push_back("ClearUsers"); };
    e.setUser = [this](uint32_t uin, uint32_t address, uint16_t port) {
      calls.push_back("SetUser(" + std::to_string(uin) + "," + Dotted(address) + "," +
                      std::to_string(port) + ")");
    };
    e.removeUser = [this](uint32_t uin) {
      calls.push_back("RemoveUser(" + std::to_string(uin) + ")");
    };
    e.setOwnUin = [this](uint32_t uin) {
      calls.push_back("SetOwnUin(" + std::to_string(uin) + ")");
    };
    e.settings = [this] { return settings; };
    e.inetAddr = [](const char* dotted) {
      std::string text = dotted;
      if (text == "0.0.0.0") return 0u;
      unsigned a, b, c, d;
      char tail;
      if (std::sscanf(dotted, "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return 0xFFFFFFFFu;
      const uint8_t bytes[4] = {uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d)};
      uint32_t value;
      std::memcpy(&value, bytes, 4);
      return value;
    };
    e.localHostAddresses = [this] {
      calls.push_back("LocalHostAddresses");
      return addresses;
    };
    e.sendRawPacket = [this](std::span<const uint8_t> packet) {
      calls.push_back("SendRawPacket(" + std::to_string(packet.size()) + ")");
      sent.emplace_back(packet.begin(), packet.end());
    };
    e.startOutgoing = [this](uint32_t uin, uint32_t code) {
      calls.push_back("StartOutgoing(" + std::to_string(uin) + "," + std::to_string(code) + ")");
    };
    e.isImageCached = [this](uint32_t uin, uint32_t size, uint32_t checksum) {
      calls.push_back("IsImageCached" + Image(uin, size, checksum));
      return cached.count({uin, size, checksum}) != 0;
    };
    e.showReceivedImage = [this](uint32_t uin, uint32_t size, uint32_t checksum) {
      calls.push_back("ShowReceivedImage" + Image(uin, size, checksum));
    };
    e.requestImage = [this](uint32_t uin, uint32_t size, uint32_t checksum) {
      calls.push_back("RequestImage" + Image(uin, size, checksum));
    };
    e.answerImageRequest = [this](uint32_t uin, uint32_t size, uint32_t checksum) {
      calls.push_back("AnswerImageRequest" + Image(uin, size, checksum));
    };
    e.receiveImagePart = [this](uint32_t uin, std::span<const uint8_t> reply) {
      calls.push_back("ReceiveImagePart(" + std::to_string(uin) + "," +
                      std::to_string(reply.size()) + ")");
      replies.emplace_back(reply.begin(), reply.end());
      return repliesComplete;
    };
    return e;
  }

  static std::string Image(uint32_t uin, uint32_t size, uint32_t checksum) {
    return "(" + std::to_string(uin) + "," + std::to_string(size) + "," + std::to_string(checksum) +
           ")";
  }
};

}  // namespace kvel::gg::testing

// The hook's seams as one recorder: every call the dispatch makes is kept as a line
// of text ("SetUser(123,10.0.0.1,1550)"), and the answers it gives
// (settings, addresses, cached images, completed replies) are set by the
// test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gg/hook_services.h"

namespace kvel::gg::testing {

inline std::string Dotted(uint32_t address) {
  const auto* b = reinterpret_cast<const uint8_t*>(&address);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

class HookRecorder final : public PeerTableEdits,
                           public LoginServices,
                           public DirectConnections,
                           public ImageTraffic {
 public:
  std::vector<std::string> calls;
  Settings settings;
  std::vector<uint32_t> addresses;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> cached;
  bool repliesComplete = false;
  std::vector<std::vector<uint8_t>> sent;
  // Each part given to ReceiveImagePart as reply bytes again: kind, size,
  // checksum, a first part's name and its zero byte, then the data.
  std::vector<std::vector<uint8_t>> replies;

  void ClearUsers() override { calls.push_back("ClearUsers"); }
  void SetUser(uint32_t uin, uint32_t address, uint16_t port) override {
    calls.push_back("SetUser(" + std::to_string(uin) + "," + Dotted(address) + "," +
                    std::to_string(port) + ")");
  }
  void RemoveUser(uint32_t uin) override {
    calls.push_back("RemoveUser(" + std::to_string(uin) + ")");
  }
  void SetOwnUin(uint32_t uin) override {
    calls.push_back("SetOwnUin(" + std::to_string(uin) + ")");
  }
  Settings CurrentSettings() override { return settings; }
  uint32_t InetAddr(const char* dotted) override {
    std::string text = dotted;
    if (text == "0.0.0.0") return 0u;
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(dotted, "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return 0xFFFFFFFFu;
    const uint8_t bytes[4] = {uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d)};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
  }
  std::vector<uint32_t> LocalHostAddresses() override {
    calls.push_back("LocalHostAddresses");
    return addresses;
  }
  std::optional<RouterPort> routerPort;
  std::optional<RouterPort> MappedRouterPort() override { return routerPort; }
  void SendRawPacket(std::span<const uint8_t> packet) override {
    calls.push_back("SendRawPacket(" + std::to_string(packet.size()) + ")");
    sent.emplace_back(packet.begin(), packet.end());
  }
  void StartOutgoing(uint32_t uin, uint32_t code) override {
    calls.push_back("StartOutgoing(" + std::to_string(uin) + "," + std::to_string(code) + ")");
  }
  bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) override {
    calls.push_back("IsImageCached" + Image(uin, size, checksum));
    return cached.count({uin, size, checksum}) != 0;
  }
  void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    calls.push_back("ShowReceivedImage" + Image(uin, size, checksum));
  }
  void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    calls.push_back("RequestImage" + Image(uin, size, checksum));
  }
  void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) override {
    calls.push_back("AnswerImageRequest" + Image(uin, size, checksum));
  }
  bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) override {
    std::vector<uint8_t> reply = {part.first ? wire::kImageFirstReply : wire::kImageLaterReply};
    for (uint32_t field : {part.size, part.checksum}) {
      for (int shift = 0; shift < 32; shift += 8) reply.push_back(uint8_t(field >> shift));
    }
    if (part.first) {
      reply.insert(reply.end(), part.name.begin(), part.name.end());
      reply.push_back(0);
    }
    reply.insert(reply.end(), part.data.begin(), part.data.end());
    calls.push_back("ReceiveImagePart(" + std::to_string(uin) + "," + std::to_string(reply.size()) +
                    ")");
    replies.push_back(std::move(reply));
    return repliesComplete;
  }

  static std::string Image(uint32_t uin, uint32_t size, uint32_t checksum) {
    return "(" + std::to_string(uin) + "," + std::to_string(size) + "," + std::to_string(checksum) +
           ")";
  }
};

}  // namespace kvel::gg::testing

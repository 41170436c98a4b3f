// The chat-window half of the image exchange: every image, received or sent,
// is shown as an HTML fragment pointing at a local file.
#include <cstdio>
#include <string>

#include "gg/contact_lookup.h"
#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "common/texts.h"

namespace kvel::images {
namespace {

std::string ImageHtml(const std::string& path) {
  const int length = std::snprintf(nullptr, 0, text::kImageHtmlFormat, path.c_str());
  if (length <= 0) return std::string();
  std::string html(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(html.data(), html.size(), text::kImageHtmlFormat, path.c_str());
  html.resize(static_cast<size_t>(length));
  return html;
}

// Shows one message in the chat window of the contact `uin`.
void ShowInChat(host::HostServices& services, uint32_t uin, const std::string& senderId,
                const std::string& senderName, const std::string& path, host::ChatSender sender,
                uint32_t time) {
  const std::string contact = gg::UinText(uin);
  const std::string html = ImageHtml(path);
  host::ChatMessage message;
  message.contact = contact.c_str();
  message.senderId = senderId.c_str();
  message.senderName = senderName.c_str();
  message.time = time;
  message.html = html.c_str();
  message.sender = sender;
  services.ShowChatMessage(message);
}

}  // namespace

void ShowReceivedImage(host::HostServices& services, const std::string& directory, uint32_t uin,
                       uint32_t size, uint32_t checksum, uint32_t time) {
  const std::string path = ImageCachePath(directory, uin, size, checksum);
  if (path.empty()) return;  // no cache, so no file to point at
  ShowInChat(services, uin, gg::UinText(uin), gg::PeerDisplayName(services, uin), path,
             host::ChatSender::Peer, time);
}

void ShowSentImage(host::HostServices& services, uint32_t ownUin, uint32_t uin, const char* path,
                   uint32_t time) {
  if (path == nullptr) return;
  const std::string own = gg::UinText(ownUin);
  ShowInChat(services, uin, own, own, path, host::ChatSender::User, time);
}

}  // namespace kvel::images

#include "chat_windows.h"

#include <gtest/gtest.h>

#include "browser_path.h"
#include "host/linked_host.h"
#include "support/test_paths.h"

namespace standin {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

using kvel::host::ChatSender;

void Show(Host& host, const char* contact, const char* name, const std::string& html,
          ChatSender sender) {
  kvel::host::ChatMessage message;
  message.contact = contact;
  message.senderId = contact;
  message.senderName = name;
  message.time = 1234;
  message.html = html.c_str();
  message.sender = sender;
  kvel::host::LinkedHost(host.Link(), nullptr).ShowChatMessage(message);
}

TEST(ChatWindows, AppendsEveryMessageToItsContactsPage) {
  kvel::testing::ScratchDir scratch;
  Host host(scratch.Path());
  ChatWindows chats(host, scratch.Path());
  const std::string image = scratch.File("a b.png");
  const std::string html = "<div><img src=\"" + image + "\"></div>";
  Show(host, "77", "<Ola & Ela>", html, ChatSender::Peer);
  Show(host, "77", "77", "plain", ChatSender::User);
  Show(host, "78", "78", html, ChatSender::User);

  ASSERT_EQ(chats.Messages().size(), 3u);
  EXPECT_EQ(chats.Messages()[0].senderName, "<Ola & Ela>");
  std::string page;
  ASSERT_TRUE(kvel::testing::ReadFile(chats.FilePath("GG", "77"), &page));
  EXPECT_EQ(Count(page, "<!DOCTYPE html>"), 1u);
  EXPECT_EQ(Count(page, "<div class=\"message\""), 2u);
  EXPECT_NE(page.find(html), std::string::npos);  // the HTML exactly as given
  EXPECT_NE(page.find("sender-name=&lt;Ola &amp; Ela&gt; time=1234 flags=65"), std::string::npos);
  // The image's file as a browser on this machine reaches it.
  const std::string url = BrowserFileUrl(image);
  ASSERT_EQ(url.rfind("file:///", 0), 0u);
  EXPECT_NE(url.find("a%20b.png"), std::string::npos);
  EXPECT_NE(page.find("data-image-urls=\"" + url + "\""), std::string::npos);
  EXPECT_TRUE(kvel::testing::FileExists(chats.FilePath("GG", "78")));
}

}  // namespace
}  // namespace standin

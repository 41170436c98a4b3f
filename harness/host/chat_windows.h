// Chat windows of the stand-in host: the service "Tlen/ChatWindow/ShowMessage".
// Every shown message is kept in memory and appended to an HTML file per
// contact ("chat_<protocol>_<contact>.html" in a given directory), with the
// records' fields and the message's HTML text exactly as given, so that a
// browser opening the file shows the images the messages point at.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stand_in_host.h"

namespace standin {

struct ShownMessage {
  // Chat-window record (wparam).
  uint32_t chatSize = 0;
  std::string contact;   // +12
  std::string protocol;  // +16
  // Message record (lparam).
  uint32_t messageSize = 0;
  std::string senderId;             // +4
  std::string senderName;           // +8
  uint32_t time = 0;                // +12
  std::string html;                 // +24
  uint32_t flags = 0;               // +28
  std::vector<uint8_t> chatRecord;  // raw bytes of both records
  std::vector<uint8_t> messageRecord;
};

class ChatWindows {
 public:
  // Registers the service on `host`, replacing any earlier one. `directory`
  // ends with a separator; the HTML files are written there.
  ChatWindows(Host& host, std::string directory);
  // Removes the service from the host.
  ~ChatWindows();
  ChatWindows(const ChatWindows&) = delete;
  ChatWindows& operator=(const ChatWindows&) = delete;

  // Every message shown so far, in order.
  std::vector<ShownMessage> Messages();
  // The HTML file of a contact's chat window (it exists once a message was shown).
  std::string FilePath(const std::string& protocol, const std::string& contact) const;

 private:
  struct State;
  Host& host_;
  std::shared_ptr<State> state_;
};

}  // namespace standin

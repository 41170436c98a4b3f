#include "chat_windows.h"

#include <cstdio>
#include <fstream>
#include <mutex>

#include "browser_path.h"

namespace standin {
namespace host = kvel::host;

namespace {

constexpr char kShowMessage[] = "Tlen/ChatWindow/ShowMessage";

// Letters, digits, '-' and '_' stay; anything else in a file name becomes '_'.
std::string FileNamePart(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       c == '-' || c == '_';
    out += plain ? static_cast<char>(c) : '_';
  }
  return out;
}

std::string ChatFilePath(const std::string& directory, const std::string& protocol,
                         const std::string& contact) {
  return directory + "chat_" + FileNamePart(protocol) + "_" + FileNamePart(contact) + ".html";
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

const char* Origin(uint32_t flags) {
  if (flags == 65) return "from the peer";
  if (flags == 66) return "from the user";
  return "other";
}

// The browser URLs of the images a message's HTML points at, in order,
// separated by spaces; empty when none can be mapped.
std::string ImageUrls(const std::string& html) {
  static const std::string kSrc = "src=\"";
  std::string urls;
  for (size_t at = html.find(kSrc); at != std::string::npos; at = html.find(kSrc, at)) {
    at += kSrc.size();
    const size_t end = html.find('"', at);
    if (end == std::string::npos) break;
    const std::string url = BrowserFileUrl(html.substr(at, end - at));
    if (!url.empty()) urls += (urls.empty() ? "" : " ") + url;
    at = end;
  }
  return urls;
}

// The images' sources are local paths of the plug-in's platform; the script
// points them at the URLs the host worked out, so that a browser on this
// machine shows them (under Wine too).
constexpr char kPageHead[] =
    "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1250\">\n"
    "<script>\n"
    "addEventListener('DOMContentLoaded', () => {\n"
    "  for (const m of document.querySelectorAll('.message[data-image-urls]')) {\n"
    "    const urls = m.dataset.imageUrls.split(' ');\n"
    "    m.querySelectorAll('img').forEach((img, i) => { if (urls[i]) img.src = urls[i]; });\n"
    "  }\n"
    "});\n"
    "</script>\n"
    "<style>\n"
    "body { font: 14px sans-serif; background: #eef1f5; margin: 16px; }\n"
    ".message { margin: 8px 0; max-width: 70%; padding: 6px 10px; border-radius: 8px;"
    " background: #fff; }\n"
    ".message[data-flags=\"66\"] { margin-left: auto; background: #d8ecff; }\n"
    ".who { font-weight: bold; margin-right: 8px; }\n"
    ".when { color: #667; font-size: 12px; }\n"
    ".fields { display: none; }\n"
    "</style>\n";

// The message's time as the chat window shows it: hours, minutes and
// seconds of the day (UTC).
std::string ClockTime(uint32_t time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", time / 3600 % 24, time / 60 % 60, time % 60);
  return text;
}

// The file starts with a page head; every message after it is one block.
void AppendToFile(const std::string& path, const ShownMessage& message) {
  const bool fresh = !std::ifstream(path).good();
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (fresh) {
    out << kPageHead << "<title>" << Escaped(message.protocol) << " " << Escaped(message.contact)
        << "</title></head><body>\n";
  }
  const std::string urls = ImageUrls(message.html);
  out << "<div class=\"message\" data-flags=\"" << message.flags << "\"";
  if (!urls.empty()) out << " data-image-urls=\"" << Escaped(urls) << "\"";
  // What a person reads: who wrote, when, and the message. The records'
  // fields follow, hidden, for tests and for reading the file itself.
  out << ">\n"
      << "<div class=\"header\"><span class=\"who\">" << Escaped(message.senderName)
      << "</span><span class=\"when\">" << ClockTime(message.time) << "</span></div>\n"
      << "<p class=\"fields\">contact=" << Escaped(message.contact)
      << " protocol=" << Escaped(message.protocol) << " sender-id=" << Escaped(message.senderId)
      << " sender-name=" << Escaped(message.senderName) << " time=" << message.time
      << " flags=" << message.flags << " (" << Origin(message.flags) << ")"
      << " records=" << message.chatSize << "," << message.messageSize << "</p>\n"
      << message.html << "\n</div>\n";
}

}  // namespace

struct ChatWindows::State {
  std::string directory;
  std::mutex mutex;
  std::vector<ShownMessage> messages;
};

ChatWindows::ChatWindows(Host& host, std::string directory)
    : host_(host), state_(std::make_shared<State>()) {
  state_->directory = std::move(directory);
  std::shared_ptr<State> state = state_;
  host_.RegisterService(kShowMessage, [state](Host&, ServiceCall& call) -> Param {
    auto* chat = reinterpret_cast<const host::ChatRecord*>(call.wparam);
    auto* record = reinterpret_cast<const host::MessageRecord*>(call.lparam);
    if (chat == nullptr || record == nullptr) return 0;
    ShownMessage message;
    message.chatSize = chat->size;
    message.contact = TextAt(chat->contact);
    message.protocol = TextAt(chat->protocol);
    message.messageSize = record->size;
    message.senderId = TextAt(record->senderId);
    message.senderName = TextAt(record->senderName);
    message.time = record->time;
    message.html = TextAt(record->html);
    message.flags = record->flags;
    message.chatRecord = RecordBytes(chat, sizeof(host::ChatRecord));
    message.messageRecord = RecordBytes(record, sizeof(host::MessageRecord));
    call.record = message.chatRecord;
    call.extra = message.messageRecord;
    call.decoded = "contact=" + message.contact + " sender=" + message.senderId +
                   " name=" + message.senderName + " flags=" + std::to_string(message.flags) +
                   " html=" + message.html;
    const std::string path = ChatFilePath(state->directory, message.protocol, message.contact);
    std::lock_guard<std::mutex> lock(state->mutex);
    AppendToFile(path, message);
    state->messages.push_back(std::move(message));
    return 0;
  });
}

ChatWindows::~ChatWindows() {
  host_.RemoveService(kShowMessage);
}

std::vector<ShownMessage> ChatWindows::Messages() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->messages;
}

std::string ChatWindows::FilePath(const std::string& protocol, const std::string& contact) const {
  return ChatFilePath(state_->directory, protocol, contact);
}

}  // namespace standin

#include "p2p/connection/unreached.h"

#include <cstdio>
#include <string_view>

#include "common/file_name.h"
#include "common/texts.h"
#include "p2p/connection/connection_texts.h"

namespace kvel::p2p {
namespace {

// "180 s", or "300 ms" for a time of no whole seconds.
std::string Seconds(uint32_t milliseconds) {
  if (milliseconds % 1000 != 0) return std::to_string(milliseconds) + " ms";
  return std::to_string(milliseconds / 1000) + " s";
}

}  // namespace

std::string ConnectFailure(const platform::Error& error, int timedOutCode, uint32_t limitMs) {
  const std::string step = error.operation;
  if (step == "connect" && error.code == timedOutCode)
    return "connect timed out after " + Seconds(limitMs);
  if (step == "connect" && error.code == 0) return "connect called off";
  return step + " failed (" + std::to_string(error.code) + ")";
}

std::string NoCallBack(const std::string& direct, uint32_t waitMs) {
  return (direct.empty() ? std::string() : direct + ", ") + "no call-back within " +
         Seconds(waitMs);
}

std::string PushedOut(const std::string& direct) {
  return (direct.empty() ? std::string() : direct + ", ") + "pushed out by newer call-backs";
}

std::string UnreachedLogLine(const Unreached& unreached) {
  const bool stopped = unreached.outcome == transfers::TransferOutcome::Stopped;
  const char* direction = unreached.direction == transfers::Send ? "send" : "receive";
  return std::string(text::kLogNotConnected) + direction +
         " peer=" + std::to_string(unreached.uin) + " outcome=" + (stopped ? "stopped" : "failed") +
         (unreached.reason.empty() ? std::string() : " reason=" + unreached.reason);
}

transfers::UserNotice UnreachedNotice(const Unreached& unreached, const std::string& contact) {
  if (unreached.outcome == transfers::TransferOutcome::Stopped) return {};
  if (unreached.direction != transfers::Send) return {};
  const std::string who(std::string_view(contact).substr(0, transfers::kMaxContactInNotice));
  const bool noPlace = unreached.why == Unreached::Why::NoPlace;
  char notice[512];
  if (unreached.file.empty()) {
    std::snprintf(notice, sizeof notice, noPlace ? text::kNoticeNoPlace : text::kNoticeNoConnection,
                  who.c_str());
  } else {
    const std::string name(FileNameOf(unreached.file));
    if (noPlace)
      std::snprintf(notice, sizeof notice, text::kNoticeNoPlaceForFile, name.c_str(), who.c_str());
    else
      std::snprintf(notice, sizeof notice, text::kNoticeNoConnectionForFile, who.c_str(),
                    name.c_str());
  }
  return {notice, text::kErrorCaption};
}

}  // namespace kvel::p2p

#include "transfers/telling/transfer_outcome.h"

#include <cstdio>
#include <string_view>

#include "common/file_name.h"
#include "common/texts.h"
#include "transfers/telling/telling_texts.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

// A box names a contact in at most this many bytes.
constexpr size_t kMaxContactInNotice = 64;

const char* OutcomeName(TransferOutcome outcome) {
  switch (outcome) {
    case TransferOutcome::Done:
      return "done";
    case TransferOutcome::Stopped:
      return "stopped";
    case TransferOutcome::Declined:
      return "declined";
    case TransferOutcome::Refused:
      return "refused";
    case TransferOutcome::Failed:
      break;
  }
  return "failed";
}

// Why a file could not be saved, for the box; null when the note says
// something else.
const char* SaveProblemText(EndNote note) {
  switch (note) {
    case EndNote::PathTooLong:
      return text::kReasonPathTooLong;
    case EndNote::NoFolder:
      return text::kReasonNoFolder;
    case EndNote::NoAccess:
      return text::kReasonNoAccess;
    case EndNote::DiskFull:
      return text::kReasonDiskFull;
    case EndNote::CannotCreate:
      return text::kReasonCannotCreate;
    case EndNote::CannotWrite:
      return text::kReasonCannotWrite;
    case EndNote::CannotReplace:
      return text::kReasonCannotReplace;
    case EndNote::CannotList:
      return text::kReasonCannotList;
    default:
      return nullptr;
  }
}

// The failure box's format for a receive that ended with `note`.
const char* ReceiveFailedFormat(EndNote note) {
  switch (note) {
    case EndNote::PartKept:
      return text::kNoticeReceiveKept;
    case EndNote::SenderCannotResume:
      return text::kNoticeSenderCannotResume;
    case EndNote::SenderFileChanged:
      return text::kNoticeSenderFileChanged;
    default:
      return text::kNoticeReceiveFailed;
  }
}

// Megabytes (of 1024 * 1024 bytes) with one decimal: rounded up for what is
// needed, down for what is free, so that a refusal never reads as if the
// file fitted.
std::string MegabytesText(uint64_t bytes, bool roundUp) {
  constexpr uint64_t kMegabyte = 1 << 20;
  const uint64_t rest = (bytes % kMegabyte) * 10;
  uint64_t tenths = rest / kMegabyte + (roundUp && rest % kMegabyte != 0 ? 1 : 0);
  uint64_t whole = bytes / kMegabyte;
  if (tenths == 10) {
    ++whole;
    tenths = 0;
  }
  return std::to_string(whole) + "." + std::to_string(tenths);
}

std::string Format(const char* format, std::string_view first, std::string_view second,
                   const std::string& third = "", const std::string& fourth = "") {
  const std::string a(first), b(second);
  char text[1024];
  std::snprintf(text, sizeof text, format, a.c_str(), b.c_str(), third.c_str(), fourth.c_str());
  return text;
}

}  // namespace

TransferOutcome JudgeTransfer(bool succeeded, bool stopped, TransferDirection direction,
                              bool fileKnown, std::optional<uint32_t> answer) {
  if (succeeded) return TransferOutcome::Done;
  if (stopped) return TransferOutcome::Stopped;
  if (direction == Send) {
    if (answer == wire::kReplyRefuse) return TransferOutcome::Refused;
    if (answer.has_value()) return TransferOutcome::Failed;
    // No answer: the peer broke off after the offer, or this user chose no file.
    return fileKnown ? TransferOutcome::Failed : TransferOutcome::Declined;
  }
  // Receiving: the file is known only once this user took it.
  return fileKnown ? TransferOutcome::Failed : TransferOutcome::Declined;
}

std::string TransferLogLine(const TransferReport& report) {
  return std::string(text::kLogTransferEnded) + (report.direction == Send ? "send" : "receive") +
         " peer=" + std::to_string(report.uin) + " bytes=" + std::to_string(report.moved) +
         (report.offset != 0 ? " offset=" + std::to_string(report.offset) : std::string()) +
         " outcome=" + OutcomeName(report.outcome) +
         (report.takenWithoutAsking ? text::kLogTakenWithoutAsking : "") +
         (report.note != EndNote::None ? text::kLogReason + std::string(EndNoteName(report.note))
                                       : std::string()) +
         (report.partKept && report.note != EndNote::PartKept ? text::kLogPartKept : "");
}

const char* EndNoteName(EndNote note) {
  switch (note) {
    case EndNote::None:
      break;
    case EndNote::PartKept:
      return "part-kept";
    case EndNote::SenderCannotResume:
      return "sender-cannot-resume";
    case EndNote::SenderFileChanged:
      return "sender-file-changed";
    case EndNote::PathTooLong:
      return "path-too-long";
    case EndNote::NoFolder:
      return "no-folder";
    case EndNote::NoAccess:
      return "no-access";
    case EndNote::DiskFull:
      return "disk-full";
    case EndNote::CannotCreate:
      return "cannot-create";
    case EndNote::CannotWrite:
      return "cannot-write";
    case EndNote::CannotReplace:
      return "cannot-replace";
    case EndNote::CannotList:
      return "cannot-list";
    case EndNote::NoRoom:
      return "no-room";
  }
  return "";
}

bool WorthTelling(TransferOutcome outcome) {
  return outcome == TransferOutcome::Refused || outcome == TransferOutcome::Failed;
}

UserNotice TransferNotice(const TransferReport& report, const std::string& contact) {
  const std::string_view name = FileNameOf(report.path);
  const std::string_view who = std::string_view(contact).substr(0, kMaxContactInNotice);
  switch (report.outcome) {
    case TransferOutcome::Refused:
      return {Format(text::kNoticeRefused, name, who), text::kNoticeCaption};
    case TransferOutcome::Failed:
      if (report.direction == Send)
        return {Format(text::kNoticeSendFailed, name, who), text::kErrorCaption};
      if (const char* problem = SaveProblemText(report.note)) {
        return {Format(report.partKept ? text::kNoticeCannotSaveKept : text::kNoticeCannotSave,
                       name, who, problem),
                text::kErrorCaption};
      }
      if (report.note == EndNote::NoRoom)
        return {Format(text::kNoticeNoRoom, name, who, MegabytesText(report.room.needed, true),
                       MegabytesText(report.room.free, false)),
                text::kErrorCaption};
      return {Format(ReceiveFailedFormat(report.note), name, who), text::kErrorCaption};
    default:
      return {};
  }
}

}  // namespace kvel::transfers

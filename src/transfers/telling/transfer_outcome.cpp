#include "transfers/telling/transfer_outcome.h"

#include <cstdio>
#include <iterator>
#include <string_view>

#include "common/file_name.h"
#include "common/texts.h"
#include "transfers/telling/telling_texts.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

const char* OutcomeName(TransferOutcome outcome) {
  constexpr const char* kNames[] = {"done", "stopped", "declined", "refused", "failed"};
  return kNames[static_cast<size_t>(outcome)];
}

// Each end note, in EndNote's order: its log name, why the file could not
// be saved (for the box; null when the note says something else) and the
// failure box's format for a receive ended with it.
struct NoteTexts {
  const char* name;
  const char* saveProblem;
  const char* receiveFailed;
};
constexpr NoteTexts kNoteTexts[] = {
    {"", nullptr, text::kNoticeReceiveFailed},
    {"part-kept", nullptr, text::kNoticeReceiveKept},
    {"sender-cannot-resume", nullptr, text::kNoticeSenderCannotResume},
    {"sender-file-changed", nullptr, text::kNoticeSenderFileChanged},
    {"path-too-long", text::kReasonPathTooLong, text::kNoticeReceiveFailed},
    {"no-folder", text::kReasonNoFolder, text::kNoticeReceiveFailed},
    {"no-access", text::kReasonNoAccess, text::kNoticeReceiveFailed},
    {"disk-full", text::kReasonDiskFull, text::kNoticeReceiveFailed},
    {"cannot-create", text::kReasonCannotCreate, text::kNoticeReceiveFailed},
    {"cannot-write", text::kReasonCannotWrite, text::kNoticeReceiveFailed},
    {"cannot-replace", text::kReasonCannotReplace, text::kNoticeReceiveFailed},
    {"cannot-list", text::kReasonCannotList, text::kNoticeReceiveFailed},
    {"no-room", nullptr, text::kNoticeReceiveFailed},
};
static_assert(std::size(kNoteTexts) == static_cast<size_t>(EndNote::NoRoom) + 1);

const NoteTexts& TextsOf(EndNote note) {
  return kNoteTexts[static_cast<size_t>(note)];
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
  if (direction == Send && answer.has_value())
    return answer == wire::kReplyRefuse ? TransferOutcome::Refused : TransferOutcome::Failed;
  // A send without an answer (the peer broke off after the offer, or this
  // user chose no file), or a receive (the file is known only once this user
  // took it), failed only when its file was known.
  return fileKnown ? TransferOutcome::Failed : TransferOutcome::Declined;
}

std::string TransferLogLine(const Transfer& report) {
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
  return TextsOf(note).name;
}

bool WorthTelling(TransferOutcome outcome) {
  return outcome == TransferOutcome::Refused || outcome == TransferOutcome::Failed;
}

UserNotice TransferNotice(const Transfer& report, const std::string& contact) {
  const std::string_view name = FileNameOf(report.path);
  const std::string_view who = std::string_view(contact).substr(0, kMaxContactInNotice);
  switch (report.outcome) {
    case TransferOutcome::Refused:
      return {Format(text::kNoticeRefused, name, who), text::kNoticeCaption};
    case TransferOutcome::Failed:
      if (report.direction == Send)
        return {Format(text::kNoticeSendFailed, name, who), text::kErrorCaption};
      if (const char* problem = TextsOf(report.note).saveProblem) {
        return {Format(report.partKept ? text::kNoticeCannotSaveKept : text::kNoticeCannotSave,
                       name, who, problem),
                text::kErrorCaption};
      }
      if (report.note == EndNote::NoRoom)
        return {Format(text::kNoticeNoRoom, name, who, MegabytesText(report.room.needed, true),
                       MegabytesText(report.room.free, false)),
                text::kErrorCaption};
      return {Format(TextsOf(report.note).receiveFailed, name, who), text::kErrorCaption};
    default:
      return {};
  }
}

}  // namespace kvel::transfers

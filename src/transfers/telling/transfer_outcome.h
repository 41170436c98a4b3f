// How a listed transfer ended, what the log says of it and what the user is
// told. Pure: values in, values out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transfers/registry/transfer.h"

namespace kvel::transfers {

// Judges a transfer's end. `succeeded`: the file procedure's result;
// `stopped`: by the user or the unloading; `fileKnown`: a file was chosen
// (sending) or accepted and saved (receiving); `answer`: the code of the
// peer's answer to this side's offer, if one came.
TransferOutcome JudgeTransfer(bool succeeded, bool stopped, TransferDirection direction,
                              bool fileKnown, std::optional<uint32_t> answer);

// "transfer ended: send peer=1001 bytes=4096 outcome=failed"; a transfer
// that started within the file also names its offset, after the bytes:
// "... bytes=4096 offset=12000 outcome=done"; a note follows the outcome:
// "... outcome=failed reason=part-kept", and a part kept after this side's
// failure after it: "... reason=cannot-write part-kept"; a file received
// without asking says so after the outcome: "... outcome=done
// taken-without-asking".
std::string TransferLogLine(const Transfer& report);
// The note as the log names it ("part-kept", "no-access", ...); empty for
// none.
const char* EndNoteName(EndNote note);
// Only a refused or failed transfer is worth a message box.
bool WorthTelling(TransferOutcome outcome);
// A box names a contact in at most this many bytes.
inline constexpr size_t kMaxContactInNotice = 64;
// The box's text (Windows-1250), naming the file without its directory and
// the contact, and its caption; both empty for outcomes not worth telling.
// A failed receive says what its note says: that the part was kept, that
// the sender could not go on or its file changed, why the file could not
// be saved (and that the part was kept all the same), or how much room it
// needed beside how much was free.
struct UserNotice {
  std::string text;
  std::string caption;
};
UserNotice TransferNotice(const Transfer& report, const std::string& contact);

}  // namespace kvel::transfers

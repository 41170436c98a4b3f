// The texts of a transfer's end: its log line, and what the user is told of
// a transfer that ended badly (Windows-1250 bytes, readable text beside).
#pragma once

namespace kvel::text {

// Followed by the transfer.
inline constexpr char kLogTransferEnded[] = "transfer ended: ";

// Message boxes: the file's name, then the contact.
// "Nie udało się wysłać pliku %s do %s."
inline constexpr char kNoticeSendFailed[] =
    "Nie uda\xB3o si\xEA wys\xB3"
    "a\xE6 pliku %s do %s.";
// "Nie udało się odebrać pliku %s od %s."
inline constexpr char kNoticeReceiveFailed[] = "Nie uda\xB3o si\xEA odebra\xE6 pliku %s od %s.";
// "Plik %s nie został przyjęty przez %s."
inline constexpr char kNoticeRefused[] = "Plik %s nie zosta\xB3 przyj\xEAty przez %s.";
// Failures are captioned kErrorCaption (common/texts.h).
// "Przesyłanie pliku"
inline constexpr char kNoticeCaption[] =
    "Przesy\xB3"
    "anie pliku";

}  // namespace kvel::text

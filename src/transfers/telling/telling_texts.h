// The texts of telling the user of transfers: a transfer's end, its log line and
// a transfer that ended badly; and the question before a kept part is gone
// on from (Windows-1250 bytes, readable text beside).
#pragma once

namespace kvel::text {

// Followed by the transfer.
inline constexpr char kLogTransferEnded[] = "transfer ended: ";
// Followed by what the receiving side knows of the end.
inline constexpr char kLogReason[] = " reason=";
// After the outcome of a file received without asking.
inline constexpr char kLogTakenWithoutAsking[] = " taken-without-asking";
// After the reason of a failure that kept what came.
inline constexpr char kLogPartKept[] = " part-kept";

// Message boxes: the file's name, then the contact.
// "Nie udało się wysłać pliku %s do %s."
inline constexpr char kNoticeSendFailed[] =
    "Nie uda\xB3o si\xEA wys\xB3"
    "a\xE6 pliku %s do %s.";
// "Nie udało się odebrać pliku %s od %s."
inline constexpr char kNoticeReceiveFailed[] = "Nie uda\xB3o si\xEA odebra\xE6 pliku %s od %s.";
// "Plik %s nie został przyjęty przez %s."
inline constexpr char kNoticeRefused[] = "Plik %s nie zosta\xB3 przyj\xEAty przez %s.";
// "Nie udało się odebrać pliku %s od %s. Odebraną część zachowano: można
// będzie wznowić odbiór."
inline constexpr char kNoticeReceiveKept[] =
    "Nie uda\xB3o si\xEA odebra\xE6 pliku %s od %s. Odebran\xB9 cz\xEA\x9C\xE6 zachowano: "
    "mo\xBFna b\xEA"
    "dzie wznowi\xE6 odbi\xF3r.";
// "Nie udało się odebrać pliku %s od %s: nadawca nie potrafi wznowić
// przesyłania. Następna próba zacznie od początku."
inline constexpr char kNoticeSenderCannotResume[] =
    "Nie uda\xB3o si\xEA odebra\xE6 pliku %s od %s: nadawca nie potrafi wznowi\xE6 przesy\xB3"
    "ania. Nast\xEApna pr\xF3"
    "ba zacznie od pocz\xB9tku.";
// "Nie udało się wznowić odbioru pliku %s od %s: plik u nadawcy zmienił się
// od przerwania. Zachowaną część usunięto, następna próba zacznie od
// początku."
inline constexpr char kNoticeSenderFileChanged[] =
    "Nie uda\xB3o si\xEA wznowi\xE6 odbioru pliku %s od %s: plik u nadawcy zmieni\xB3 si\xEA od "
    "przerwania. Zachowan\xB9 cz\xEA\x9C\xE6 usuni\xEAto, nast\xEApna pr\xF3"
    "ba zacznie od pocz\xB9tku.";
// "Nie udało się zapisać pliku %s od %s: %s." The third is one of the
// reasons below.
inline constexpr char kNoticeCannotSave[] = "Nie uda\xB3o si\xEA zapisa\xE6 pliku %s od %s: %s.";
// "Nie udało się zapisać pliku %s od %s: %s. Odebraną część zachowano:
// można będzie wznowić odbiór." The same, when what came was kept.
inline constexpr char kNoticeCannotSaveKept[] =
    "Nie uda\xB3o si\xEA zapisa\xE6 pliku %s od %s: %s. Odebran\xB9 cz\xEA\x9C\xE6 zachowano: "
    "mo\xBFna b\xEA"
    "dzie wznowi\xE6 odbi\xF3r.";
// "ścieżka jest za długa"
inline constexpr char kReasonPathTooLong[] =
    "\x9C"
    "cie\xBFka jest za d\xB3uga";
// "folder nie istnieje"
inline constexpr char kReasonNoFolder[] = "folder nie istnieje";
// "brak dostępu"
inline constexpr char kReasonNoAccess[] = "brak dost\xEApu";
// "brak miejsca na dysku"
inline constexpr char kReasonDiskFull[] = "brak miejsca na dysku";
// "nie można utworzyć pliku"
inline constexpr char kReasonCannotCreate[] = "nie mo\xBFna utworzy\xE6 pliku";
// "błąd zapisu"
inline constexpr char kReasonCannotWrite[] =
    "b\xB3\xB9"
    "d zapisu";
// "nie można zastąpić wybranego pliku"
inline constexpr char kReasonCannotReplace[] = "nie mo\xBFna zast\xB9pi\xE6 wybranego pliku";
// "nie można zapisać spisu zachowanych części"
inline constexpr char kReasonCannotList[] =
    "nie mo\xBFna zapisa\xE6 spisu zachowanych cz\xEA\x9C"
    "ci";
// "Nie udało się odebrać pliku %s od %s. Za mało miejsca na dysku: potrzeba
// %s MB, wolne %s MB." The file, the contact, then the megabytes needed and
// free.
inline constexpr char kNoticeNoRoom[] =
    "Nie uda\xB3o si\xEA odebra\xE6 pliku %s od %s. Za ma\xB3o miejsca na dysku: potrzeba %s "
    "MB, wolne %s MB.";
// Failures are captioned kErrorCaption (common/texts.h).
// "Przesyłanie pliku"
inline constexpr char kNoticeCaption[] =
    "Przesy\xB3"
    "anie pliku";

// The second question, when a part of the offered file was kept from a cut
// transfer: the file's name, the kilobytes kept and the whole size in
// kilobytes. Captioned kQuestionCaption (common/texts.h).
// "Plik %s został już częściowo odebrany (%d KB z %d KB). Wznowić?"
inline constexpr char kResumeQuestionFormat[] =
    "Plik %s zosta\xB3 ju\xBF cz\xEA\x9C"
    "ciowo odebrany (%d KB z %d KB). Wznowi\xE6?";

// The last line of a box that leaves notices out, counting them.
// "(i jeszcze %u)"
inline constexpr char kNoticesMoreFormat[] = "(i jeszcze %u)";

// The last line of the first box after notices that went to the log alone,
// while as many boxes were open as may be, counting them.
// "Pozostałe powiadomienia (%u) zapisano w dzienniku."
inline constexpr char kNoticesLoggedFormat[] =
    "Pozosta\xB3"
    "e powiadomienia (%u) zapisano w dzienniku.";
// The log line of such a notice, followed by its text.
inline constexpr char kLogNoticeNotShown[] = "notice not shown, too many boxes open: ";

}  // namespace kvel::text

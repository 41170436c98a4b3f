// Every text the plug-in shows to the user or writes to a file or the log,
// as Windows-1250 bytes, with the readable text beside it. The names of the
// host's services are in host/service_names.h.
#pragma once

namespace kvel::text {

// Plug-in information.
inline constexpr char kPluginName[] = "kvel";
inline constexpr char kNotice[] = "kvel 1.0";
inline constexpr char kAuthor[] = "kvel developers";
inline constexpr char kAuthorContact[] = "kvel@localhost";

// Files.
inline constexpr char kPluginDirectory[] = "kvel";
inline constexpr char kSettingsFile[] = "kvel.config";
// In the data directory: where the kept parts of cut transfers lie.
inline constexpr char kKeptPartsList[] = "kept-parts";
// The plug-in's data directory until LoadPlugin names the host's.
inline constexpr char kDataPathBeforeLoad[] = "c:\\";
inline constexpr char kAllFilesFilter[] = "wszystkie pliki\0*.*\0";
inline constexpr char kImageFilter[] =
    "pliki graficzne\0*.bmp;*jpg;*.gif;*.png\0wszystkie pliki\0*.*\0";
// The name a received file is proposed under when the offered one leaves nothing.
inline constexpr char kUnnamedFile[] = "plik";
inline constexpr char kImageHtmlFormat[] = "<div><img src=\"%s\"></div>";

// Log lines.
inline constexpr char kLogSocketCreated[] = "socket created";
inline constexpr char kLogBindOk[] = "bind ok";
inline constexpr char kLogListening[] = "listening";
inline constexpr char kLogAccepted[] = "connection accepted: ";
// "speed limit: 20000 KB/s each way"
inline constexpr char kLogSpeedLimit[] = "speed limit: ";
inline constexpr char kLogSpeedLimitUnit[] = " KB/s each way";

// Transfer window.
inline constexpr char kColumnContact[] = "kontakt";
inline constexpr char kColumnFile[] = "plik";
inline constexpr char kColumnPercent[] = "%";
inline constexpr char kColumnSize[] = "rozmiar";
inline constexpr char kSizeFormat[] = "%.2fKB";
inline constexpr char kSpeedFormat[] = "%.2fKB/s";
inline constexpr char kNoFile[] = "-";
inline constexpr char kTimeLeftSeconds[] = "%d s";
inline constexpr char kTimeLeftMinutes[] = "%d min %02d s";
inline constexpr char kTimeLeftHours[] = "%d h %02d min";
// A received row's menu: "Otwórz", "Pokaż w folderze".
inline constexpr char kMenuOpen[] = "Otw\xF3rz";
inline constexpr char kMenuShowInFolder[] = "Poka\xBF w folderze";
// In place of a transfer's speed: what a waiting transfer waits for ("czeka
// na połączenie"; "czeka": its turn among the sends to the same contact), and
// that a received file has come ("odebrano").
inline constexpr char kAwaitsConnection[] =
    "czeka na po\xB3\xB9"
    "czenie";
inline constexpr char kAwaitsTurn[] = "czeka";
inline constexpr char kReceivedState[] = "odebrano";

// "przesyłanie plików (p2p) oraz obrazków tlen <-> gg"
inline constexpr char kDescription[] =
    "przesy\xB3"
    "anie plik\xF3w (p2p) oraz obrazk\xF3w tlen <-> gg";
// "Wyślij plik"
inline constexpr char kMenuSendCaption[] = "Wy\x9Clij plik";
// "Wyślij obrazek"
inline constexpr char kMenuSendImageCaption[] = "Wy\x9Clij obrazek";
// "Błąd"
inline constexpr char kErrorCaption[] =
    "B\xB3\xB9"
    "d";
// "Odbiorca nie obsługuje połączeń bezpośrednich (p2p)"
inline constexpr char kErrorNoDirect[] =
    "Odbiorca nie obs\xB3uguje po\xB3\xB9"
    "cze\xF1 bezpo\x9Crednich (p2p)";
// "Odbiorca nie ma Cię na liście kontaktów"
inline constexpr char kErrorNotListed[] =
    "Odbiorca nie ma Ci\xEA na li\x9C"
    "cie kontakt\xF3w";
// "%s chce wysłać do Ciebie plik %s (%dKB). Czy chcesz go odebrać?"
inline constexpr char kQuestionFormat[] =
    "%s chce wys\xB3"
    "a\xE6 do Ciebie plik %s (%dKB). Czy chcesz go odebra\xE6?";
// "Pytanie"
inline constexpr char kQuestionCaption[] = "Pytanie";
// "prędkość"
inline constexpr char kColumnSpeed[] =
    "pr\xEA"
    "dko\x9C\xE6";
// "pozostało"
inline constexpr char kColumnTimeLeft[] = "pozosta\xB3o";
// "–", while the time left is unknown
inline constexpr char kTimeLeftUnknown[] = "\x96";

}  // namespace kvel::text

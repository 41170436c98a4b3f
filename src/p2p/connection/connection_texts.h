// The texts of direct connections: log lines, each followed by a number or
// the send it tells of, and what the user is told of a send that never
// reached its contact (Windows-1250 bytes, readable text beside).
#pragma once

namespace kvel::text {

inline constexpr char kLogUnaskedCallBack[] = "call-back nobody asked for refused: ";
inline constexpr char kLogTooManyClosed[] = "too many connections, closed: ";
inline constexpr char kLogTooManyNotCalled[] = "too many connections, not calling: ";
// Followed by the remote address, then by the claimed number.
inline constexpr char kLogTooManyFromAddress[] = "too many pending from one address, closed: ";
inline constexpr char kLogTooManyOfNumber[] = "too many pending of one number, closed: ";
inline constexpr char kLogNotForCallBack[] = "not the awaited call-back, closed: ";
inline constexpr char kLogPeerTooSlow[] = "peer too slow, dropped: ";
// A code-3 caller that is not the contact it claims, followed by who:
// "peer=1002 from=127.0.0.2 announced=127.0.0.1".
inline constexpr char kLogStrangerCallBack[] =
    "call-back not from the contact's address, refused: ";
inline constexpr char kLogForeignCallBackRefused[] =
    "call-back from another address, not allowed by the user: ";
inline constexpr char kLogPeer[] = "peer=";
inline constexpr char kLogFrom[] = " from=";
inline constexpr char kLogAnnounced[] = " announced=";
// Followed by the send: "send peer=1002 outcome=failed reason=...".
inline constexpr char kLogNotConnected[] = "not connected: ";

// Message boxes, naming the contact. Captioned kErrorCaption (common/texts.h).
// "Nie udało się nawiązać połączenia z %s. Plik nie został wysłany."
inline constexpr char kNoticeNoConnection[] =
    "Nie uda\xB3o si\xEA nawi\xB9za\xE6 po\xB3\xB9"
    "czenia z %s. Plik nie zosta\xB3 wys\xB3"
    "any.";
// "Zbyt wiele połączeń naraz. Plik do %s nie został wysłany."
inline constexpr char kNoticeNoPlace[] =
    "Zbyt wiele po\xB3\xB9"
    "cze\xF1 naraz. Plik do %s nie zosta\xB3 wys\xB3"
    "any.";
// The same for a file chosen before its connection: the contact, then the
// file's name.
// "Nie udało się nawiązać połączenia z %s. Plik %s nie został wysłany."
inline constexpr char kNoticeNoConnectionForFile[] =
    "Nie uda\xB3o si\xEA nawi\xB9za\xE6 po\xB3\xB9"
    "czenia z %s. Plik %s nie zosta\xB3 wys\xB3"
    "any.";
// The file's name, then the contact.
// "Zbyt wiele połączeń naraz. Plik %s do %s nie został wysłany."
inline constexpr char kNoticeNoPlaceForFile[] =
    "Zbyt wiele po\xB3\xB9"
    "cze\xF1 naraz. Plik %s do %s nie zosta\xB3 wys\xB3"
    "any.";

}  // namespace kvel::text

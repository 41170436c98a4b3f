// The texts of who may connect: the user's question about a call-back from
// another address than announced (Windows-1250 bytes, readable text beside).
#pragma once

namespace kvel::text {

// The question whether a contact that calls back from another address
// than the GG server announced gets its file: the contact, the caller's
// address and the file's name. Captioned kQuestionCaption (common/texts.h).
// "Kontakt %s oddzwania z adresu %s, innego niż podany przez serwer.
// Wysłać mu plik %s?"
inline constexpr char kQuestionForeignCallBack[] =
    "Kontakt %s oddzwania z adresu %s, innego ni\xBF podany przez serwer. Wys\xB3"
    "a\xE6 mu plik %s?";
// The same before the file is chosen: "... Wysłać mu plik?"
inline constexpr char kQuestionForeignCallBackNoFile[] =
    "Kontakt %s oddzwania z adresu %s, innego ni\xBF podany przez serwer. Wys\xB3"
    "a\xE6 mu plik?";

}  // namespace kvel::text

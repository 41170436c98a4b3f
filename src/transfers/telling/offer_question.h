// The questions a receiving user is asked about a peer's file offer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvel::transfers {

// The question's longest text (its buffer holds a terminating zero more).
inline constexpr size_t kMaxQuestionLength = 1023;
// Each name fills at most this much of the question.
inline constexpr size_t kMaxNameInQuestion = 255;

// "<peer> chce wysłać do Ciebie plik <file> (<size / 1024>KB). ..." with each
// name cut to 255 bytes and the whole cut to 1023. `size` is the offered
// file's whole size (a negative one reads as 0).
std::string ComposeOfferQuestion(std::string_view peerName, std::string_view fileName,
                                 int64_t size);

// "Plik <file> został już częściowo odebrany (<kept / 1024> KB z <size /
// 1024> KB). Wznowić?" with the name cut to 255 bytes.
std::string ComposeResumeQuestion(std::string_view fileName, int64_t kept, int64_t size);

}  // namespace kvel::transfers

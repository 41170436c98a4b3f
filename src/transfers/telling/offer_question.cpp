#include "transfers/telling/offer_question.h"

#include <initializer_list>

#include "common/texts.h"
#include "transfers/telling/telling_texts.h"

namespace kvel::transfers {
namespace {

int64_t Kilobytes(int64_t bytes) {
  return bytes > 0 ? bytes / 1024 : 0;
}

// Fills a question's format by hand: its %s with `names` in turn, each cut
// to kMaxNameInQuestion, and its %d with `numbers` in turn, which may exceed
// 32 bits. The whole is cut to kMaxQuestionLength.
std::string Fill(std::string_view format, std::initializer_list<std::string_view> names,
                 std::initializer_list<int64_t> numbers) {
  auto name = names.begin();
  auto number = numbers.begin();
  std::string question;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char conversion = format[++i];
      if (conversion == 's' && name != names.end()) {
        question += (name++)->substr(0, kMaxNameInQuestion);
      } else if (conversion == 'd' && number != numbers.end()) {
        question += std::to_string(*number++);
      } else {
        question += conversion;
      }
    } else {
      question += format[i];
    }
  }
  if (question.size() > kMaxQuestionLength) question.resize(kMaxQuestionLength);
  return question;
}

}  // namespace

std::string ComposeOfferQuestion(std::string_view peerName, std::string_view fileName,
                                 int64_t size) {
  return Fill(text::kQuestionFormat, {peerName, fileName}, {Kilobytes(size)});
}

std::string ComposeResumeQuestion(std::string_view fileName, int64_t kept, int64_t size) {
  return Fill(text::kResumeQuestionFormat, {fileName}, {Kilobytes(kept), Kilobytes(size)});
}

}  // namespace kvel::transfers

#include "transfers/offer_question.h"

#include "common/texts.h"

namespace kvel::transfers {

std::string ComposeOfferQuestion(std::string_view peerName, std::string_view fileName,
                                 int64_t size) {
  // The format's conversions are filled by hand: two names, then a number
  // that may exceed 32 bits.
  const std::string_view names[] = {peerName.substr(0, kMaxNameInQuestion),
                                    fileName.substr(0, kMaxNameInQuestion)};
  size_t nextName = 0;
  std::string question;
  const std::string_view format = text::kQuestionFormat;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char conversion = format[++i];
      if (conversion == 's' && nextName < 2) {
        question += names[nextName++];
      } else if (conversion == 'd') {
        question += std::to_string(size > 0 ? size / 1024 : 0);
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

}  // namespace kvel::transfers

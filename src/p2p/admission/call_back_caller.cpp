#include "p2p/admission/call_back_caller.h"

#include <cstdio>

#include "common/file_name.h"
#include "common/ipv4_address.h"
#include "p2p/admission/admission_texts.h"

namespace kvel::p2p {

CallBackCaller JudgeCallBackCaller(uint32_t remote, uint32_t announced) {
  if (announced != 0 && remote == announced) return CallBackCaller::Contact;
  return BehindRouter(KindOf(announced)) ? CallBackCaller::Unsure : CallBackCaller::Stranger;
}

std::string ForeignCallBackQuestion(const std::string& contact, uint32_t remote,
                                    const std::string& file) {
  const std::string address = AddressText(remote);
  const std::string name(FileNameOf(file));
  // The question without a file takes no name: the last argument is unused.
  const char* format =
      name.empty() ? text::kQuestionForeignCallBackNoFile : text::kQuestionForeignCallBack;
  char question[1024];
  std::snprintf(question, sizeof question, format, contact.c_str(), address.c_str(), name.c_str());
  return question;
}

}  // namespace kvel::p2p

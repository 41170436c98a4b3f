#include "support/scripted_dialogs.h"

#include <cstring>
#include <deque>
#include <mutex>

#include "platform/dialogs.h"

namespace kvel::testing {
namespace {

struct Script {
  std::mutex mutex;
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> saves;
  std::deque<std::optional<std::string>> opens;
  std::function<void(const DialogCall&)> hook;
  std::vector<DialogCall> calls;
};

Script& TheScript() {
  static Script script;
  return script;
}

// The filter's pairs of texts up to the empty text that ends it.
std::string WholeFilter(const char* filter) {
  if (filter == nullptr) return {};
  const char* end = filter;
  while (*end != '\0') end += std::strlen(end) + 1;
  return std::string(filter, static_cast<size_t>(end - filter));
}

void Record(const DialogCall& call) {
  Script& script = TheScript();
  std::function<void(const DialogCall&)> hook;
  {
    std::lock_guard<std::mutex> lock(script.mutex);
    script.calls.push_back(call);
    hook = script.hook;
  }
  if (hook) hook(call);
}

template <typename T>
std::optional<T> Next(std::deque<T>& queue) {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

bool ChooseFile(DialogCall::Kind kind, platform::FileDialog& dialog,
                std::deque<std::optional<std::string>>& queue) {
  DialogCall call{kind, {}, {}, WholeFilter(dialog.filter), dialog.flags, dialog.pathSize};
  if (dialog.path != nullptr) call.text.assign(dialog.path, strnlen(dialog.path, dialog.pathSize));
  Record(call);
  std::optional<std::optional<std::string>> choice = Next(queue);
  if (!choice || !*choice || dialog.path == nullptr || dialog.pathSize == 0) return false;
  const std::string& path = **choice;
  const size_t length = std::min(path.size(), dialog.pathSize - 1);
  std::memcpy(dialog.path, path.data(), length);
  dialog.path[length] = '\0';
  return true;
}

}  // namespace

void ScriptedDialogs::Reset() {
  Script& script = TheScript();
  std::lock_guard<std::mutex> lock(script.mutex);
  script.answers.clear();
  script.saves.clear();
  script.opens.clear();
  script.hook = nullptr;
  script.calls.clear();
}

void ScriptedDialogs::QueueAnswer(bool yes) {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  TheScript().answers.push_back(yes);
}

void ScriptedDialogs::QueueSaveChoice(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  TheScript().saves.push_back(std::move(path));
}

void ScriptedDialogs::QueueOpenChoice(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  TheScript().opens.push_back(std::move(path));
}

void ScriptedDialogs::OnDialog(std::function<void(const DialogCall&)> hook) {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  TheScript().hook = std::move(hook);
}

std::vector<DialogCall> ScriptedDialogs::Calls() {
  std::lock_guard<std::mutex> lock(TheScript().mutex);
  return TheScript().calls;
}

}  // namespace kvel::testing

namespace kvel::platform {
using testing::DialogCall;

bool AskYesNo(const char* text, const char* caption) {
  testing::Record({DialogCall::kQuestion, text, caption, {}, 0, 0});
  return testing::Next(testing::TheScript().answers).value_or(true);
}

bool AskNoYes(const char* text, const char* caption) {
  testing::Record({DialogCall::kQuestion, text, caption, {}, 0, 0});
  return testing::Next(testing::TheScript().answers).value_or(false);
}

void ShowError(const char* text, const char* caption) {
  testing::Record({DialogCall::kError, text, caption, {}, 0, 0});
}

bool ChooseSaveFile(FileDialog& dialog) {
  return testing::ChooseFile(DialogCall::kSave, dialog, testing::TheScript().saves);
}

bool ChooseOpenFile(FileDialog& dialog) {
  return testing::ChooseFile(DialogCall::kOpen, dialog, testing::TheScript().opens);
}

}  // namespace kvel::platform

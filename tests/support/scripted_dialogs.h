// The platform's dialogs for test programs: every question, error box and
// file dialog is recorded and answered from a script instead of a window.
// One script per process (the dialogs are free functions); safe from any
// thread, so a transfer's thread may ask while the test waits.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvel::testing {

struct DialogCall {
  enum Kind { kQuestion, kError, kSave, kOpen } kind;
  std::string text;     // question or error text; for file dialogs the proposed name
  std::string caption;  // message boxes only
  std::string filter;   // file dialogs: the whole filter, its NULs included
  unsigned long flags = 0;
  size_t pathSize = 0;
};

class ScriptedDialogs {
 public:
  // Clears the script and the record; unanswered questions are yes (no for
  // AskNoYes, whose safe answer is no) and unanswered file dialogs are
  // cancelled.
  static void Reset();

  static void QueueAnswer(bool yes);
  // A path confirms the dialog with it; nullopt cancels.
  static void QueueSaveChoice(std::optional<std::string> path);
  static void QueueOpenChoice(std::optional<std::string> path);
  // Runs as a dialog opens, before it is answered (e.g. to wait or look).
  static void OnDialog(std::function<void(const DialogCall&)> hook);

  static std::vector<DialogCall> Calls();
};

// Resets the script on construction and destruction.
class ScriptedDialogsScope {
 public:
  ScriptedDialogsScope() { ScriptedDialogs::Reset(); }
  ~ScriptedDialogsScope() { ScriptedDialogs::Reset(); }
};

}  // namespace kvel::testing

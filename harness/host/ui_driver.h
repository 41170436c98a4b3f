// The stand-in host's user (win32 only): answers the plug-in's modal dialogs
// the way a person would. A thread of its own watches this process's
// top-level dialogs and
//   - answers each question box titled "Pytanie" with the next queued answer
//     (no when none is queued),
//   - fills each open or save dialog with the next queued path and confirms
//     it, or cancels it (also when nothing is queued); an open dialog may
//     pick several files instead: it goes to their folder, then picks them
//     by their names in quotes,
//   - records and closes every error box titled "Błąd",
//   - records and dismisses any other message box.
// Other dialogs of the process (the transfer window) are left alone.
// Everything it saw is kept with its caption and text.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace standin {

class UiDriver {
 public:
  struct Dialog {
    std::string kind;     // "question", "error", "file" or "other" (message box)
    std::string caption;  // the window's title
    std::string text;     // the message, or the name a file dialog proposed
  };

  UiDriver();
  ~UiDriver();  // stops watching; dialogs still open stay open
  UiDriver(const UiDriver&) = delete;
  UiDriver& operator=(const UiDriver&) = delete;

  void QueueAnswer(bool yes);
  // A path confirms the next file dialog with it; nullopt cancels it.
  void QueueFileChoice(std::optional<std::string> path);
  // The same for the next open dialog (one that proposes no name) or the next
  // save dialog (one that proposes the offered name); these queues come
  // before the common one. A save choice ending in a separator is a folder:
  // the proposed name is put after it.
  void QueueOpenChoice(std::optional<std::string> path);
  void QueueSaveChoice(std::optional<std::string> path);
  // The next open dialog picks `names`, all in `folder`, at once.
  void QueueOpenChoices(std::string folder, std::vector<std::string> names);

  std::vector<Dialog> Seen();
  // The texts of the error boxes, in order.
  std::vector<std::string> Errors();
  // Waits until `count` dialogs have been handled; false if that takes longer
  // than `limitMs` (a guard against a hang, not a timing check).
  bool WaitForDialogs(size_t count, unsigned limitMs = 60000);

 private:
  void Watch();
  // True once `window` has looked the same for a few polls and answers
  // messages: a dialog read during its creation shows half-set texts.
  bool Settled(void* window);
  void Handle(void* window);

  // What a file dialog is answered with.
  struct FileChoice {
    std::optional<std::string> path;  // nullopt cancels; with `names`, their folder
    std::vector<std::string> names;   // several files picked in the folder
  };
  // Picks the files of `choice` in the dialog `window` whose file name box
  // is `fileName`: goes to their folder, then confirms their names.
  static void PickSeveral(void* window, void* fileName, const FileChoice& choice);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::deque<bool> answers_;
  std::deque<FileChoice> fileChoices_;
  std::deque<FileChoice> openChoices_;
  std::deque<FileChoice> saveChoices_;
  std::vector<Dialog> seen_;
  std::vector<void*> handled_;  // windows answered and not yet gone
  struct Watched {
    void* window;
    std::string look;  // caption, texts and number of controls
    int polls;         // consecutive polls with that look
  };
  std::vector<Watched> watched_;  // the watching thread's own
  std::thread thread_;
};

}  // namespace standin

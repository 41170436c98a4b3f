#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/texts.h"
#include "all_windows.h"
#include "ui_driver.h"

namespace standin {
namespace {

// Controls of the platform's dialogs.
constexpr int kMessageTextId = 0xFFFF;   // the message box's text
constexpr int kFileNameComboId = 0x47C;  // the file name box of the explorer-style dialog
constexpr int kFileNameEditId = 0x480;   // and of the older style
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kSettledPolls = 4;  // the same look for this many polls
constexpr UINT kResponseLimitMs = 1000;
// How long a file dialog may take to open a folder.
constexpr UINT kFolderLimitMs = 5000;

std::string WindowText(HWND window) {
  char text[2048] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct Search {
  int id;
  HWND found;
};

// The innermost edit control with the id, or the control itself.
BOOL CALLBACK FindFileNameEdit(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (search->found == nullptr || lstrcmpiA(name, "Edit") == 0) search->found = child;
  return TRUE;
}

HWND FileNameControl(HWND dialog) {
  for (int id : {kFileNameComboId, kFileNameEditId}) {
    Search search{id, nullptr};
    EnumChildWindows(dialog, &FindFileNameEdit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
  }
  return nullptr;
}

BOOL CALLBACK OnlyStaticsAndButtons(HWND child, LPARAM context) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Static") != 0 && lstrcmpiA(name, "Button") != 0) {
    *reinterpret_cast<bool*>(context) = false;
    return FALSE;
  }
  return TRUE;
}

// A message box holds its text and buttons and nothing else; other dialogs
// of the process (the transfer window) are left alone.
bool IsMessageBox(HWND dialog) {
  if (GetDlgItem(dialog, kMessageTextId) == nullptr) return false;
  bool plain = true;
  EnumChildWindows(dialog, &OnlyStaticsAndButtons, reinterpret_cast<LPARAM>(&plain));
  return plain;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

BOOL CALLBACK CountChild(HWND, LPARAM context) {
  ++*reinterpret_cast<int*>(context);
  return TRUE;
}

// What a dialog shows now: caption, the texts of its file name and message
// controls, and how many controls it has.
std::string Look(HWND dialog) {
  int children = 0;
  EnumChildWindows(dialog, &CountChild, reinterpret_cast<LPARAM>(&children));
  HWND fileName = FileNameControl(dialog);
  HWND message = GetDlgItem(dialog, kMessageTextId);
  return WindowText(dialog) + '\n' + (fileName != nullptr ? WindowText(fileName) : "") + '\n' +
         (message != nullptr ? WindowText(message) : "") + '\n' + std::to_string(children);
}

struct Candidates {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // Visible or not: a dialog of a thread outside the virtual desktop may stay
  // unshown under Xvfb while it waits for its answer all the same.
  if (process != GetCurrentProcessId()) return TRUE;
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0)
    reinterpret_cast<Candidates*>(context)->windows.push_back(window);
  return TRUE;
}

}  // namespace

UiDriver::UiDriver() : thread_([this] { Watch(); }) {}

UiDriver::~UiDriver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void UiDriver::QueueAnswer(bool yes) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(yes);
}

void UiDriver::QueueFileChoice(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  fileChoices_.push_back({std::move(path), {}});
}

void UiDriver::QueueOpenChoice(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  openChoices_.push_back({std::move(path), {}});
}

void UiDriver::QueueSaveChoice(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  saveChoices_.push_back({std::move(path), {}});
}

void UiDriver::QueueOpenChoices(std::string folder, std::vector<std::string> names) {
  std::lock_guard<std::mutex> lock(mutex_);
  openChoices_.push_back({std::move(folder), std::move(names)});
}

// Runs without the lock, as Handle.
void UiDriver::PickSeveral(void* handle, void* nameBox, const FileChoice& choice) {
  HWND window = static_cast<HWND>(handle);
  HWND fileName = static_cast<HWND>(nameBox);
  // A folder typed in the name box and confirmed opens it; the dialog
  // takes the quoted names in the folder it shows.
  SendMessageA(fileName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(choice.path->c_str()));
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)), SMTO_NORMAL,
                      kFolderLimitMs, &result);
  // Opening the folder empties the name box.
  for (int waited = 0; waited < static_cast<int>(kFolderLimitMs); waited += 50) {
    if (WindowText(fileName) != *choice.path) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::string names;
  for (const std::string& name : choice.names) names += (names.empty() ? "\"" : " \"") + name + '"';
  SendMessageA(fileName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
  Press(window, IDOK);
}

std::vector<UiDriver::Dialog> UiDriver::Seen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

std::vector<std::string> UiDriver::Errors() {
  std::vector<std::string> texts;
  for (const Dialog& dialog : Seen()) {
    if (dialog.kind == "error") texts.push_back(dialog.text);
  }
  return texts;
}

bool UiDriver::WaitForDialogs(size_t count, unsigned limitMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                           [&] { return seen_.size() >= count; });
}

void UiDriver::Watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!changed_.wait_for(lock, kPollInterval, [&] { return stop_; })) {
    // Forget windows that have gone; their handles may come back.
    std::erase_if(handled_, [](void* window) { return !IsWindow(static_cast<HWND>(window)); });
    std::erase_if(watched_,
                  [](const Watched& w) { return !IsWindow(static_cast<HWND>(w.window)); });
    lock.unlock();
    Candidates candidates;
    EnumAllTopLevelWindows(&CollectDialogs, reinterpret_cast<LPARAM>(&candidates));
    for (HWND window : candidates.windows) Handle(window);
    lock.lock();
  }
}

// Runs without the lock, as Handle.
bool UiDriver::Settled(void* handle) {
  HWND window = static_cast<HWND>(handle);
  // A dialog thread still inside its creation does not take sent messages.
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kResponseLimitMs,
                          &result) == 0) {
    return false;
  }
  std::string look = Look(window);
  auto it = std::find_if(watched_.begin(), watched_.end(),
                         [&](const Watched& w) { return w.window == handle; });
  if (it == watched_.end()) {
    watched_.push_back({handle, std::move(look), 1});
    return false;
  }
  if (it->look != look) {
    it->look = std::move(look);
    it->polls = 1;
    return false;
  }
  return ++it->polls >= kSettledPolls;
}

// Runs without the lock: reading a dialog's texts sends it messages.
void UiDriver::Handle(void* handle) {
  HWND window = static_cast<HWND>(handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(handled_.begin(), handled_.end(), handle) != handled_.end()) return;
  }
  // Only file dialogs and message boxes are answered, once they have settled;
  // other dialogs (the transfer window) are not disturbed.
  HWND fileName = FileNameControl(window);
  HWND message =
      fileName == nullptr && IsMessageBox(window) ? GetDlgItem(window, kMessageTextId) : nullptr;
  if (fileName == nullptr && message == nullptr) return;
  if (!Settled(handle)) return;
  Dialog dialog;
  dialog.caption = WindowText(window);
  const std::string proposed = fileName != nullptr ? WindowText(fileName) : std::string();
  FileChoice choice;
  std::optional<std::string>& fileChoice = choice.path;
  bool yes = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fileName != nullptr) {
      dialog.kind = "file";
      auto& specific = proposed.empty() ? openChoices_ : saveChoices_;
      auto& queue = specific.empty() ? fileChoices_ : specific;
      if (!queue.empty()) {
        choice = std::move(queue.front());
        queue.pop_front();
      }
      if (choice.names.empty() && fileChoice && !fileChoice->empty() &&
          (fileChoice->back() == '\\' || fileChoice->back() == '/')) {
        *fileChoice += proposed;
      }
    } else if (dialog.caption == kvel::text::kQuestionCaption) {
      dialog.kind = "question";
      if (!answers_.empty()) {
        yes = answers_.front();
        answers_.pop_front();
      }
    } else if (dialog.caption == kvel::text::kErrorCaption) {
      dialog.kind = "error";
    } else {
      dialog.kind = "other";
    }
  }
  if (message != nullptr) dialog.text = WindowText(message);
  if (fileName != nullptr) dialog.text = proposed;

  if (dialog.kind == "file") {
    if (fileChoice && !choice.names.empty()) {
      PickSeveral(window, fileName, choice);
    } else if (fileChoice) {
      SendMessageA(fileName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileChoice->c_str()));
      Press(window, IDOK);
    } else {
      Press(window, IDCANCEL);
    }
  } else if (dialog.kind == "question") {
    Press(window, yes ? IDYES : IDNO);
  } else if (dialog.kind == "error") {
    Press(window, IDOK);
  } else {
    // Whatever buttons the box has, one of these ends it.
    Press(window, IDCANCEL);
    Press(window, IDNO);
    Press(window, IDOK);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handled_.push_back(handle);
    seen_.push_back(std::move(dialog));
  }
  changed_.notify_all();
}

}  // namespace standin

#include "main_thread.h"

#include <windows.h>

#include <future>

namespace standin {
namespace {
DWORD g_mainThread = 0;
HWND g_taskWindow = nullptr;
constexpr UINT kRunTask = WM_APP + 1;

struct Task {
  std::function<void()> run;
};

// Tasks go to a message-only window rather than to the thread, so that they
// also run while a modal dialog's own loop pumps the thread.
LRESULT CALLBACK TaskWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunTask) {
    auto* task = reinterpret_cast<Task*>(lparam);
    task->run();
    delete task;
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}
}  // namespace

void BindMainThread() {
  g_mainThread = GetCurrentThreadId();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &TaskWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "kvel_host_tasks";
  RegisterClassA(&windowClass);
  g_taskWindow = CreateWindowA("kvel_host_tasks", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
}

std::string RunOnMainThread(std::function<std::string()> task) {
  if (GetCurrentThreadId() == g_mainThread) return task();
  auto promise = std::make_shared<std::promise<std::string>>();
  std::future<std::string> answer = promise->get_future();
  PostToMainThread([task, promise] { promise->set_value(task()); });
  return answer.get();
}

void PostToMainThread(std::function<void()> task) {
  auto* posted = new Task{std::move(task)};
  if (!PostMessageA(g_taskWindow, kRunTask, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

void RunMainLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void QuitMainThread() {
  PostToMainThread([] { PostQuitMessage(0); });
}

}  // namespace standin

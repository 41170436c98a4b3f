// The worker's threads and stop signal over Win32: each thread holds a
// reference to the plug-in's module from its start and drops it as it exits
// (FreeLibraryAndExitThread), so no code of the DLL runs after it is unmapped.
#include <winsock2.h>
#include <windows.h>

#include <utility>

#include "platform/threads/worker_state.h"

namespace kvel::platform {
namespace native {
namespace {
struct Start {
  std::function<void()> body;
  HMODULE module;
};

DWORD WINAPI Trampoline(LPVOID raw) {
  auto* start = static_cast<Start*>(raw);
  start->body();
  const HMODULE module = start->module;
  delete start;
  // Everything of the body is gone; drop the module reference without
  // returning into code that may be unmapped.
  if (module != nullptr) FreeLibraryAndExitThread(module, 0);
  return 0;
}

HMODULE ReferenceThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCSTR>(&ReferenceThisModule), &module);
  return module;
}
}  // namespace

bool StartThread(std::function<void()> body, uintptr_t* joinable) {
  auto* start = new Start{std::move(body), ReferenceThisModule()};
  HANDLE thread = CreateThread(nullptr, 0, &Trampoline, start, 0, nullptr);
  if (thread == nullptr) {
    if (start->module != nullptr) FreeLibrary(start->module);
    delete start;
    return false;
  }
  if (joinable == nullptr)
    CloseHandle(thread);
  else
    *joinable = reinterpret_cast<uintptr_t>(thread);
  return true;
}

bool JoinThread(uintptr_t thread, uint32_t milliseconds) {
  HANDLE handle = reinterpret_cast<HANDLE>(thread);
  if (WaitForSingleObject(handle, milliseconds) != WAIT_OBJECT_0) return false;
  CloseHandle(handle);
  return true;
}

void LetGo(uintptr_t thread) {
  CloseHandle(reinterpret_cast<HANDLE>(thread));
}

uintptr_t MakeSignal() {
  // Manual reset: once raised it stays raised for every wait that follows.
  return reinterpret_cast<uintptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

void RaiseSignal(uintptr_t signal) {
  if (signal != 0) SetEvent(reinterpret_cast<HANDLE>(signal));
}

void FreeSignal(uintptr_t signal) {
  if (signal != 0) CloseHandle(reinterpret_cast<HANDLE>(signal));
}
}  // namespace native

WorkerStop::SocketWait WorkerStop::WaitReadable(Socket socket) {
  if (state_.signal == 0) return SocketWait::Failed;
  const SOCKET s = static_cast<SOCKET>(socket);
  WSAEVENT readable = WSACreateEvent();
  if (readable == WSA_INVALID_EVENT) return SocketWait::Failed;
  // A peer already waiting is recorded at once. The association leaves the
  // socket non-blocking, as the listener keeps it anyway.
  SocketWait result = SocketWait::Failed;
  if (WSAEventSelect(s, readable, FD_ACCEPT | FD_READ | FD_CLOSE) == 0) {
    HANDLE events[2] = {reinterpret_cast<HANDLE>(state_.signal), readable};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0)
      result = SocketWait::Stopped;
    else if (woken == WAIT_OBJECT_0 + 1)
      result = SocketWait::Readable;
    WSAEventSelect(s, nullptr, 0);
  }
  WSACloseEvent(readable);
  return result;
}

}  // namespace kvel::platform

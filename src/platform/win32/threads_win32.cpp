#include <windows.h>

#include <ctime>

#include "platform/threads.h"

namespace kvel::platform {
namespace {
struct Start {
  ThreadRoutine routine;
  void* argument;
  HMODULE module;  // held while a detached thread runs; null otherwise
};

DWORD WINAPI Trampoline(LPVOID raw) {
  Start start = *static_cast<Start*>(raw);
  delete static_cast<Start*>(raw);
  start.routine(start.argument);
  // Everything of the routine is gone; drop the module reference without
  // returning into code that may be unmapped.
  if (start.module != nullptr) FreeLibraryAndExitThread(start.module, 0);
  return 0;
}

HMODULE ReferenceThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCSTR>(&ReferenceThisModule), &module);
  return module;
}
}  // namespace

bool SpawnDetachedThread(ThreadRoutine routine, void* argument) {
  auto* start = new Start{routine, argument, ReferenceThisModule()};
  HANDLE thread = CreateThread(nullptr, 0, &Trampoline, start, 0, nullptr);
  if (thread == nullptr) {
    if (start->module != nullptr) FreeLibrary(start->module);
    delete start;
    return false;
  }
  CloseHandle(thread);
  return true;
}

bool StartThread(ThreadRoutine routine, void* argument, ThreadHandle* handle) {
  auto* start = new Start{routine, argument, nullptr};
  HANDLE thread = CreateThread(nullptr, 0, &Trampoline, start, 0, nullptr);
  if (thread == nullptr) {
    delete start;
    return false;
  }
  handle->native = thread;
  return true;
}

bool WaitThread(ThreadHandle* handle, uint32_t milliseconds) {
  if (handle->native == nullptr) return true;
  bool ended = WaitForSingleObject(handle->native, milliseconds) == WAIT_OBJECT_0;
  CloseHandle(handle->native);
  handle->native = nullptr;
  return ended;
}

void SleepMilliseconds(uint32_t milliseconds) {
  Sleep(milliseconds);
}

void ServeSentMessages(uint32_t milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

uint32_t TickCount() {
  return GetTickCount();
}

uint32_t UnixTime() {
  return static_cast<uint32_t>(std::time(nullptr));
}

}  // namespace kvel::platform

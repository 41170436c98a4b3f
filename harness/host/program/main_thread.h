// Work for the host's main thread, the one that loaded the plug-in and pumps
// its window messages: menu callbacks and clicks run there as in the host.
#pragma once

#include <functional>
#include <string>

namespace standin {

// Remembers the calling thread as the main thread.
void BindMainThread();
// Runs `task` on the main thread and waits for its answer.
std::string RunOnMainThread(std::function<std::string()> task);
// Runs `task` on the main thread later, without waiting (a click whose
// command opens a modal dialog).
void PostToMainThread(std::function<void()> task);
// The main thread's message loop; returns when QuitMainThread is called.
void RunMainLoop();
void QuitMainThread();

}  // namespace standin

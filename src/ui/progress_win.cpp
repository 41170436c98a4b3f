#include "ui/progress_win.h"

#include "platform/threads.h"

namespace kvel::ui {

ProgressWin::ProgressWin(transfers::TransferTable::Clock clock, void* module)
    : table_(std::move(clock)), view_(this, module) {}

ProgressWin::~ProgressWin() = default;

void ProgressWin::AddTransfer(platform::Socket socket, uint32_t uin,
                              transfers::TransferDirection direction, const std::string& contact) {
  if (table_.Find(socket).has_value()) RemoveTransfer(socket);
  table_.Add(socket, uin, direction, contact);
  view_.InsertRow(socket, direction);
  view_.Show();
}

void ProgressWin::SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                                  int64_t doneBytes) {
  if (table_.SetFile(socket, fileName, totalBytes, doneBytes)) view_.RedrawRow(socket);
}

void ProgressWin::AddProgress(platform::Socket socket, int64_t bytes) {
  if (table_.AddProgress(socket, bytes)) view_.RedrawRow(socket);
}

std::optional<transfers::TaskInfo> ProgressWin::RemoveTransfer(platform::Socket socket) {
  // The row goes before the entry, so the list never shows a row whose entry
  // is missing.
  view_.DeleteRow(socket);
  std::optional<transfers::TaskInfo> entry = table_.Remove(socket);
  if (table_.Size() == 0) view_.Hide();
  return entry;
}

bool ProgressWin::StopTransfer(platform::Socket socket) {
  return table_.Stop(socket, [](platform::Socket s) { platform::ShutdownBoth(s); });
}

}  // namespace kvel::ui

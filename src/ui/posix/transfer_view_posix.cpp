// The native build has no window: the table works on its own.
#include "platform/threads.h"
#include "ui/transfer_view.h"

namespace kvel::ui {

TransferView::TransferView(ProgressWin*, void*) {}
TransferView::~TransferView() = default;
void TransferView::InsertRow(platform::Socket, transfers::TransferDirection) {}
void TransferView::RedrawRow(platform::Socket) {}
void TransferView::DeleteRow(platform::Socket) {}
void TransferView::Show() {}
void TransferView::Hide() {}

// No thread here waits for window messages to be carried out: waiting is all.
void TransferView::ServeSentMessages(uint32_t milliseconds) {
  platform::SleepMilliseconds(milliseconds);
}

}  // namespace kvel::ui

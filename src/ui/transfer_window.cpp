#include "ui/transfer_window.h"

#include <algorithm>
#include <utility>

#include "ui/runnable_files.h"

namespace kvel::ui {

using transfers::Transfer;
using transfers::TransferId;

// Wakes the window's thread for each transfer that comes or goes; the
// registry's call returns at once.
class TransferWindow::Waker final : public transfers::TransfersObserver {
 public:
  explicit Waker(Screen& screen) : screen_(screen) {}
  void TransferListed(const Transfer&) override { screen_.Wake(); }
  void TransferEnded(const Transfer&) override { screen_.Wake(); }

 private:
  Screen& screen_;
};

namespace {

// Whether the row looks different: a text, or the bar's length.
bool Differs(const TransferWindow::Row& shown, const TransferWindow::Row& fresh) {
  return shown.texts != fresh.texts || shown.transfer.Done() != fresh.transfer.Done() ||
         shown.transfer.size != fresh.transfer.size;
}

}  // namespace

TransferWindow::TransferWindow(transfers::TransferRegistry& registry, void* module)
    : registry_(registry), opener_(PlatformFileOpener()) {
  screen_ = OpenDialog(*this, module);
  Observe();
}

TransferWindow::TransferWindow(transfers::TransferRegistry& registry,
                               std::unique_ptr<Screen> screen, std::unique_ptr<FileOpener> opener)
    : registry_(registry), screen_(std::move(screen)), opener_(std::move(opener)) {
  Observe();
}

TransferWindow::~TransferWindow() {
  // No notification reaches the screen once this returns.
  registry_.RemoveObserver(waker_.get());
  screen_.reset();
}

void TransferWindow::Observe() {
  waker_ = std::make_shared<Waker>(*screen_);
  registry_.AddObserver(waker_);
  // Transfers listed before the window was made show at the first tick.
  screen_->Wake();
}

void TransferWindow::Tick() {
  std::vector<Transfer> listed = registry_.Snapshot();
  std::vector<Row> fresh;
  fresh.reserve(listed.size());
  std::vector<TransferId> gone, added, changed;
  // Both are in the order of their ids.
  auto shown = rows_.begin();
  for (Transfer& transfer : listed) {
    for (; shown != rows_.end() && shown->transfer.id < transfer.id; ++shown)
      gone.push_back(shown->transfer.id);
    Row row{std::move(transfer), {}};
    row.texts = TextsOf(row.transfer);
    if (shown != rows_.end() && shown->transfer.id == row.transfer.id) {
      if (Differs(*shown, row)) changed.push_back(row.transfer.id);
      ++shown;
    } else {
      added.push_back(row.transfer.id);
    }
    fresh.push_back(std::move(row));
  }
  for (; shown != rows_.end(); ++shown) gone.push_back(shown->transfer.id);
  // The rows are current before the screen asks for their texts.
  rows_ = std::move(fresh);

  for (TransferId id : gone) screen_->DeleteRow(id);
  // Each goes on top: the newest ends up first.
  for (TransferId id : added) screen_->InsertRow(id, FindRow(id)->transfer.direction);
  for (TransferId id : changed) screen_->RedrawRow(id);
  if (!added.empty()) screen_->Show();
  if (rows_.empty() && !gone.empty()) screen_->Hide();
  if (rows_.empty() == ticking_) {
    ticking_ = !rows_.empty();
    if (ticking_)
      screen_->StartTicks();
    else
      screen_->StopTicks();
  }
}

void TransferWindow::StopRow(TransferId id) {
  registry_.Stop(id);
}

std::vector<TransferWindow::Action> TransferWindow::ActionsOf(TransferId id) const {
  const Row* row = FindRow(id);
  // Listed once over only when it came whole; checked as such all the same.
  if (row == nullptr || row->transfer.state != transfers::TransferState::Ended ||
      row->transfer.outcome != transfers::TransferOutcome::Done ||
      row->transfer.direction != transfers::Receive || row->transfer.path.empty())
    return {};
  return {Action::Open, Action::ShowInFolder};
}

void TransferWindow::Act(TransferId id, Action action) {
  const std::vector<Action> offered = ActionsOf(id);
  if (std::find(offered.begin(), offered.end(), action) == offered.end()) return;
  const std::string& path = FindRow(id)->transfer.path;
  if (action == Action::Open && !RunsWhenOpened(path))
    opener_->Open(path);
  else
    opener_->ShowInFolder(path);
}

const TransferWindow::Row* TransferWindow::FindRow(TransferId id) const {
  auto found = std::lower_bound(rows_.begin(), rows_.end(), id, [](const Row& row, TransferId key) {
    return row.transfer.id < key;
  });
  return found != rows_.end() && found->transfer.id == id ? &*found : nullptr;
}

}  // namespace kvel::ui

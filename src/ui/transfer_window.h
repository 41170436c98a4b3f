// The transfer window: it observes the transfers registry and shows each
// listed transfer in a row (newest at the top) with its contact, file,
// percent, bar, size, speed and time left, and lets the user stop one. It renders a
// snapshot of the registry at every tick, about four times a second while
// it lists transfers, and at once when the registry tells it that a
// transfer came or went: so it shows itself for a new transfer, hides when
// the last one ends, and is never more than one tick behind the registry.
// It never changes a transfer but through the registry's Stop. A file
// received whole stays listed for a while, and its row opens the file or
// its folder when the user asks (never by itself).
//
// Lives on the thread that made it; every call but the registry's
// notifications (which only wake it) comes on that thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "transfers/registry/transfer_registry.h"
#include "ui/file_opener.h"
#include "ui/row_texts.h"
#include "ui/screen.h"

namespace kvel::ui {

class TransferWindow {
 public:
  // The tick while transfers are listed.
  static constexpr uint32_t kTickMs = 250;

  // A listed transfer as the last tick rendered it.
  struct Row {
    transfers::Transfer transfer;
    RowTexts texts;
  };

  // What a row offers the user beyond the stop button.
  enum class Action { Open, ShowInFolder };

  // Observes `registry` (which outlives the window) in the platform's dialog
  // made from the resources of `module`, hidden; files open on the platform.
  TransferWindow(transfers::TransferRegistry& registry, void* module);
  // The same on `screen`, opening files with `opener` (tests).
  TransferWindow(transfers::TransferRegistry& registry, std::unique_ptr<Screen> screen,
                 std::unique_ptr<FileOpener> opener);
  // Stops observing, then destroys the dialog.
  ~TransferWindow();
  TransferWindow(const TransferWindow&) = delete;
  TransferWindow& operator=(const TransferWindow&) = delete;

  // Renders a fresh snapshot: rows for new transfers (and the window shown),
  // rows of ended ones gone (and the window hidden when none is left), the
  // others repainted where they changed; ticks while rows are listed.
  void Tick();
  // The stop button on the row of `id`: asks the registry to stop it. The
  // row goes when the transfer has ended.
  void StopRow(transfers::TransferId id);
  // What the row of `id` offers: opening the file and showing it in its
  // folder while it is listed as received whole, nothing otherwise.
  std::vector<Action> ActionsOf(transfers::TransferId id) const;
  // Does `action` for the row of `id` (its double click is Open), when the
  // row offers it. A file the platform would run is never opened: its
  // folder is shown instead.
  void Act(transfers::TransferId id, Action action);

  // The row of `id` as last rendered; null when there is none.
  const Row* FindRow(transfers::TransferId id) const;

 private:
  class Waker;
  void Observe();

  transfers::TransferRegistry& registry_;
  std::unique_ptr<Screen> screen_;
  std::unique_ptr<FileOpener> opener_;
  std::shared_ptr<Waker> waker_;
  std::vector<Row> rows_;  // by id, as the registry's snapshots come
  bool ticking_ = false;
};

}  // namespace kvel::ui

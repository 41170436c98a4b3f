// The native build has no dialog: the window renders for nobody, and
// nothing ticks it.
#include "ui/screen.h"

namespace kvel::ui {
namespace {

class NoScreen final : public Screen {
 public:
  void InsertRow(transfers::TransferId, transfers::TransferDirection) override {}
  void DeleteRow(transfers::TransferId) override {}
  void RedrawRow(transfers::TransferId) override {}
  void Show() override {}
  void Hide() override {}
  void StartTicks() override {}
  void StopTicks() override {}
  void Wake() override {}
};

}  // namespace

std::unique_ptr<Screen> OpenDialog(TransferWindow&, void*) {
  return std::make_unique<NoScreen>();
}

}  // namespace kvel::ui

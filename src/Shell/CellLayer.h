#pragma once

#include "Cells/DissolvingCell.h"
#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Ui/CellFrame.h"

#include <gtkmm.h>

#include <functional>
#include <memory>

namespace kivari {

// One open cell: the cell view in its breathing membrane, set in its margin.
// Every timed step of the cell runs on its own scheduler, which ends them
// all when the cell starts to dissolve or is destroyed.
class FramedCell : public Gtk::Box {
 public:
  using Builder = std::function<std::unique_ptr<Gtk::Widget>(Scheduler& cellScheduler)>;
  FramedCell(Scheduler& scheduler, int margin, const Builder& build);
  ~FramedCell() override;

  // Ends the cell's steps and whatever it holds beyond its widgets; its
  // widgets stay for the fade-out.
  void dissolving();
  Gtk::Widget& cell() { return *cell_; }

 private:
  ScopedScheduler steps_;
  std::unique_ptr<Gtk::Widget> cell_;
  std::unique_ptr<CellMembrane> membrane_;
};

// Builds the one framed cell for an expression.
std::unique_ptr<FramedCell> buildCellLayer(const Expression& expression, AppState& state,
                                           Scheduler& scheduler, std::function<void()> dismiss);

// Starts loading, in the background, what a cell for this expression takes
// long to load (the web engine), so that it is ready when the cell is built.
void prepareCellLayer(const Expression& expression);

// The margin around a kind of cell.
int cellMargin(const Expression& expression);

}  // namespace kivari

#include "Shell/CellLayer.h"

#include "Cells/BrowserExpressionView.h"
#include "Cells/ExpressionHostView.h"
#include "Shell/CellFrame.h"

namespace kivari {

namespace {

// The wrapper owns the membrane, which owns the cell view.
class FramedCell : public Gtk::Box {
 public:
  FramedCell(std::unique_ptr<Gtk::Widget> cell, Scheduler& scheduler, int margin)
      : cell_(std::move(cell)), membrane_(*cell_, scheduler) {
    set_hexpand(true);
    set_vexpand(true);
    membrane_.set_hexpand(true);
    membrane_.set_vexpand(true);
    membrane_.set_margin(margin);
    append(membrane_);
  }
  ~FramedCell() override { remove(membrane_); }

 private:
  std::unique_ptr<Gtk::Widget> cell_;
  CellMembrane membrane_;
};

// A cell whose own view is not part of this build yet: its header alone.
std::unique_ptr<Gtk::Widget> headerOnlyCell(const Expression& expression,
                                            std::function<void()> dismiss) {
  auto box = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  box->append(*Gtk::make_managed<CellHeader>("cube.transparent", palette::cyan, expression.name(),
                                              expression.dnaSource(), std::move(dismiss)));
  box->append(*Gtk::make_managed<Gtk::Separator>());
  return box;
}

}  // namespace

int cellMargin(const Expression& expression) {
  switch (expression.kind()) {
    case Expression::Kind::bundled:
    case Expression::Kind::browser:
    case Expression::Kind::game:
      return 16;
    default:
      return 24;
  }
}

std::unique_ptr<Gtk::Widget> buildCellLayer(const Expression& expression, AppState& state,
                                            Scheduler& scheduler, std::function<void()> dismiss) {
  std::unique_ptr<Gtk::Widget> cell;
  if (const auto* bundled = expression.as<Expression::Bundled>()) {
    // Left only through Esc or the compact bar: no close of its own.
    cell = std::make_unique<ExpressionHostView>(bundled->manifest, state.registry());
  } else if (const auto* browser = expression.as<Expression::Browser>()) {
    cell = std::make_unique<BrowserExpressionView>(browser->url, std::move(dismiss));
  } else {
    cell = headerOnlyCell(expression, std::move(dismiss));
  }
  cell->set_hexpand(true);
  cell->set_vexpand(true);
  return std::make_unique<FramedCell>(std::move(cell), scheduler, cellMargin(expression));
}

}  // namespace kivari

#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <functional>
#include <memory>

namespace kivari {

// Builds the one framed cell for an expression: the cell view in its
// breathing membrane, set in its margin (16 for web-backed cells, 24 else).
std::unique_ptr<Gtk::Widget> buildCellLayer(const Expression& expression, AppState& state,
                                            Scheduler& scheduler, std::function<void()> dismiss);

// The margin around a kind of cell.
int cellMargin(const Expression& expression);

}  // namespace kivari

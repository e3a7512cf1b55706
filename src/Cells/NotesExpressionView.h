#pragma once

#include "Cells/CellViewKit.h"

#include <gtkmm.h>

#include <functional>

namespace kivari {

// A scratch pad: one monospaced editor that has the keyboard as soon as the
// cell shows. Its text lives only in this view and starts empty every time.
class NotesExpressionView : public Gtk::Box {
 public:
  explicit NotesExpressionView(std::function<void()> onDismiss);

  Gtk::TextView& editor() { return area_.view(); }

 private:
  cellkit::TextArea area_{"Note"};
  bool shown_ = false;
};

}  // namespace kivari

#include "Cells/NotesExpressionView.h"

#include "Ui/CellFrame.h"

#include <utility>

namespace kivari {

NotesExpressionView::NotesExpressionView(std::function<void()> onDismiss)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0) {
  add_css_class("notes-cell");
  append(*Gtk::make_managed<CellHeader>("note.text", palette::yellow, "Notes", "Ephemeral FS DNA",
                                        std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());
  area_.add_css_class("notes-editor");
  area_.setInset(16);
  area_.set_vexpand(true);
  append(area_);
  // The compact bar takes the keyboard when it maps with the cell; the note
  // takes it back on the first frame, so typing goes straight in.
  signal_map().connect([this] {
    if (std::exchange(shown_, true)) return;
    add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) {
      area_.view().grab_focus();
      return false;
    });
  });
}

}  // namespace kivari

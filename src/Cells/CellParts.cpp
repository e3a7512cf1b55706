#include "Cells/CellParts.h"

namespace kivari {

Gtk::Label* makeCellLabel(const std::string& text, const char* cssClass) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->add_css_class(cssClass);
  return label;
}

Gtk::Widget* makeFlexibleSpace(Gtk::Orientation orientation) {
  auto* space = Gtk::make_managed<Gtk::Box>();
  if (orientation == Gtk::Orientation::VERTICAL) {
    space->set_vexpand(true);
  } else {
    space->set_hexpand(true);
  }
  return space;
}

Gtk::Label* makeCellFooter(const std::string& text) {
  auto* footer = makeCellLabel(text, "cell-footer");
  footer->set_margin_bottom(12);
  return footer;
}

void hideFromAssistiveTechnology(Gtk::Widget& widget) {
  gtk_accessible_update_state(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
}

}  // namespace kivari

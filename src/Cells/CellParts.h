#pragma once

#include <gtkmm.h>

#include <string>

namespace kivari {

// Small pieces the simple cells are built from.

// A label with one style class.
Gtk::Label* makeCellLabel(const std::string& text, const char* cssClass);
// Empty room that grows to take what its box has spare.
Gtk::Widget* makeFlexibleSpace(Gtk::Orientation orientation = Gtk::Orientation::VERTICAL);
// The small dim line at the foot of a cell.
Gtk::Label* makeCellFooter(const std::string& text);
// Keeps a purely decorative widget away from screen readers.
void hideFromAssistiveTechnology(Gtk::Widget& widget);

}  // namespace kivari
